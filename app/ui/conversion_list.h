// The conversion list: one row per encoder task, as a Qt item model.
//
// Row i is task i of the encoder: the window keeps the two in step (a task
// removed is a row removed). Each row carries what the list shows (eight
// columns) and what the popup menu needs: the output's folder and full
// name, and the marker set when the task ended without an error.
//
// GUI thread only (a Qt model).
#pragma once

#include <QAbstractTableModel>
#include <QCoreApplication>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zentrova::ui {

/// One row of the list.
struct TConversionRow {
  std::string InputFile;                    ///< full name of the source
  std::int64_t InputDuration = 0;           ///< microseconds; not positive: unknown
  std::int64_t InputSize = 0;               ///< bytes
  std::string OutputFile;                   ///< full name of the output
  std::string OutputFolder;                 ///< the output's folder, with a trailing '/'
  bool Ran = false;                         ///< a progress report came: the task's run wrote its output
  bool Marker = false;                      ///< the task ended without an error and left an output
  QString Progress, FPS, Time, OutputSize;  ///< columns 4 to 7
  QString Note;                             ///< the row's tool tip: why it is incomplete, decoding errors
};

/// What a progress event reports for a task.
struct TRowProgress {
  int FPS = 0;
  std::int64_t CurrentSize = 0;      ///< bytes
  std::int64_t CurrentDuration = 0;  ///< microseconds
  std::int64_t TotalDuration = 0;    ///< microseconds; not positive: unknown
};

/// Column 1: whole seconds, or "N/A" when the duration is not positive.
QString DurationText(std::int64_t duration_us);
/// Column 4: the whole percentage of `current` in `total` and "%", or "N/A"
/// when the total is not positive.
QString ProgressText(std::int64_t current_us, std::int64_t total_us);

class TConversionList : public QAbstractTableModel {
  Q_DECLARE_TR_FUNCTIONS(TConversionList)

 public:
  static constexpr int kColumnCount = 8;
  /// Captions and widths (pixels) of the columns.
  static const std::array<const char*, kColumnCount> kCaptions;
  static constexpr std::array<int, kColumnCount> kWidths{160, 80, 80, 160, 80, 60, 80, 80};

  using QAbstractTableModel::QAbstractTableModel;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  int Count() const { return static_cast<int>(rows_.size()); }
  bool Contains(int row) const { return row >= 0 && row < Count(); }
  /// Row `row`; the row must exist.
  const TConversionRow& Row(int row) const { return rows_.at(static_cast<std::size_t>(row)); }
  /// The text of a cell (what the list shows).
  QString Text(int row, int column) const;

  void Append(TConversionRow row);
  void Remove(int row);
  void Clear();
  /// Columns 4 to 7 from a progress report. Rows that do not exist are
  /// ignored (as for the calls below).
  void SetProgress(int row, const TRowProgress& progress);
  /// Column 4 becomes "100%".
  void SetFinished(int row);
  /// The row's tool tip (every column); empty: none.
  void SetNote(int row, const QString& note);
  void SetMarker(int row);

 private:
  std::vector<TConversionRow> rows_;
};

}  // namespace zentrova::ui

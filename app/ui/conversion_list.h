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

#include "encoder/progress_info.h"

namespace zentrova::ui {

/// What became of a row's task.
enum class TRowOutcome {
  Waiting,     ///< not ended yet (waiting or running)
  Converted,   ///< ran to its end
  Stopped,     ///< stopped by the user; the output so far is kept
  Failed,      ///< ended by an error; no output
  Incomplete,  ///< its input ended early; the output is kept
};

/// One row of the list.
struct TConversionRow {
  std::string InputFile;           ///< full name of the source
  std::int64_t InputDuration = 0;  ///< microseconds; not positive: unknown
  std::int64_t InputSize = 0;      ///< bytes
  std::string OutputFile;          ///< full name of the output
  std::string OutputFolder;        ///< the output's folder, with a trailing '/'
  bool Ran = false;                ///< a progress report came: the task's run wrote its output
  bool Marker = false;             ///< the task ended without an error and left an output
  bool Stopping = false;           ///< Stop was asked while the task had not ended
  TRowOutcome Outcome = TRowOutcome::Waiting;
  int Percent = -1;                  ///< of the last report; -1: unknown
  int FPS = 0;                       ///< of the last report that had one
  std::int64_t CurrentDuration = 0;  ///< media time converted, microseconds
  std::int64_t CurrentSize = 0;      ///< output bytes so far
  QString Note;                      ///< the row's tool tip: what became of it and why, decoding errors
};

/// Column 1: h:mm:ss, or "N/A" when the duration is not positive.
QString DurationText(std::int64_t duration_us);
/// The whole percentage of `current` in `total`, or -1 when the total is
/// not positive.
int PercentOf(std::int64_t current_us, std::int64_t total_us);
/// Column 4 while running: the percentage and "%", or "N/A" when unknown.
QString ProgressText(std::int64_t current_us, std::int64_t total_us);
/// Column 4 of a row: its percentage while it runs, "Stopping" after Stop,
/// then what became of it ("Converted", "Stopped at 42%", "Failed",
/// "Incomplete at 85%").
QString ProgressColumnText(const TConversionRow& row);

class TConversionList : public QAbstractTableModel {
  Q_DECLARE_TR_FUNCTIONS(TConversionList)

 public:
  static constexpr int kColumnCount = 8;
  static constexpr int kProgressColumn = 4;
  static constexpr int kOutputNameColumn = 3;
  /// The progress column's bar value (int 0..100, -1: no bar).
  static constexpr int kPercentRole = Qt::UserRole;
  /// Captions (translated) and widths (pixels) of the columns.
  static QString Caption(int column);
  // The progress column is wide enough for "Incomplete at 100%" on its bar.
  static constexpr std::array<int, kColumnCount> kWidths{160, 80, 80, 160, 150, 60, 80, 80};

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
  void SetProgress(int row, const TProgressInfo& progress);
  /// Rows not ended yet show that they are stopping.
  void SetStopping();
  /// What became of the row's task, and why (the row's tool tip; empty: none).
  void SetOutcome(int row, TRowOutcome outcome, const QString& note);
  void SetMarker(int row);
  /// Rows whose task has ended.
  int EndedCount() const;

 private:
  std::vector<TConversionRow> rows_;
};

}  // namespace zentrova::ui

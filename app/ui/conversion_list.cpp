#include "app/ui/conversion_list.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <algorithm>

#include "app/ui/list_texts.h"

namespace zentrova::ui {
namespace {

QString Tr(const char* text) {
  return QCoreApplication::translate("TConversionList", text);
}

// Sized by the caption's text when it is wider (see TConversionListView).
const char* const kCaptions[TConversionList::kColumnCount] = {
    QT_TRANSLATE_NOOP("TConversionList", "视频文件"),   QT_TRANSLATE_NOOP("TConversionList", "时长"),
    QT_TRANSLATE_NOOP("TConversionList", "文件大小"),   QT_TRANSLATE_NOOP("TConversionList", "输出文件名"),
    QT_TRANSLATE_NOOP("TConversionList", "转换进度"),   QT_TRANSLATE_NOOP("TConversionList", "帧率"),
    QT_TRANSLATE_NOOP("TConversionList", "已转换时长"), QT_TRANSLATE_NOOP("TConversionList", "输出大小")};

}  // namespace

QString DurationText(std::int64_t duration_us) {
  if (duration_us <= 0) return QStringLiteral("N/A");
  return MediaTimeText(duration_us);
}

int PercentOf(std::int64_t current_us, std::int64_t total_us) {
  if (total_us <= 0) return -1;
  // 128-bit product: a long current time times 100 must not overflow.
  const __int128 percent = static_cast<__int128>(current_us) * 100 / total_us;
  return static_cast<int>(std::clamp<__int128>(percent, 0, 100));
}

QString ProgressText(std::int64_t current_us, std::int64_t total_us) {
  const int percent = PercentOf(current_us, total_us);
  return percent < 0 ? QStringLiteral("N/A") : QString::number(percent) + '%';
}

QString ProgressColumnText(const TConversionRow& row) {
  const bool known = row.Ran && row.Percent >= 0;
  switch (row.Outcome) {
    case TRowOutcome::Converted:
      return QCoreApplication::translate("TConversionList", "Converted");
    case TRowOutcome::Failed:
      return QCoreApplication::translate("TConversionList", "Failed");
    case TRowOutcome::Stopped:
      if (!row.Ran) return QCoreApplication::translate("TConversionList", "Stopped before it started");
      return known ? QCoreApplication::translate("TConversionList", "Stopped at %1%").arg(row.Percent)
                   : QCoreApplication::translate("TConversionList", "Stopped");
    case TRowOutcome::Incomplete:
      return known ? QCoreApplication::translate("TConversionList", "Incomplete at %1%").arg(row.Percent)
                   : QCoreApplication::translate("TConversionList", "Incomplete");
    case TRowOutcome::Waiting:
      break;
  }
  if (row.Stopping) return QCoreApplication::translate("TConversionList", "Stopping");
  if (!row.Ran) return {};
  return known ? QString::number(row.Percent) + '%' : QStringLiteral("N/A");
}

QString TConversionList::Caption(int column) {
  if (column < 0 || column >= kColumnCount) return {};
  return Tr(kCaptions[column]);
}

int TConversionList::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : Count();
}

int TConversionList::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QString TConversionList::Text(int row, int column) const {
  if (!Contains(row)) return {};
  const TConversionRow& r = Row(row);
  switch (column) {
    case 0:
      return QFileInfo(QString::fromStdString(r.InputFile)).fileName();
    case 1:
      return DurationText(r.InputDuration);
    case 2:
      return SizeText(r.InputSize);
    case 3:
      return QFileInfo(QString::fromStdString(r.OutputFile)).fileName();
    case 4:
      return ProgressColumnText(r);
    case 5:
      return r.FPS > 0 ? QString::number(r.FPS) : QString();
    case 6:
      return r.Ran ? MediaTimeText(r.CurrentDuration) : QString();
    case 7:
      return r.Ran ? SizeText(r.CurrentSize) : QString();
    default:
      return {};
  }
}

QVariant TConversionList::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !Contains(index.row())) return {};
  const TConversionRow& r = Row(index.row());
  switch (role) {
    case Qt::DisplayRole:
      return Text(index.row(), index.column());
    case kPercentRole: {
      if (r.Outcome == TRowOutcome::Converted) return 100;
      if (r.Outcome == TRowOutcome::Failed) return -1;
      return r.Ran ? r.Percent : -1;
    }
    case Qt::ToolTipRole:
      // Exact numbers where the cell rounds them; else what became of the row.
      if (index.column() == 1 && r.InputDuration > 0) return MediaTimeTip(r.InputDuration);
      if (index.column() == 2) return SizeTip(r.InputSize);
      if (index.column() == 6 && r.Ran) return MediaTimeTip(r.CurrentDuration);
      if (index.column() == 7 && r.Ran) return SizeTip(r.CurrentSize);
      if (!r.Note.isEmpty()) return r.Note;
      return {};
    case Qt::TextAlignmentRole:
      if (index.column() == 0 || index.column() == kOutputNameColumn) return {};
      if (index.column() == kProgressColumn) return QVariant::fromValue(Qt::AlignCenter);
      return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    default:
      return {};
  }
}

QVariant TConversionList::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  const QString caption = Caption(section);
  return caption.isEmpty() ? QVariant() : QVariant(caption);
}

void TConversionList::Append(TConversionRow row) {
  beginInsertRows({}, Count(), Count());
  rows_.push_back(std::move(row));
  endInsertRows();
}

void TConversionList::Remove(int row) {
  if (!Contains(row)) return;
  beginRemoveRows({}, row, row);
  rows_.erase(rows_.begin() + row);
  endRemoveRows();
}

void TConversionList::Clear() {
  beginResetModel();
  rows_.clear();
  endResetModel();
}

void TConversionList::SetProgress(int row, const TProgressInfo& progress) {
  if (!Contains(row)) return;
  TConversionRow& r = rows_[static_cast<std::size_t>(row)];
  r.Ran = true;
  r.Percent = PercentOf(progress.CurrentDuration, progress.TotalDuration);
  if (progress.FPS > 0) r.FPS = progress.FPS;
  r.CurrentDuration = progress.CurrentDuration;
  r.CurrentSize = progress.CurrentSize;
  emit dataChanged(index(row, 4), index(row, 7));
}

void TConversionList::SetStopping() {
  for (TConversionRow& r : rows_)
    if (r.Outcome == TRowOutcome::Waiting) r.Stopping = true;
  if (!rows_.empty()) emit dataChanged(index(0, 4), index(Count() - 1, 4));
}

void TConversionList::SetOutcome(int row, TRowOutcome outcome, const QString& note) {
  if (!Contains(row)) return;
  TConversionRow& r = rows_[static_cast<std::size_t>(row)];
  r.Outcome = outcome;
  r.Stopping = false;
  r.Note = note;
  emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

void TConversionList::SetMarker(int row) {
  if (!Contains(row)) return;
  rows_[static_cast<std::size_t>(row)].Marker = true;
}

int TConversionList::EndedCount() const {
  int ended = 0;
  for (const TConversionRow& r : rows_) ended += r.Outcome != TRowOutcome::Waiting ? 1 : 0;
  return ended;
}

}  // namespace zentrova::ui

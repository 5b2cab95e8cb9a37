#include "app/ui/conversion_list.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace zentrova::ui {

const std::array<const char*, TConversionList::kColumnCount> TConversionList::kCaptions{
    QT_TRANSLATE_NOOP("TConversionList", "视频文件"), QT_TRANSLATE_NOOP("TConversionList", "时长"),
    QT_TRANSLATE_NOOP("TConversionList", "文件大小"), QT_TRANSLATE_NOOP("TConversionList", "输出文件名"),
    QT_TRANSLATE_NOOP("TConversionList", "转换进度"), QT_TRANSLATE_NOOP("TConversionList", "帧率"),
    QT_TRANSLATE_NOOP("TConversionList", "所用时间"), QT_TRANSLATE_NOOP("TConversionList", "文件大小")};

QString DurationText(std::int64_t duration_us) {
  if (duration_us <= 0) return QStringLiteral("N/A");
  return QString::number(duration_us / 1000000);
}

QString ProgressText(std::int64_t current_us, std::int64_t total_us) {
  if (total_us <= 0) return QStringLiteral("N/A");
  // 128-bit product: a long current time times 100 must not overflow.
  const __int128 percent = static_cast<__int128>(current_us) * 100 / total_us;
  return QString::number(static_cast<qint64>(percent)) + '%';
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
      return QString::number(r.InputSize);
    case 3:
      return QFileInfo(QString::fromStdString(r.OutputFile)).fileName();
    case 4:
      return r.Progress;
    case 5:
      return r.FPS;
    case 6:
      return r.Time;
    case 7:
      return r.OutputSize;
    default:
      return {};
  }
}

QVariant TConversionList::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !Contains(index.row())) return {};
  if (role == Qt::DisplayRole) return Text(index.row(), index.column());
  if (role == Qt::ToolTipRole && !Row(index.row()).Note.isEmpty()) return Row(index.row()).Note;
  return {};
}

QVariant TConversionList::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumnCount)
    return {};
  return tr(kCaptions[static_cast<std::size_t>(section)]);
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

void TConversionList::SetProgress(int row, const TRowProgress& progress) {
  if (!Contains(row)) return;
  TConversionRow& r = rows_[static_cast<std::size_t>(row)];
  r.Ran = true;
  r.Progress = ProgressText(progress.CurrentDuration, progress.TotalDuration);
  if (progress.FPS > 0) r.FPS = QString::number(progress.FPS);
  r.Time = QString::number(progress.CurrentDuration / 1000000);
  r.OutputSize = QString::number(progress.CurrentSize);
  emit dataChanged(index(row, 4), index(row, 7));
}

void TConversionList::SetFinished(int row) {
  if (!Contains(row)) return;
  rows_[static_cast<std::size_t>(row)].Progress = QStringLiteral("100%");
  emit dataChanged(index(row, 4), index(row, 4));
}

void TConversionList::SetNote(int row, const QString& note) {
  if (!Contains(row)) return;
  rows_[static_cast<std::size_t>(row)].Note = note;
  emit dataChanged(index(row, 0), index(row, kColumnCount - 1), {Qt::ToolTipRole});
}

void TConversionList::SetMarker(int row) {
  if (!Contains(row)) return;
  rows_[static_cast<std::size_t>(row)].Marker = true;
}

}  // namespace zentrova::ui

#include "app/ui/added_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "app/ui/file_filter.h"

namespace zentrova::ui {

QStringList MediaSuffixes() {
  // The first entry of the open dialog's filter lists every media pattern.
  const QString filter =
      QString::fromUtf8(kMediaFileFilter.data(), static_cast<qsizetype>(kMediaFileFilter.size()));
  const QStringList parts = filter.split('|');
  QStringList suffixes;
  if (parts.size() < 2) return suffixes;
  for (const QString& pattern : parts[1].split(';', Qt::SkipEmptyParts))
    if (pattern.trimmed().startsWith(QLatin1String("*."))) suffixes << pattern.trimmed().mid(2).toLower();
  return suffixes;
}

QStringList ExpandFolders(const QStringList& names) {
  const QStringList suffixes = MediaSuffixes();
  QStringList files;
  for (const QString& name : names) {
    if (!QFileInfo(name).isDir()) {
      files << name;
      continue;
    }
    QStringList inside;
    const QFileInfoList entries =
        QDir(name).entryInfoList(QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& entry : entries)
      if (suffixes.contains(entry.suffix().toLower())) inside << entry.filePath();
    if (inside.isEmpty())
      files << name;
    else
      files << inside;
  }
  return files;
}

QString UnaddableReason(const QString& name, const std::string& decoder_error) {
  const QFileInfo file(name);
  if (!file.exists()) return QCoreApplication::translate("TAddedFiles", "the file does not exist");
  if (file.isDir()) return QCoreApplication::translate("TAddedFiles", "the folder holds no media files");
  if (file.size() == 0) return QCoreApplication::translate("TAddedFiles", "the file is empty");
  if (!file.isReadable()) return QCoreApplication::translate("TAddedFiles", "the file cannot be read");
  QString reason = QCoreApplication::translate("TAddedFiles", "not a media file that can be read");
  if (!decoder_error.empty()) reason += QStringLiteral(" (%1)").arg(QString::fromStdString(decoder_error));
  return reason;
}

}  // namespace zentrova::ui

#include "app/ui/file_filter.h"

#include <QCoreApplication>
#include <QStringList>

namespace zentrova::ui {

// Name|patterns pairs; the first pair offers every kind at once.
const std::string_view kMediaFileFilter =
    "Video/Audio/Picture Files|"
    "*.3GP;*.ASF;*.AVI;*.AVM;*.AVS;*.DAT;*.FLV;*.MKV;*.MOV;*.MP4;*.MPEG;*.MPG;*.NSV;"
    "*.OGM;*.RM;*.RMVB;*.TP;*.TS;*.VOB;*.WMV;*.WEBM;*.OGV;*.M4V;*.MTS;*.M2TS;*.3G2;*.MXF;"
    "*.AAC;*.AC3;*.APE;*.DTS;*.FLAC;*.M4A;*.MKA;*.MP2;*.MP3;*.MPA;*.MPC;*.OFR;*.OGG;*.RA;"
    "*.TTA;*.WAV;*.WMA;*.OPUS;*.OGA;*.WV;*.AIFF;*.BMP;*.GIF;*.JPEG;*.JPG;*.PNG;*.TIF;"
    "*.TIFF;*.WEBP;|"
    "Video Files|"
    "*.3GP;*.ASF;*.AVI;*.AVM;*.AVS;*.DAT;*.FLV;*.MKV;*.MOV;*.MP4;*.MPEG;*.MPG;*.NSV;"
    "*.OGM;*.RM;*.RMVB;*.TP;*.TS;*.VOB;*.WMV;*.WEBM;*.OGV;*.M4V;*.MTS;*.M2TS;*.3G2;*.MXF;|"
    "Audio Files|"
    "*.AAC;*.AC3;*.APE;*.DTS;*.FLAC;*.M4A;*.MKA;*.MP2;*.MP3;*.MPA;*.MPC;*.OFR;*.OGG;*.RA;"
    "*.TTA;*.WAV;*.WMA;*.OPUS;*.OGA;*.WV;*.AIFF;|"
    "Picture Files|"
    "*.BMP;*.GIF;*.JPEG;*.JPG;*.PNG;*.TIF;*.TIFF;*.WEBP;|"
    "All Files|*.*";

const std::string_view kWaterMarkFileFilter = "PNG图片(*.PNG)|*.PNG";

QString QtFileFilter(std::string_view filter) {
  const QStringList parts =
      QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size())).split('|');
  QStringList entries;
  for (qsizetype i = 0; i < parts.size(); i += 2) {
    // Filter names are shown in the window's language.
    const QString name = QCoreApplication::translate("FileFilter", parts[i].toUtf8().constData());
    QStringList patterns;
    if (i + 1 < parts.size()) {
      for (const QString& pattern : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
        const QString trimmed = pattern.trimmed();
        if (trimmed.isEmpty()) continue;
        patterns << (trimmed == QLatin1String("*.*") ? QStringLiteral("*") : trimmed);
      }
    }
    if (name.isEmpty() && patterns.isEmpty()) continue;
    if (patterns.isEmpty()) patterns << QStringLiteral("*");
    // A name that already shows its patterns ("PNG图片(*.PNG)") is kept as
    // it is: Qt reads the patterns from the parentheses.
    if (name.contains('(') && name.endsWith(')'))
      entries << name;
    else
      entries << QStringLiteral("%1 (%2)").arg(name, patterns.join(' '));
  }
  return entries.join(QStringLiteral(";;"));
}

}  // namespace zentrova::ui

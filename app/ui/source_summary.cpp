#include "app/ui/source_summary.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <optional>
#include <string_view>

#include "convert/clip_times.h"
#include "convert/source_information.h"

namespace zentrova::ui {
namespace {

QString Tr(const char* text) {
  return QCoreApplication::translate("TfrmOption", text);
}

/// The fields after "<kind>: " of the first stream line of that kind
/// ("h264 (High)", " yuv420p", " 320x240", " 1000 kb/s"...), trimmed.
std::optional<QStringList> StreamFields(const std::string& info_text, std::string_view kind) {
  const std::string marker = ": " + std::string(kind) + ": ";
  std::string_view text = info_text;
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.find("Stream #") == std::string_view::npos) continue;
    const auto at = line.find(marker);
    if (at == std::string_view::npos) continue;
    QStringList fields;
    for (const std::string& field : app::SplitStreamLine(line.substr(at + marker.size())))
      fields << QString::fromStdString(field).trimmed();
    return fields;
  }
  return std::nullopt;
}

/// A stream's codec without the container's codec tag ("h264 (High) (avc1 / 0x31637661)" gives "h264
/// (High)").
QString CodecText(const QStringList& fields) {
  static const QRegularExpression kCodecTag(QStringLiteral(" \\([^()]* / 0x[0-9A-Fa-f]+\\)"));
  return fields.value(0).remove(kCodecTag);
}

QString FieldEndingWith(const QStringList& fields, const QString& unit) {
  for (const QString& field : fields)
    if (field.endsWith(unit)) return field;
  return {};
}

QString FrameRateText(int num, int den) {
  if (num <= 0 || den <= 0) return {};
  return QString::number(static_cast<double>(num) / den, 'g', 5) + QStringLiteral(" fps");
}

}  // namespace

QStringList SourceSummaryLines(const app::TSourceProbe& probe, const QString& video_bit_rate) {
  QStringList lines;
  auto add = [&lines](const char* label, const QString& value) {
    if (!value.isEmpty()) lines << Tr(label) + QLatin1Char(' ') + value;
  };
  const QString kbps = QStringLiteral(" kb/s");
  if (const auto video = StreamFields(probe.FileInfoText, "Video");
      video && probe.FirstVideoStreamIndex >= 0) {
    add(QT_TRANSLATE_NOOP("TfrmOption", "视频编码:"), CodecText(*video));
    if (probe.Width > 0 && probe.Height > 0)
      add(QT_TRANSLATE_NOOP("TfrmOption", "分辨率:"),
          QStringLiteral("%1x%2").arg(probe.Width).arg(probe.Height));
    QString rate = FieldEndingWith(*video, kbps);
    if (rate.isEmpty() && !video_bit_rate.trimmed().isEmpty()) rate = video_bit_rate.trimmed() + kbps;
    add(QT_TRANSLATE_NOOP("TfrmOption", "码率:"), rate);
    add(QT_TRANSLATE_NOOP("TfrmOption", "帧率:"), FrameRateText(probe.FrameRateNum, probe.FrameRateDen));
  }
  if (const auto audio = StreamFields(probe.FileInfoText, "Audio");
      audio && probe.FirstAudioStreamIndex >= 0) {
    add(QT_TRANSLATE_NOOP("TfrmOption", "音频编码:"), CodecText(*audio));
    add(QT_TRANSLATE_NOOP("TfrmOption", "采样率:"), FieldEndingWith(*audio, QStringLiteral(" Hz")));
    // The channel layout follows the sample rate ("stereo", "5.1(side)", "1 channels").
    const qsizetype hz = audio->indexOf(FieldEndingWith(*audio, QStringLiteral(" Hz")));
    if (hz >= 0) add(QT_TRANSLATE_NOOP("TfrmOption", "声道:"), audio->value(hz + 1));
    add(QT_TRANSLATE_NOOP("TfrmOption", "音频码率:"), FieldEndingWith(*audio, kbps));
  }
  add(QT_TRANSLATE_NOOP("TfrmOption", "时长:"),
      probe.FileDuration >= 0 ? QString::fromStdString(app::clip_time_text(probe.FileDuration))
                              : QStringLiteral("N/A"));
  return lines;
}

}  // namespace zentrova::ui

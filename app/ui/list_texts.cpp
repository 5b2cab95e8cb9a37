#include "app/ui/list_texts.h"

#include <QCoreApplication>
#include <algorithm>

namespace zentrova::ui {

QString SizeText(std::int64_t bytes) {
  constexpr double kKiB = 1024.0;
  const double value = static_cast<double>(std::max<std::int64_t>(bytes, 0));
  if (value < kKiB) return QStringLiteral("%1 B").arg(std::max<std::int64_t>(bytes, 0));
  if (value < kKiB * kKiB) return QStringLiteral("%1 KiB").arg(value / kKiB, 0, 'f', 1);
  if (value < kKiB * kKiB * kKiB) return QStringLiteral("%1 MiB").arg(value / (kKiB * kKiB), 0, 'f', 1);
  return QStringLiteral("%1 GiB").arg(value / (kKiB * kKiB * kKiB), 0, 'f', 2);
}

QString SizeTip(std::int64_t bytes) {
  return QCoreApplication::translate("TConversionList", "%1 bytes").arg(bytes);
}

QString MediaTimeText(std::int64_t time_us) {
  const std::int64_t seconds = std::max<std::int64_t>(time_us, 0) / 1000000;
  return QStringLiteral("%1:%2:%3")
      .arg(seconds / 3600)
      .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
      .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString MediaTimeTip(std::int64_t time_us) {
  const std::int64_t ms = std::max<std::int64_t>(time_us, 0) / 1000;
  return QCoreApplication::translate("TConversionList", "%1.%2 s")
      .arg(ms / 1000)
      .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

}  // namespace zentrova::ui

#include "app/ui/window_geometry.h"

#include <QSettings>
#include <QWidget>

namespace zentrova::ui {
namespace {

constexpr char kGeometryKey[] = "window/geometry";

}  // namespace

void RestoreWindowGeometry(QWidget& window, QSize fallback) {
  const QSettings settings(QStringLiteral("Zentrova"), QStringLiteral("Zentrova"));
  const QByteArray geometry = settings.value(kGeometryKey).toByteArray();
  if (geometry.isEmpty() || !window.restoreGeometry(geometry)) window.resize(fallback);
}

void SaveWindowGeometry(const QWidget& window) {
  QSettings settings(QStringLiteral("Zentrova"), QStringLiteral("Zentrova"));
  settings.setValue(kGeometryKey, window.saveGeometry());
}

}  // namespace zentrova::ui

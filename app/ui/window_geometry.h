// The main window's size and place, kept between starts (QSettings of
// organisation and application "Zentrova", key "window/geometry").
//
// GUI thread only.
#pragma once

#include <QSize>

class QWidget;

namespace zentrova::ui {

/// Restores the size and place saved last; `fallback` when none was saved.
void RestoreWindowGeometry(QWidget& window, QSize fallback);
void SaveWindowGeometry(const QWidget& window);

}  // namespace zentrova::ui

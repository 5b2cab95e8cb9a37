// Message boxes of the application: every box carries the application
// title "Zentrova" as its caption.
//
// GUI thread only. A worker that wants to tell the user something posts a
// call to the GUI thread (see converter_window.h); it never opens a box.
#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

namespace zentrova::ui {

/// The caption of every message box.
inline constexpr char kApplicationTitle[] = "Zentrova";

/// Shows `text` modally with the application title and `icon` (NoIcon for a
/// plain message) and an OK button.
void ShowMessage(QWidget* parent, QMessageBox::Icon icon, const QString& text);

}  // namespace zentrova::ui

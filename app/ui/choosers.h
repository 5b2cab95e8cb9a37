// The file and folder choosers of the options dialog, as replaceable
// functions (tests answer them without a dialog).
//
// Both use Qt's own dialogs, not the desktop's: the filter texts are shown
// as given, patterns match without regard to case, and the dialogs behave
// the same on every desktop and under a bare X server.
//
// GUI thread only: they open modal dialogs.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace zentrova::ui {

/// Opens a folder chooser titled `title` starting at `initial`; the chosen
/// folder with a trailing '/', or an empty text when cancelled.
using TFolderChooser = std::function<QString(QWidget* parent, const QString& title, const QString& initial)>;
/// Opens a file chooser with a Qt filter starting at `initial`; the chosen
/// file or an empty text.
using TFileChooser = std::function<QString(QWidget* parent, const QString& filter, const QString& initial)>;

/// The folder chooser: an initial folder that does not exist counts as none;
/// only folders are shown; a cancelled choice gives an empty text.
QString browse_for_folder(QWidget* parent, const QString& title, const QString& initial);

/// The file chooser for one existing file.
QString ChooseOpenFile(QWidget* parent, const QString& filter, const QString& initial);

}  // namespace zentrova::ui

// What the application remembers between starts, in QSettings (organisation
// and application "Zentrova"): the window's size and place, the task count,
// and the options dialog's choices the user sees — output folder, bit rates,
// volume, frame size, frame rate, aspect ratio, brightness, saturation, hue
// and watermark. An output folder that no longer exists is forgotten.
//
// GUI thread only.
#pragma once

#include <QSettings>

namespace zentrova::ui {

class TfrmConverter;

/// Puts the remembered values into the window and its dialog; values that
/// were never saved (or cannot be read) leave the controls as they are.
void RestoreSettings(QSettings& settings, TfrmConverter& window);
/// Saves the window's and its dialog's current values.
void SaveSettings(QSettings& settings, const TfrmConverter& window);

}  // namespace zentrova::ui

#include "app/ui/app_settings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QSlider>
#include <vector>

#include "app/ui/converter_window.h"
#include "app/ui/option_dialog.h"

namespace zentrova::ui {
namespace {

// One remembered control per key; ValueOf and SetValue read and write each
// kind of control.
struct TRemembered {
  const char* Key;
  QObject* Control;
};

std::vector<TRemembered> Remembered(const TfrmConverter& window) {
  const TfrmOption& d = window.OptionDialog();
  return {
      {"window/taskCount", window.TaskCountEdit()},
      {"options/videoBitRate", d.VideoBitRateEdit()},
      {"options/audioBitRate", d.AudioBitRateEdit()},
      {"options/audioVolume", d.AudioVolumeCheck()},
      {"options/audioVolumeValue", d.AudioVolumeEdit()},
      {"options/frameSize", d.FrameSizeCombo()},
      {"options/frameRate", d.ChoiceButtons(app::TChoice::FrameRate)},
      {"options/aspectRatio", d.ChoiceButtons(app::TChoice::AspectRatio)},
      {"options/brightness", d.Brightness().Check},
      {"options/brightnessValue", d.Brightness().Slider},
      {"options/saturation", d.Saturation().Check},
      {"options/saturationValue", d.Saturation().Slider},
      {"options/hue", d.Hue().Check},
      {"options/hueValue", d.Hue().Slider},
      {"options/waterMark", d.WaterMarkCheck()},
      {"options/waterMarkFile", d.WaterMarkEdit()},
  };
}

QVariant ValueOf(const QObject* control) {
  if (auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->text();
  if (auto* check = qobject_cast<const QCheckBox*>(control)) return check->isChecked();
  if (auto* slider = qobject_cast<const QSlider*>(control)) return slider->value();
  if (auto* combo = qobject_cast<const QComboBox*>(control)) return combo->currentData();
  if (auto* group = qobject_cast<const QButtonGroup*>(control)) return group->checkedId();
  return {};
}

void SetValue(QObject* control, const QVariant& value) {
  bool number = false;
  const int index = value.toInt(&number);
  if (auto* edit = qobject_cast<QLineEdit*>(control)) {
    edit->setText(value.toString());
  } else if (auto* check = qobject_cast<QCheckBox*>(control)) {
    check->setChecked(value.toBool());
  } else if (auto* slider = qobject_cast<QSlider*>(control)) {
    if (number) slider->setValue(index);  // the slider keeps it within its range
  } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
    if (const int at = combo->findData(value); at >= 0) combo->setCurrentIndex(at);
  } else if (auto* group = qobject_cast<QButtonGroup*>(control)) {
    if (QAbstractButton* button = number ? group->button(index) : nullptr) button->setChecked(true);
  }
}

constexpr char kOutputFolderKey[] = "options/outputFolder";
constexpr char kGeometryKey[] = "window/geometry";

}  // namespace

void RestoreSettings(QSettings& settings, TfrmConverter& window) {
  for (const TRemembered& row : Remembered(window)) {
    const QVariant value = settings.value(QLatin1String(row.Key));
    if (value.isValid()) SetValue(row.Control, value);
  }
  const QString folder = settings.value(QLatin1String(kOutputFolderKey)).toString();
  if (!folder.isEmpty() && QDir(folder).exists()) window.OptionDialog().OutPathEdit()->setText(folder);
  window.restoreGeometry(settings.value(QLatin1String(kGeometryKey)).toByteArray());
}

void SaveSettings(QSettings& settings, const TfrmConverter& window) {
  for (const TRemembered& row : Remembered(window))
    settings.setValue(QLatin1String(row.Key), ValueOf(row.Control));
  const std::string folder = window.OptionDialog().Settings().OutPath;
  if (folder == app::kOutputFolderPlaceholder)
    settings.remove(QLatin1String(kOutputFolderKey));
  else
    settings.setValue(QLatin1String(kOutputFolderKey), QString::fromStdString(folder));
  settings.setValue(QLatin1String(kGeometryKey), window.saveGeometry());
  settings.sync();
}

}  // namespace zentrova::ui

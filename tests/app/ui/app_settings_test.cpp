// The window and its dialog remember the user's choices between starts:
// what one window saves, the next one shows, and its option strings use.
#include "app/ui/app_settings.h"

#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QSlider>
#include <filesystem>

#include "window_fixture.h"

namespace zentrova::ui {
namespace {

/// Settings in the test's own folder under the application's names.
struct SettingsFixture {
  test::TempDir dir;
  SettingsFixture() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(dir.Path().string()));
  }
  QSettings Open() const { return QSettings(QStringLiteral("Zentrova"), QStringLiteral("Zentrova")); }
};

TEST(AppSettings, WhatOneWindowSavesTheNextOneShowsAndUses) {
  SettingsFixture store;
  test::TempDir outputs;
  const QString folder = QString::fromStdString(outputs.Path().string()) + '/';
  {
    WindowFixture f;
    TfrmOption& d = f.w().OptionDialog();
    f.w().TaskCountEdit()->setText(QStringLiteral("5"));
    d.VideoBitRateEdit()->setText(QStringLiteral("1500"));
    d.AudioBitRateEdit()->setText(QStringLiteral("192"));
    d.AudioVolumeCheck()->setChecked(true);
    d.AudioVolumeEdit()->setText(QStringLiteral("300"));
    d.FrameSizeCombo()->setCurrentIndex(d.FrameSizeCombo()->findText(QStringLiteral("1280x720 - 720p (HD)")));
    d.ChoiceButtons(app::TChoice::FrameRate)->button(3)->click();    // "25"
    d.ChoiceButtons(app::TChoice::AspectRatio)->button(2)->click();  // "16:9"
    d.Hue().Check->setChecked(true);
    d.Hue().Slider->setValue(-40);
    d.WaterMarkCheck()->setChecked(true);
    d.WaterMarkEdit()->setText(QStringLiteral("/pictures/logo.png"));
    d.OutPathEdit()->setText(folder);
    f.w().resize(1100, 760);
    QSettings settings = store.Open();
    SaveSettings(settings, f.w());
  }
  ASSERT_TRUE(std::filesystem::exists(store.dir.File("Zentrova/Zentrova.conf")));

  WindowFixture f;
  const app::OutputSettings fresh = f.w().OptionDialog().Settings();
  QSettings settings = store.Open();
  RestoreSettings(settings, f.w());
  const app::OutputSettings s = f.w().OptionDialog().Settings();
  EXPECT_EQ(fresh.FrameSize, 0);
  EXPECT_EQ(f.w().TaskCountEdit()->text(), QStringLiteral("5"));
  EXPECT_EQ(s.VideoBitRate, "1500");
  EXPECT_EQ(s.AudioBitRate, "192");
  EXPECT_TRUE(s.AudioVolume);
  EXPECT_EQ(s.AudioVolumeText, "300");
  EXPECT_EQ(app::kFrameSizeItems[static_cast<std::size_t>(s.FrameSize)].substr(0, 9), "1280x720 ");
  EXPECT_EQ(s.FrameRate, 3);
  EXPECT_EQ(s.AspectRatio, 2);
  EXPECT_TRUE(s.Hue);
  EXPECT_EQ(s.HuePosition, -40);
  EXPECT_FALSE(s.Brightness);
  EXPECT_TRUE(s.WaterMark);
  EXPECT_EQ(s.WaterMarkFile, "/pictures/logo.png");
  EXPECT_EQ(s.OutPath, folder.toStdString());
  EXPECT_EQ(f.w().size(), QSize(1100, 760));
}

TEST(AppSettings, AGoneOutputFolderAndUnreadableValuesLeaveTheDefaults) {
  SettingsFixture store;
  {
    QSettings settings = store.Open();
    settings.setValue(QStringLiteral("options/outputFolder"), QStringLiteral("/no/such/folder/"));
    settings.setValue(QStringLiteral("options/frameSize"), QStringLiteral("huge"));
    settings.setValue(QStringLiteral("options/frameRate"), 99);
    settings.setValue(QStringLiteral("options/hueValue"), QStringLiteral("red"));
    settings.setValue(QStringLiteral("window/geometry"), QByteArray("garbage"));
  }
  WindowFixture f;
  const app::OutputSettings before = f.w().OptionDialog().Settings();
  QSettings settings = store.Open();
  RestoreSettings(settings, f.w());
  const app::OutputSettings after = f.w().OptionDialog().Settings();
  EXPECT_EQ(after.OutPath, std::string(app::kOutputFolderPlaceholder));
  EXPECT_EQ(after.FrameSize, before.FrameSize);
  EXPECT_EQ(after.FrameRate, before.FrameRate);
  EXPECT_EQ(after.HuePosition, before.HuePosition);
}

}  // namespace
}  // namespace zentrova::ui

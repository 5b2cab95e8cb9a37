#include "app/ui/option_dialog.h"

#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <string>

#include "app/ui/clip_preview.h"
#include "app/ui/source_summary.h"
#include "convert/option_builder.h"
#include "modal_watcher.h"
#include "synthetic_frames.h"

namespace zentrova::ui {
namespace {

using test::ModalWatcher;
using test::SyntheticFrames;

const char kStreamLine[] =
    "  Stream #0(und), 1/12800: Video: h264 (High), yuv420p, 320x240, 1000 kb/s, 25 fps, 25 tbr, start: "
    "0.000000, duration: 00:00:10.00";

app::TSourceProbe VideoProbe(const std::string& file_name = "/media/clip.mp4") {
  app::TSourceProbe probe;
  probe.FileName = file_name;
  probe.FormatName = "mov,mp4,m4a,3gp,3g2,mj2";
  probe.FileInfoText = "File Name: " + file_name + "\r\n" + kStreamLine;
  probe.FileStartTime = 0;
  probe.FileDuration = 10000000;
  probe.FirstVideoStreamIndex = 0;
  probe.FirstAudioStreamIndex = 1;
  probe.Width = 320;
  probe.Height = 240;
  probe.VideoDurationScaled = 10000000;
  probe.FrameRateNum = 25;
  probe.FrameRateDen = 1;
  return probe;
}

app::BuildEnv QuietEnv() {
  app::BuildEnv env;
  env.FileExists = [](const std::string&) { return false; };
  env.HasEncoder = [](std::string_view) { return false; };
  return env;
}

QStringList VisibleGroupTitles(const QWidget& dialog) {
  QStringList titles;
  for (const QGroupBox* box : dialog.findChildren<QGroupBox*>())
    if (box->isVisible()) titles << box->title();
  return titles;
}

TEST(TfrmOptionWindow, ShowsOnlyTheShownControlsWithTheirCaptions) {
  TfrmOption dialog;
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("视频输出选项"));

  const QStringList titles = VisibleGroupTitles(dialog);
  for (const char* title : {"源视频文件信息", "音频音量", "视频每帧大小", "码率 (Kbps)", "视频帧率 (FPS)",
                            "视频长宽比例", "视频过滤器"})
    EXPECT_TRUE(titles.contains(QString::fromUtf8(title))) << title;
  EXPECT_EQ(titles.size(), 7) << titles.join(" | ").toStdString();

  ASSERT_FALSE(dialog.HiddenControls().empty());
  for (const QWidget* hidden : dialog.HiddenControls()) EXPECT_FALSE(hidden->isVisible());
  for (app::TChoice choice :
       {app::TChoice::OutputFormat, app::TChoice::Norm, app::TChoice::AudioChannels,
        app::TChoice::AudioSampleRate, app::TChoice::AudioCodec, app::TChoice::VideoCodec})
    EXPECT_FALSE(dialog.ChoiceBox(choice)->isVisible());
  EXPECT_FALSE(dialog.ClipGroup()->isVisible());

  EXPECT_EQ(dialog.FrameSizeCombo()->count(), 29);
  EXPECT_EQ(dialog.FrameSizeCombo()->currentText(), QStringLiteral("Auto - Original"));
  EXPECT_FALSE(dialog.FrameSizeCombo()->isEditable());
  EXPECT_EQ(dialog.ChoiceButtons(app::TChoice::OutputFormat)->buttons().size(), 24);
  EXPECT_EQ(dialog.ChoiceButtons(app::TChoice::OutputFormat)->checkedButton()->text(), QStringLiteral("MP4"));
  EXPECT_EQ(dialog.OkButton()->text(), QStringLiteral("确定"));
  EXPECT_TRUE(dialog.OkButton()->isDefault());
  EXPECT_EQ(dialog.OutPathEdit()->text(), QStringLiteral("<输出在源视频目录下>"));
  EXPECT_TRUE(dialog.OutPathEdit()->isReadOnly());
  EXPECT_EQ(dialog.AudioVolumeEdit()->toolTip(), QStringLiteral("256=normal"));
  EXPECT_EQ(dialog.AudioVolumeCheck()->text(), QStringLiteral("调整音频音量"));
  EXPECT_EQ(dialog.WaterMarkCheck()->text(), QStringLiteral("设置水印:"));
  EXPECT_EQ(dialog.VideoBitRateEdit()->text(), QStringLiteral("200"));
  EXPECT_EQ(dialog.AudioBitRateEdit()->text(), QStringLiteral("128"));
  EXPECT_TRUE(dialog.InfoText()->isReadOnly());
}

TEST(TfrmOptionSettings, AFreshDialogHoldsTheRecordsDefaults) {
  TfrmOption dialog;
  const app::OutputSettings got = dialog.Settings();
  const app::OutputSettings want;
  EXPECT_EQ(got.Format, want.Format);
  EXPECT_EQ(got.Norm, want.Norm);
  EXPECT_EQ(got.AudioChannels, want.AudioChannels);
  EXPECT_EQ(got.AudioSampleRate, want.AudioSampleRate);
  EXPECT_EQ(got.FrameSize, want.FrameSize);
  EXPECT_EQ(got.FrameRate, want.FrameRate);
  EXPECT_EQ(got.AspectRatio, want.AspectRatio);
  EXPECT_EQ(got.AudioCodec, want.AudioCodec);
  EXPECT_EQ(got.VideoCodec, want.VideoCodec);
  EXPECT_EQ(got.AudioVolume, want.AudioVolume);
  EXPECT_EQ(got.AudioVolumeText, want.AudioVolumeText);
  EXPECT_EQ(got.VideoBitRate, want.VideoBitRate);
  EXPECT_EQ(got.AudioBitRate, want.AudioBitRate);
  EXPECT_EQ(got.Crop, want.Crop);
  EXPECT_EQ(got.CropEdges.Top + got.CropEdges.Bottom + got.CropEdges.Left + got.CropEdges.Right, "0000");
  EXPECT_EQ(got.Pad, want.Pad);
  EXPECT_EQ(got.PadEdges.Top + got.PadEdges.Bottom + got.PadEdges.Left + got.PadEdges.Right, "0000");
  EXPECT_EQ(got.CutClipEnabled, want.CutClipEnabled);
  EXPECT_EQ(got.CutClipChecked, want.CutClipChecked);
  EXPECT_EQ(got.VideoInputHook, want.VideoInputHook);
  EXPECT_EQ(got.VideoOutputHook, want.VideoOutputHook);
  EXPECT_EQ(got.AudioHook, want.AudioHook);
  EXPECT_EQ(got.VertFlip, want.VertFlip);
  EXPECT_EQ(got.HoriFlip, want.HoriFlip);
  EXPECT_EQ(got.Negate, want.Negate);
  EXPECT_EQ(got.Deinterlace, want.Deinterlace);
  EXPECT_EQ(got.Rotate, want.Rotate);
  EXPECT_EQ(got.RotateText, want.RotateText);
  EXPECT_EQ(got.Brightness, want.Brightness);
  EXPECT_EQ(got.BrightnessPosition, want.BrightnessPosition);
  EXPECT_EQ(got.Saturation, want.Saturation);
  EXPECT_EQ(got.SaturationPosition, want.SaturationPosition);
  EXPECT_EQ(got.Hue, want.Hue);
  EXPECT_EQ(got.HuePosition, want.HuePosition);
  EXPECT_EQ(got.WaterMark, want.WaterMark);
  EXPECT_EQ(got.WaterMarkFile, want.WaterMarkFile);
  EXPECT_EQ(got.OutPath, want.OutPath);
  EXPECT_EQ(got.Overwrite, want.Overwrite);
}

TEST(TfrmOptionEnableRules, EachCheckBoxEnablesExactlyItsCompanions) {
  TfrmOption dialog;
  struct Rule {
    const char* name;
    QCheckBox* check;
    std::vector<QWidget*> companions;
  };
  const std::vector<Rule> rules = {
      {"volume", dialog.AudioVolumeCheck(), {dialog.AudioVolumeEdit()}},
      {"crop",
       dialog.CropCheck(),
       {dialog.CropEdits()[0], dialog.CropEdits()[1], dialog.CropEdits()[2], dialog.CropEdits()[3]}},
      {"pad",
       dialog.PadCheck(),
       {dialog.PadEdits()[0], dialog.PadEdits()[1], dialog.PadEdits()[2], dialog.PadEdits()[3]}},
      {"rotate", dialog.RotateCheck(), {dialog.RotateEdit()}},
      {"brightness", dialog.Brightness().Check, {dialog.Brightness().Slider, dialog.Brightness().Reset}},
      {"saturation", dialog.Saturation().Check, {dialog.Saturation().Slider, dialog.Saturation().Reset}},
      {"hue", dialog.Hue().Check, {dialog.Hue().Slider, dialog.Hue().Reset}},
      {"watermark", dialog.WaterMarkCheck(), {dialog.WaterMarkEdit(), dialog.WaterMarkButton()}},
  };
  std::vector<QWidget*> all;
  for (const Rule& rule : rules) all.insert(all.end(), rule.companions.begin(), rule.companions.end());
  for (QWidget* companion : all) EXPECT_FALSE(companion->isEnabledTo(&dialog));

  for (const Rule& rule : rules) {
    rule.check->setChecked(true);
    for (QWidget* companion : all) {
      const bool own =
          std::find(rule.companions.begin(), rule.companions.end(), companion) != rule.companions.end();
      EXPECT_EQ(companion->isEnabledTo(&dialog), own) << rule.name;
    }
    rule.check->setChecked(false);
    for (QWidget* companion : rule.companions) EXPECT_FALSE(companion->isEnabledTo(&dialog)) << rule.name;
  }
}

TEST(TfrmOptionEffects, ResetButtonsRestoreTheStartingPositions) {
  TfrmOption dialog;
  const struct {
    const TEffectControls& effect;
    int reset;
  } effects[] = {{dialog.Brightness(), 0}, {dialog.Saturation(), 10}, {dialog.Hue(), 0}};
  for (const auto& e : effects) {
    e.effect.Check->setChecked(true);
    e.effect.Slider->setValue(-73);
    QTest::mouseClick(e.effect.Reset, Qt::LeftButton);
    EXPECT_EQ(e.effect.Slider->value(), e.reset);
  }
  EXPECT_EQ(dialog.Brightness().Slider->minimum(), -100);
  EXPECT_EQ(dialog.Brightness().Slider->maximum(), 100);
}

TEST(TfrmOptionSettings, ShownAndHiddenControlsReachTheOptionStrings) {
  TfrmOption dialog;
  dialog.AssignSource(VideoProbe(), nullptr);
  dialog.FrameSizeCombo()->setCurrentIndex(dialog.FrameSizeCombo()->findText("640x480 - 480p (4:3, VGA)"));
  dialog.ChoiceButtons(app::TChoice::FrameRate)->button(3)->click();    // "25"
  dialog.ChoiceButtons(app::TChoice::AspectRatio)->button(2)->click();  // "16:9"
  dialog.AudioVolumeCheck()->click();
  dialog.AudioVolumeEdit()->setText("300");
  dialog.AudioBitRateEdit()->setText("96");
  dialog.Brightness().Check->click();
  dialog.Brightness().Slider->setValue(5);
  dialog.Saturation().Check->click();
  dialog.VertFlipCheck()->setChecked(true);
  dialog.ChoiceButtons(app::TChoice::OutputFormat)
      ->button(static_cast<int>(app::TOutputFormat::WMV))
      ->click();

  const TOutputOptions out = dialog.BuildOutputOptions(QuietEnv());
  const TOutputOptions want =
      app::BuildOutputOptions(dialog.Settings(), dialog.SourceState().Facts(), QuietEnv());
  EXPECT_EQ(out.Options, want.Options);
  for (const char* part : {" -b:a 96k", " -b:v  1000k", " -af volume=1.171875", " -aspect 16:9", " -r 25",
                           " -c:v wmv2", " -c:a wmav2", "scale=640:480,vflip", "hue=b=0.5:s=1"})
    EXPECT_NE(out.Options.find(part), std::string::npos) << part << " in " << out.Options;
  EXPECT_EQ(out.FileName, "/media/clip_(new).wmv");
  EXPECT_EQ(dialog.BuildInputOptions().FileName, "/media/clip.mp4");
}

TEST(TfrmOptionAssignSource, FillsTheInformationAndTheVideoBitRate) {
  TfrmOption dialog;
  ModalWatcher watcher;
  dialog.AssignSource(VideoProbe(), nullptr);
  const QStringList lines = dialog.InfoText()->toPlainText().split('\n');
  ASSERT_EQ(lines.size(), 5);
  EXPECT_EQ(lines[0], QStringLiteral("视频编码: h264 (High)"));
  EXPECT_EQ(lines[1], QStringLiteral("分辨率: 320x240"));
  EXPECT_EQ(lines[2], QStringLiteral("码率: 1000 kb/s"));
  EXPECT_EQ(lines[3], QStringLiteral("帧率: 25 fps"));
  EXPECT_EQ(lines[4], QStringLiteral("时长: 00:00:10.000"));
  EXPECT_EQ(dialog.VideoBitRateEdit()->text(), QStringLiteral(" 1000"));
  EXPECT_TRUE(watcher.Seen().empty());
}

TEST(TfrmOptionAssignSource, TheInformationLabelsWhatItShows) {
  struct Case {
    const char* name;
    std::string info;
    int video, audio;
    std::int64_t duration;
    const char* text;
  } cases[] = {
      {"sound only",
       "Duration: 00:00:03.00\r\n  Stream #0, 1/44100: Audio: pcm_s16le ([1][0][0][0] / 0x0001), 44100 Hz, "
       "stereo, "
       "s16, 1411 kb/s",
       -1, 0, 3000000,
       "音频编码: pcm_s16le\n采样率: 44100 Hz\n声道: stereo\n音频码率: 1411 kb/s\n"
       "时长: 00:00:03.000"},
      {"Matroska: no bit rate or duration in the stream line",
       "Duration: 00:00:04.02, start: 0.000000, bitrate: 918 kb/s\r\n"
       "  Stream #0, 1/1000: Video: h264 (Constrained Baseline), yuv420p(progressive), 320x240 [SAR 1:1 DAR "
       "4:3], "
       "25 fps, 25 tbr, 1k tbn\r\n  Stream #1(eng), 1/1000: Audio: aac (LC) (mp4a / 0x6134706D), 48000 Hz, "
       "stereo, fltp",
       0, 1, 4020000,
       "视频编码: h264 (Constrained Baseline)\n分辨率: 320x240\n码率: 918 kb/s\n帧率: 25 fps\n"
       "音频编码: aac (LC)\n采样率: 48000 Hz\n声道: stereo\n时长: 00:00:04.020"},
  };
  for (const Case& c : cases) {
    TfrmOption dialog;
    ModalWatcher watcher;
    app::TSourceProbe probe = VideoProbe();
    probe.FileInfoText = c.info;
    probe.FirstVideoStreamIndex = c.video;
    probe.FirstAudioStreamIndex = c.audio;
    probe.FileDuration = c.duration;
    dialog.AssignSource(probe, nullptr);
    const QString text = dialog.InfoText()->toPlainText();
    EXPECT_EQ(text, QString::fromUtf8(c.text)) << c.name;
    EXPECT_FALSE(text.contains(QStringLiteral("1/"))) << c.name << ": no raw time base";
  }
}

TEST(TfrmOptionAssignSource, TheLongestInformationShowsWithoutScrolling) {
  TfrmOption dialog;
  ModalWatcher watcher;
  app::TSourceProbe probe = VideoProbe();
  probe.FileInfoText += std::string("\r\n  Stream #1(und), 1/48000: Audio: aac (LC) (mp4a / 0x6134706D), ") +
                        "48000 Hz, stereo, fltp, 128 kb/s";
  dialog.AssignSource(probe, nullptr);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  EXPECT_EQ(dialog.InfoText()->toPlainText().split('\n').size(), kSourceSummaryMostLines);
  EXPECT_EQ(dialog.InfoText()->verticalScrollBar()->maximum(), 0) << "a line hides below the box";
  dialog.hide();
}

TEST(TfrmOptionAssignSource, MissingBitRateIsToldOnceAndTheSourceIsStillTakenOver) {
  TfrmOption dialog;
  ModalWatcher watcher;
  SyntheticFrames frames(250, 40000);
  app::TSourceProbe probe = VideoProbe();
  probe.FileInfoText = "Stream #0, 1/1000: Video: h264, yuv420p, 320x240, 25 fps, 25 tbr";
  dialog.VideoBitRateEdit()->setText("777");
  dialog.AssignSource(probe, &frames);

  // Named by its file: a batch of dropped files tells which one lacks it.
  ASSERT_EQ(watcher.MessageTexts(), QStringList{QStringLiteral("clip.mp4: 码率信息严重错误!")});
  EXPECT_EQ(watcher.Seen()[0].Title, QStringLiteral("Zentrova"));
  EXPECT_EQ(watcher.Seen()[0].Icon, QMessageBox::NoIcon);
  EXPECT_EQ(dialog.VideoBitRateEdit()->text(), QStringLiteral("777"));
  // The rest of the source step ran: streams, steps, first picture.
  EXPECT_EQ(dialog.SourceState().VideoStreamIndex, 0);
  EXPECT_EQ(dialog.SourceState().Frames, 250);
  EXPECT_EQ(dialog.SourceState().FirstPTS, 0);
  EXPECT_EQ(frames.Current(), 0);
  EXPECT_TRUE(dialog.ClipGroup()->Slider()->isEnabled());
}

TEST(TfrmOptionOutputFolder, ChosenFolderIsTakenUnlessOnAnOpticalDisc) {
  struct Case {
    const char* name;
    QString chosen;
    bool on_disc;
    QString expected_text;
    QStringList messages;
  };
  const QString placeholder = QStringLiteral("<输出在源视频目录下>");
  const Case cases[] = {
      {"a folder", "/data/out/", false, "/data/out/", {}},
      {"cancelled", "", false, placeholder, {}},
      {"optical disc", "/media/cdrom/", true, placeholder, {"Output folder cannot be located in CD-ROM."}},
  };
  for (const Case& c : cases) {
    TfrmOption dialog;
    dialog.AssignSource(VideoProbe("/media/videos/clip.mp4"), nullptr);
    QString asked_title, asked_initial;
    dialog.SetFolderChooser([&](QWidget*, const QString& title, const QString& initial) {
      asked_title = title;
      asked_initial = initial;
      return c.chosen;
    });
    dialog.SetOpticalDiscTest([&](const QString&) { return c.on_disc; });
    ModalWatcher watcher;
    dialog.btnOutPathClick();
    EXPECT_EQ(asked_title, QStringLiteral("Select Output Folder")) << c.name;
    EXPECT_EQ(asked_initial, QStringLiteral("/media/videos")) << c.name;
    EXPECT_EQ(dialog.OutPathEdit()->text(), c.expected_text) << c.name;
    EXPECT_EQ(watcher.MessageTexts(), c.messages) << c.name;
    if (!c.messages.isEmpty()) {
      EXPECT_EQ(watcher.Seen()[0].Icon, QMessageBox::Information);
    }
  }
}

TEST(TfrmOptionOutputFolder, AChosenFolderIsWhereTheNextChoiceStarts) {
  TfrmOption dialog;
  dialog.AssignSource(VideoProbe(), nullptr);
  QString asked_initial;
  dialog.SetOpticalDiscTest([](const QString&) { return false; });
  dialog.SetFolderChooser([&](QWidget*, const QString&, const QString& initial) {
    asked_initial = initial;
    return QStringLiteral("/srv/out/");
  });
  dialog.btnOutPathClick();
  dialog.btnOutPathClick();
  EXPECT_EQ(asked_initial, QStringLiteral("/srv/out/"));
  EXPECT_EQ(dialog.BuildOutputOptions(QuietEnv()).FileName, "/srv/out/clip_(new).mp4");
}

TEST(TfrmOptionAccept, AnOutputOnAnOpticalDiscKeepsTheDialogOpen) {
  struct Case {
    const char* name;
    QString out_path;  // empty: the placeholder
    bool on_disc;
    QString checked_path;
    bool closes;
  };
  const Case cases[] = {
      {"beside a source on a disc", "", true, "/media/cdrom/clip.mp4", false},
      {"beside a source on a disk", "", false, "/media/cdrom/clip.mp4", true},
      {"a folder on a disc", "/media/dvd/", true, "/media/dvd/", false},
      {"a folder on a disk", "/srv/out/", false, "/srv/out/", true},
  };
  for (const Case& c : cases) {
    TfrmOption dialog;
    dialog.AssignSource(VideoProbe("/media/cdrom/clip.mp4"), nullptr);
    QStringList checked;
    bool choosing = false;  // the folder choice itself is not on a disc
    dialog.SetOpticalDiscTest([&](const QString& path) {
      if (choosing) return false;
      checked << path;
      return c.on_disc;
    });
    if (!c.out_path.isEmpty()) {
      choosing = true;
      dialog.SetFolderChooser([&](QWidget*, const QString&, const QString&) { return c.out_path; });
      dialog.btnOutPathClick();
      choosing = false;
    }
    dialog.show();
    ModalWatcher watcher(&dialog);
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    EXPECT_EQ(checked, QStringList{c.checked_path}) << c.name;
    EXPECT_EQ(dialog.isVisible(), !c.closes) << c.name;
    EXPECT_EQ(dialog.result() == QDialog::Accepted, c.closes) << c.name;
    if (c.closes) {
      EXPECT_TRUE(watcher.Seen().empty()) << c.name;
    } else {
      EXPECT_EQ(watcher.MessageTexts(),
                QStringList{QStringLiteral("输入文件夹位于光盘, 请选择选择一个输出目录.")})
          << c.name;
      EXPECT_EQ(watcher.Seen()[0].Icon, QMessageBox::Information) << c.name;
    }
    dialog.reject();
  }
}

TEST(TfrmOptionWaterMark, ChosenPictureGoesIntoTheEdit) {
  TfrmOption dialog;
  QString asked_filter;
  dialog.SetFileChooser([&](QWidget*, const QString& filter, const QString&) {
    asked_filter = filter;
    return QStringLiteral("/pictures/标志.png");
  });
  dialog.WaterMarkCheck()->click();
  QTest::mouseClick(dialog.WaterMarkButton(), Qt::LeftButton);
  EXPECT_EQ(asked_filter, QStringLiteral("PNG图片(*.PNG)"));
  EXPECT_EQ(dialog.WaterMarkEdit()->text(), QStringLiteral("/pictures/标志.png"));
  EXPECT_EQ(dialog.Settings().WaterMarkFile, "/pictures/标志.png");
}

TEST(TfrmOptionChoosers, TheFolderChooserIsTitledAndCancellable) {
  TfrmOption dialog;
  ModalWatcher watcher;
  const QString chosen =
      browse_for_folder(&dialog, QStringLiteral("Select Output Folder"), "/no/such/folder");
  EXPECT_TRUE(chosen.isEmpty());
  ASSERT_EQ(watcher.Seen().size(), 1u);
  EXPECT_EQ(watcher.Seen()[0].ClassName, QStringLiteral("QFileDialog"));
  EXPECT_EQ(watcher.Seen()[0].Title, QStringLiteral("Select Output Folder"));
}

TEST(TfrmOptionAccept, ANumberFieldHoldingSomethingElseIsRefusedByName) {
  struct Case {
    const char* name;
    QString video_bit_rate, audio_bit_rate, volume;
    bool volume_used;
    QString refused;  // the start of the message; empty: the dialog closes
  };
  const Case cases[] = {
      {"numbers", "1000", "128", "256", true, ""},
      {"a fraction of a kb/s", "1.5", "96", "256", true, ""},
      {"video bit rate", "abc", "128", "256", true, "视频比特率"},
      {"empty video bit rate", "", "128", "256", true, "视频比特率"},
      {"audio bit rate", "1000", "12x", "256", true, "音频比特率"},
      {"negative audio bit rate", "1000", "-5", "256", true, "音频比特率"},
      {"volume", "1000", "128", "loud", true, "调整音频音量"},
      {"volume not used", "1000", "128", "loud", false, ""},
  };
  for (const Case& c : cases) {
    TfrmOption dialog;
    dialog.AssignSource(VideoProbe(), nullptr);
    dialog.SetOpticalDiscTest([](const QString&) { return false; });
    dialog.VideoBitRateEdit()->setText(c.video_bit_rate);
    dialog.AudioBitRateEdit()->setText(c.audio_bit_rate);
    dialog.AudioVolumeCheck()->setChecked(c.volume_used);
    dialog.AudioVolumeEdit()->setText(c.volume);
    dialog.show();
    ModalWatcher watcher(&dialog);
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    const bool closes = c.refused.isEmpty();
    EXPECT_EQ(dialog.result() == QDialog::Accepted, closes) << c.name;
    if (closes) {
      EXPECT_TRUE(watcher.Seen().empty()) << c.name;
    } else {
      ASSERT_EQ(watcher.MessageTexts().size(), 1) << c.name;
      EXPECT_TRUE(watcher.MessageTexts()[0].startsWith(c.refused)) << watcher.MessageTexts()[0].toStdString();
      EXPECT_TRUE(watcher.MessageTexts()[0].contains("is not a number")) << c.name;
    }
    dialog.reject();
  }
}

}  // namespace
}  // namespace zentrova::ui

// The main window over the real encoder: generated files are added through
// the options dialog, converted, paused, stopped, and the outputs probed.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QComboBox>
#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "add_and_wait.h"
#include "app/ui/converter_window.h"
#include "app/ui/encoder_backend.h"
#include "app/ui/option_dialog.h"
#include "decoder/ridarivir.h"
#include "media/test_media.h"
#include "modal_watcher.h"
#include "qt/main_thread_hook.h"
#include "qt/previewer_form.h"
#include "support/first_picture.h"
#include "support/libraries.h"
#include "support/temp_dir.h"
#include "wait_until.h"

namespace zentrova::ui {
namespace {

using test::FirstPicture;
using test::MeanDifference;
using test::ModalWatcher;
using test::WaitUntil;

/// Generous: conversions run under the sanitizers on a shared machine.
constexpr int kRunTimeoutMs = 240000;

struct RealWindow {
  TQtMainThreadHook wake_hook;  // serves the core's main-thread queue from Qt's loop
  std::unique_ptr<TfrmConverter> window;
  ModalWatcher watcher;
  int dialog_shown = 0;
  QString frame_size;                         // chosen in the dialog when not empty
  std::function<void(TfrmOption&)> settings;  // applied in the dialog before OK

  RealWindow() {
    test::LoadMediaLibraries();
    window = std::make_unique<TfrmConverter>(std::make_unique<TEncoderBackend>(), TWebPages{});
    EXPECT_TRUE(window->LoadLibraries(""));
    watcher.SetAnswer([this](QWidget* modal) {
      if (modal == &window->OptionDialog()) {
        ++dialog_shown;
        if (!frame_size.isEmpty())
          window->OptionDialog().FrameSizeCombo()->setCurrentIndex(
              window->OptionDialog().FrameSizeCombo()->findText(frame_size));
        if (settings) settings(window->OptionDialog());
        window->OptionDialog().accept();
      } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
      }
    });
  }
  TfrmConverter& w() { return *window; }
  bool WaitForEnd(int timeout_ms = kRunTimeoutMs) {
    return WaitUntil([this] { return w().State() == TConverterState::Ended; }, timeout_ms);
  }
};

std::string Output(const TfrmConverter& window, int row) {
  return window.List().Row(row).OutputFile;
}

std::int64_t FileSize(const std::string& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  return error ? -1 : static_cast<std::int64_t>(size);
}

const test::ProbedStream* StreamOf(const test::ProbedFile& file, AVMediaType type) {
  for (const test::ProbedStream& stream : file.streams)
    if (stream.type == type) return &stream;
  return nullptr;
}

TEST(TfrmConverterRun, ConvertsABatchToMp4WithH264AndMp3AtTheChosenSize) {
  RealWindow f;
  test::TempDir dir;
  const std::string clip = dir.File("clip one.mp4");
  const std::string matroska = dir.File("second.mkv");
  const std::string tone = dir.File("tone.wav");
  test::MakeClip(clip, test::Mp4H264Aac(2.0));
  test::MakeClip(matroska, test::MatroskaWithSubtitles(2.0));
  test::MakeClip(tone, test::WavS16(1.5));
  f.frame_size = QStringLiteral("640x480 - 480p (4:3, VGA)");
  AddAndWait(f.w(),
             {QString::fromStdString(clip), QString::fromStdString(matroska), QString::fromStdString(tone)});
  EXPECT_EQ(f.dialog_shown, 1);
  ASSERT_EQ(f.w().List().Count(), 3) << f.w().LogPane()->toPlainText().toStdString();

  f.w().StartButton()->click();
  EXPECT_FALSE(f.w().AddButton()->isEnabled());
  ASSERT_TRUE(f.WaitForEnd()) << f.w().LogPane()->toPlainText().toStdString();
  EXPECT_TRUE(f.w().ClearButton()->isEnabled());
  EXPECT_FALSE(f.w().StartButton()->isEnabled());

  const std::string sources[] = {clip, matroska, tone};
  for (int row = 0; row < 3; ++row) {
    SCOPED_TRACE(sources[row]);
    EXPECT_EQ(f.w().List().Text(row, 4), QStringLiteral("Converted"));
    EXPECT_TRUE(f.w().List().Row(row).Marker);
    const test::ProbedFile out = test::ProbeFile(Output(f.w(), row));
    EXPECT_NE(out.format.find("mp4"), std::string::npos) << out.format;
    const test::ProbedFile in = test::ProbeFile(sources[row]);
    EXPECT_NEAR(static_cast<double>(out.duration_us), static_cast<double>(in.duration_us), 300000.0);
    const test::ProbedStream* audio = StreamOf(out, AVMEDIA_TYPE_AUDIO);
    ASSERT_NE(audio, nullptr);
    EXPECT_EQ(audio->codec, "mp3");
    const test::ProbedStream* video = StreamOf(out, AVMEDIA_TYPE_VIDEO);
    if (row == 2) {
      EXPECT_EQ(video, nullptr) << "a sound file gives sound only";
      continue;
    }
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->codec, "h264");
    EXPECT_EQ(video->width, 640);
    EXPECT_EQ(video->height, 480);
  }
  // At the default level the pane holds no encoder statistics or stream dumps.
  const QString log = f.w().LogPane()->toPlainText();
  for (const char* noise : {"vendor_id", "kb/s:", "using cpu capabilities", "Stream #0:0"})
    EXPECT_FALSE(log.contains(QString::fromLatin1(noise))) << noise << " in " << log.toStdString();
}

TEST(TfrmConverterRun, PauseFreezesTheOutputAndStopWhilePausedEndsTheRun) {
  RealWindow f;
  test::TempDir dir;
  const std::string first = dir.File("long.mp4");
  const std::string waiting = dir.File("waiting.mp4");
  test::MakeClip(first, test::Mp4H264Aac(30.0));
  test::MakeClip(waiting, test::Mp4H264Aac(1.0));
  AddAndWait(f.w(), {QString::fromStdString(first), QString::fromStdString(waiting)});
  ASSERT_EQ(f.w().List().Count(), 2);
  f.w().TaskCountEdit()->setText(QStringLiteral("1"));

  f.w().StartButton()->click();
  ASSERT_TRUE(WaitUntil([&] { return f.w().List().Row(0).CurrentSize > 0; }, kRunTimeoutMs));
  f.w().PauseButton()->click();
  QTest::qWait(600);  // reports already on their way arrive
  const std::int64_t reported = f.w().List().Row(0).CurrentSize;
  const std::int64_t size = FileSize(Output(f.w(), 0));
  QTest::qWait(2000);
  EXPECT_EQ(f.w().List().Row(0).CurrentSize, reported) << "no progress while paused";
  EXPECT_EQ(FileSize(Output(f.w(), 0)), size) << "the output does not grow while paused";

  f.w().ResumeButton()->click();
  EXPECT_TRUE(WaitUntil([&] { return f.w().List().Row(0).CurrentSize != reported; }, kRunTimeoutMs))
      << "progress goes on after Resume";

  f.w().PauseButton()->click();
  f.w().StopButton()->click();  // while paused
  EXPECT_TRUE(f.WaitForEnd(30000));
  EXPECT_TRUE(f.w().List().Text(0, 4).startsWith(QStringLiteral("Stopped at ")))
      << f.w().List().Text(0, 4).toStdString();
  EXPECT_EQ(f.w().List().Text(1, 4), QStringLiteral("Stopped before it started"));
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(Output(f.w(), 1))))
      << "the empty output made when the task was added is removed";
  f.w().ListView()->selectRow(1);
  f.w().PopupMenu1Popup();
  EXPECT_FALSE(f.w().PlayAction()->isEnabled()) << "nothing to play";
  // The stopped output is complete up to where it stopped, and offered for playing.
  const test::ProbedFile out = test::ProbeFile(Output(f.w(), 0));
  EXPECT_GT(out.duration_us, 0);
  f.w().ListView()->selectRow(0);
  f.w().PopupMenu1Popup();
  EXPECT_TRUE(f.w().PlayAction()->isEnabled());
}

TEST(TfrmConverterRun, AnOutputFolderThatCannotBeWrittenLeavesNoRowAndSaysWhy) {
  RealWindow f;
  test::TempDir dir;
  const std::string clip = dir.File("clip.mp4");
  test::MakeClip(clip, test::Mp4H264Aac(1.0));
  f.w().OptionDialog().SetOpticalDiscTest([](const QString&) { return false; });
  f.w().OptionDialog().SetFolderChooser([&](QWidget*, const QString&, const QString&) {
    return QString::fromStdString(dir.File("missing")) + '/';
  });
  f.w().OptionDialog().btnOutPathClick();
  AddAndWait(f.w(), {QString::fromStdString(clip)});
  EXPECT_EQ(f.w().List().Count(), 0);
  const QString log = f.w().LogPane()->toPlainText();
  const QString expected =
      QStringLiteral("***Cannot do convert, error: ") + QString::fromStdString(dir.File("missing"));
  EXPECT_TRUE(log.contains(expected)) << log.toStdString();
  EXPECT_FALSE(f.w().StartButton()->isEnabled());
}

TEST(TfrmConverterRun, TasksRemovedOrClearedBeforeRunningLeaveNoEmptyOutputs) {
  RealWindow f;
  test::TempDir dir;
  const std::string clip = dir.File("clip.mp4");
  test::MakeClip(clip, test::Mp4H264Aac(1.0));
  AddAndWait(f.w(),
             {QString::fromStdString(clip), QString::fromStdString(clip), QString::fromStdString(clip)});
  ASSERT_EQ(f.w().List().Count(), 3);
  const std::string outputs[] = {Output(f.w(), 0), Output(f.w(), 1), Output(f.w(), 2)};
  f.w().ListView()->selectRow(1);
  f.w().RemoveButton()->click();
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(outputs[1])));
  EXPECT_EQ(f.w().List().Count(), 2);
  f.w().ClearButton()->click();
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(outputs[0])));
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(outputs[2])));
  EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(clip)));
}

TEST(TfrmConverterRun, AnEarlierOutputSurvivesAddingAndClearingItsTask) {
  // Also what a second window does with the output the first one finished.
  RealWindow f;
  test::TempDir dir;
  const std::string clip = dir.File("clip.mp4");
  test::MakeClip(clip, test::Mp4H264Aac(0.5));
  const std::string earlier = dir.File("clip_(new).mp4");
  std::ofstream(earlier, std::ios::binary) << "an earlier output";
  for (const bool overwrite : {true, false}) {
    f.w().OptionDialog().OverwriteCheck()->setChecked(overwrite);
    AddAndWait(f.w(), {QString::fromStdString(clip)});
    ASSERT_EQ(f.w().List().Count(), 1);
    const std::string output = Output(f.w(), 0);
    EXPECT_EQ(output == earlier, overwrite) << output;
    f.w().ClearButton()->click();
    std::ifstream in(earlier, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "an earlier output") << overwrite;
    if (output != earlier) {
      EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(output))) << output;
    }
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(output + ".part")));
  }
}

/// Near-white pixels of the first picture of `file` in the band where the
/// output hook writes its text.
int WhitePixelsInTextBand(const std::string& file) {
  TRIDarivir decoder;
  if (!decoder.LoadFile(file) || !decoder.Decode(-1)) return -1;
  TBitmap picture;
  if (!decoder.CopyToBitmap(picture) || picture.PixelFormat() != TBMPPixelFormat::pf32bit) return -1;
  int count = 0;
  for (int y = 10; y < 30 && y < picture.Height(); ++y)
    for (int x = 10; x < 300 && x < picture.Width(); ++x) {
      const std::uint8_t* p = picture.ScanLine(y) + x * 4;
      if (p[0] > 220 && p[1] > 220 && p[2] > 220) ++count;
    }
  return count;
}

TEST(TfrmConverterRun, TheHiddenHookBoxesHookTheTasksPicturesAndSound) {
  RealWindow f;
  test::TempDir dir;
  const std::string clip = dir.File("clip.mp4");
  test::ClipSpec mono = test::Mp4H264Aac(1.0);
  mono.audio[0].channels = 1;
  test::MakeClip(clip, mono);
  f.settings = [](TfrmOption& dialog) {
    dialog.VideoOutputHookCheck()->setChecked(true);
    dialog.AudioHookCheck()->setChecked(true);
  };
  AddAndWait(f.w(), {QString::fromStdString(clip)});
  ASSERT_EQ(f.w().List().Count(), 1);
  f.w().StartButton()->click();
  ASSERT_TRUE(f.WaitForEnd()) << f.w().LogPane()->toPlainText().toStdString();
  QTest::qWait(200);  // the hook's message is posted to the GUI thread
  EXPECT_EQ(f.w().List().Text(0, 4), QStringLiteral("Converted"));
  EXPECT_EQ(f.watcher.MessageTexts(), QStringList{QStringLiteral("Ignore mono for current audio hooking.")})
      << "told once, from the GUI thread";
  // Picture 1 carries the frame number text.
  const int source_white = WhitePixelsInTextBand(clip);
  const int output_white = WhitePixelsInTextBand(Output(f.w(), 0));
  ASSERT_GE(source_white, 0);
  EXPECT_GT(output_white, source_white + 50);
}

TEST(TfrmConverterRun, ClosingDuringARunAsksAndOnYesStopsTheTasksLeavingPlayableOutputs) {
  test::TempDir dir;
  const std::string clip = dir.File("long.mp4");
  std::string output;
  {
    RealWindow f;
    test::MakeClip(clip, test::Mp4H264Aac(30.0));
    AddAndWait(f.w(), {QString::fromStdString(clip)});
    ASSERT_EQ(f.w().List().Count(), 1);
    output = Output(f.w(), 0);
    f.w().show();
    f.w().StartButton()->click();
    ASSERT_TRUE(WaitUntil([&] { return f.w().List().Row(0).CurrentSize > 0; }, kRunTimeoutMs));
    QStringList asked;
    for (const QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
      f.watcher.SetAnswer([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        asked << box->text();
        box->button(answer)->click();
      });
      f.w().close();
      EXPECT_EQ(f.w().isVisible(), answer == QMessageBox::No);
      if (answer == QMessageBox::No) {
        EXPECT_EQ(f.w().State(), TConverterState::Running) << "the run goes on";
      }
    }
    EXPECT_EQ(asked, QStringList(2, QStringLiteral("Conversions are running. Stop them and quit?")));
  }
  EXPECT_GT(test::ProbeFile(output).duration_us, 0);
}

TEST(TfrmConverterRun, StopSaysSoAtOnceAndEachRowSaysWhatBecameOfIt) {
  RealWindow f;
  test::TempDir dir;
  const std::string running = dir.File("running.mp4");
  const std::string waiting = dir.File("waiting.mp4");
  test::MakeClip(running, test::Mp4H264Aac(30.0));
  test::MakeClip(waiting, test::Mp4H264Aac(1.0));
  AddAndWait(f.w(), {QString::fromStdString(running), QString::fromStdString(waiting)});
  ASSERT_EQ(f.w().List().Count(), 2);
  f.w().TaskCountEdit()->setText(QStringLiteral("1"));
  f.w().StartButton()->click();
  ASSERT_TRUE(WaitUntil([&] { return f.w().List().Row(0).CurrentSize > 0; }, kRunTimeoutMs));
  f.w().StopButton()->click();
  // Before any task has finalised: the buttons and the rows tell already.
  EXPECT_FALSE(f.w().StopButton()->isEnabled());
  EXPECT_FALSE(f.w().PauseButton()->isEnabled());
  EXPECT_EQ(f.w().List().Text(0, 4), QStringLiteral("Stopping"));
  EXPECT_EQ(f.w().List().Text(1, 4), QStringLiteral("Stopping"));
  ASSERT_TRUE(f.WaitForEnd(60000));
  EXPECT_TRUE(f.w().List().Text(0, 4).startsWith(QStringLiteral("Stopped at ")))
      << f.w().List().Text(0, 4).toStdString();
  EXPECT_TRUE(f.w()
                  .List()
                  .data(f.w().List().index(0, 4), Qt::ToolTipRole)
                  .toString()
                  .startsWith(QStringLiteral("Stopped by the user after ")));
  EXPECT_EQ(f.w().List().Text(1, 4), QStringLiteral("Stopped before it started"));
  EXPECT_GT(test::ProbeFile(Output(f.w(), 0)).duration_us, 0) << "the stopped output is finalised";
  EXPECT_TRUE(f.w().StatusLine()->text().contains(QStringLiteral("2 stopped")))
      << f.w().StatusLine()->text().toStdString();
}

TEST(TfrmConverterRun, ThePreviewSwitchShowsTheRunningConversionInAWindow) {
  RealWindow f;
  test::TempDir dir;
  const std::string clip = dir.File("clip.mp4");
  test::MakeClip(clip, test::Mp4H264Aac(2.0));
  AddAndWait(f.w(), {QString::fromStdString(clip)});
  ASSERT_EQ(f.w().List().Count(), 1);
  f.w().show();
  ASSERT_TRUE(f.w().PreviewCheck()->isVisible());
  f.w().PreviewCheck()->click();
  f.w().StartButton()->click();
  // The application installed the Qt preview window at start-up: a window
  // the size of the output's pictures shows them with their time as title.
  TPreviewerForm* preview = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
          if (auto* form = qobject_cast<TPreviewerForm*>(widget); form && form->isVisible()) preview = form;
        return preview != nullptr || f.w().State() == TConverterState::Ended;
      },
      kRunTimeoutMs));
  ASSERT_NE(preview, nullptr) << f.w().LogPane()->toPlainText().toStdString();
  EXPECT_EQ(preview->Frame().size(), QSize(320, 240));
  EXPECT_FALSE(preview->windowTitle().isEmpty());
  ASSERT_TRUE(f.WaitForEnd()) << f.w().LogPane()->toPlainText().toStdString();
  EXPECT_EQ(f.w().List().Text(0, 4), QStringLiteral("Converted"));
  EXPECT_FALSE(f.w().LogPane()->toPlainText().contains(QStringLiteral("No preview window")));
}

TEST(TfrmConverterRun, AWatermarkWiderThanTheOutputIsScaledToAQuarterOfItsWidth) {
  RealWindow f;
  test::TempDir dir;
  const std::string clip = dir.File("clip.mp4");
  test::MakeClip(clip, test::Mp4H264Aac(0.5));
  test::ClipSpec logo_spec = test::PngStill();
  logo_spec.video->width = 1280;
  logo_spec.video->height = 720;
  const std::string logo = dir.File("big logo.png");
  test::MakeClip(logo, logo_spec);
  // The plain batch also sets the volume: no deprecation warning is logged for it.
  f.settings = [](TfrmOption& dialog) {
    dialog.AudioVolumeCheck()->setChecked(true);
    dialog.AudioVolumeEdit()->setText(QStringLiteral("128"));
  };
  AddAndWait(f.w(), {QString::fromStdString(clip)});
  f.settings = [&](TfrmOption& dialog) {
    dialog.WaterMarkCheck()->setChecked(true);
    dialog.WaterMarkEdit()->setText(QString::fromStdString(logo));
  };
  AddAndWait(f.w(), {QString::fromStdString(clip)});
  ASSERT_EQ(f.w().List().Count(), 2);
  f.w().StartButton()->click();
  ASSERT_TRUE(f.WaitForEnd()) << f.w().LogPane()->toPlainText().toStdString();
  const TBitmap plain = FirstPicture(Output(f.w(), 0));
  const TBitmap marked = FirstPicture(Output(f.w(), 1));
  ASSERT_EQ(plain.Width(), 320);
  ASSERT_EQ(marked.Width(), 320);
  // 1280x720 scaled to 80x45, placed at (230, 10): the rest of the picture shows through.
  EXPECT_GT(MeanDifference(plain, marked, 240, 15, 30), 20.0);
  EXPECT_LT(MeanDifference(plain, marked, 20, 100, 100), 6.0);
  EXPECT_LT(MeanDifference(plain, marked, 240, 65, 30), 6.0) << "the picture keeps its shape";
  EXPECT_FALSE(f.w().LogPane()->toPlainText().contains(QStringLiteral("deprecated")))
      << f.w().LogPane()->toPlainText().toStdString();
}

}  // namespace
}  // namespace zentrova::ui

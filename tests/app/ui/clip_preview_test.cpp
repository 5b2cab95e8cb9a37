#include "app/ui/clip_preview.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTest>

#include "app/ui/option_dialog.h"
#include "convert/clip_times.h"
#include "convert/option_builder.h"
#include "modal_watcher.h"
#include "synthetic_frames.h"

namespace zentrova::ui {
namespace {

using test::ModalWatcher;
using test::SyntheticFrames;

constexpr std::int64_t kFrameUs = 40000;  // 25 fps

app::TSourceProbe Probe(std::int64_t duration_us, bool video, const std::string& format = "mov,mp4") {
  app::TSourceProbe probe;
  probe.FileName = "/media/clip.mp4";
  probe.FormatName = format;
  probe.FileInfoText = "Stream #0, 1/25: Video: h264, yuv420p, 64x48, 500 kb/s, 25 fps";
  probe.FileStartTime = 0;
  probe.FileDuration = duration_us;
  probe.FirstVideoStreamIndex = video ? 0 : -1;
  probe.FirstAudioStreamIndex = video ? 1 : 0;
  probe.Width = 64;
  probe.Height = 48;
  probe.VideoDurationScaled = video ? duration_us : -1;
  probe.FrameRateNum = 25;
  probe.FrameRateDen = 1;
  return probe;
}

/// The grey level at the centre of the preview.
int CentreLevel(const TClipPreview& clip) {
  const QImage& image = clip.PreviewImage();
  return qBlue(image.pixel(image.width() / 2, image.height() / 2));
}

TEST(TClipPreview, TheFirstPictureOfEverySourceIsDecodedIntoThePreview) {
  TfrmOption dialog;
  SyntheticFrames frames(250, kFrameUs);
  dialog.AssignSource(Probe(10000000, true), &frames);
  const TClipPreview& clip = *dialog.ClipGroup();
  EXPECT_EQ(clip.Slider()->maximum(), 250);
  EXPECT_EQ(clip.Slider()->value(), 0);
  EXPECT_TRUE(clip.Slider()->isEnabled());
  EXPECT_EQ(frames.Current(), 0);
  EXPECT_EQ(CentreLevel(clip), SyntheticFrames::Level(0));
  EXPECT_EQ(clip.Picture().Width(), 64);
  EXPECT_EQ(clip.TimeLabel()->text(), QStringLiteral("00:00:00.000"));
}

TEST(TClipPreview, SlidingOneStepDecodesOneFrameAndAJumpSeeks) {
  TfrmOption dialog;
  SyntheticFrames frames(250, kFrameUs);
  dialog.AssignSource(Probe(10000000, true), &frames);
  TClipPreview& clip = *dialog.ClipGroup();

  clip.Slider()->setValue(1);
  EXPECT_EQ(frames.Current(), 1);
  EXPECT_EQ(CentreLevel(clip), SyntheticFrames::Level(1));
  clip.Slider()->setValue(2);
  EXPECT_EQ(frames.Current(), 2);
  clip.Slider()->setValue(1);
  EXPECT_EQ(frames.Current(), 1);
  EXPECT_EQ(frames.previous_calls, 1);
  EXPECT_TRUE(frames.seeks.empty());

  clip.Slider()->setValue(101);  // 4.04 s: the plain seek lands on 104, past the target
  ASSERT_EQ(frames.seeks.size(), 1u);
  EXPECT_EQ(frames.seeks[0], TPreviewSeek::Plain);
  EXPECT_EQ(frames.Current(), 104);
  EXPECT_EQ(clip.CurrentPTS(), 104 * kFrameUs);
  EXPECT_EQ(clip.TimeLabel()->text(), QStringLiteral("00:00:04.160"));
  EXPECT_EQ(clip.Slider()->value(), 101) << "the slider stays where the user put it";
}

TEST(TClipPreview, AJumpTriesBackwardThenAnySeeks) {
  struct Case {
    const char* name;
    std::vector<TPreviewSeek> failing;
    std::vector<TPreviewSeek> tried;
    int shown;  // picture shown after the jump to step 101
  };
  const Case cases[] = {
      {"plain fails", {TPreviewSeek::Plain}, {TPreviewSeek::Plain, TPreviewSeek::Backward}, 101},
      {"plain and backward fail",
       {TPreviewSeek::Plain, TPreviewSeek::Backward},
       {TPreviewSeek::Plain, TPreviewSeek::Backward, TPreviewSeek::Any},
       101},
      {"all fail",
       {TPreviewSeek::Plain, TPreviewSeek::Backward, TPreviewSeek::Any},
       {TPreviewSeek::Plain, TPreviewSeek::Backward, TPreviewSeek::Any},
       0},
  };
  for (const Case& c : cases) {
    TfrmOption dialog;
    SyntheticFrames frames(250, kFrameUs);
    dialog.AssignSource(Probe(10000000, true), &frames);
    frames.failing_modes = c.failing;
    dialog.ClipGroup()->Slider()->setValue(101);
    EXPECT_EQ(frames.seeks, c.tried) << c.name;
    EXPECT_EQ(CentreLevel(*dialog.ClipGroup()), SyntheticFrames::Level(c.shown)) << c.name;
    EXPECT_EQ(dialog.ClipGroup()->CurrentPTS(), c.shown * kFrameUs) << c.name;
  }
}

TEST(TClipPreview, CutClipIsEnabledOnlyWhileStartIsBeforeEnd) {
  TfrmOption dialog;
  SyntheticFrames frames(250, kFrameUs);
  dialog.AssignSource(Probe(10000000, true), &frames);
  TClipPreview& clip = *dialog.ClipGroup();

  clip.Slider()->setValue(100);
  clip.btnEndTimeClick();  // end first: start still unset
  EXPECT_FALSE(clip.CutClip()->isEnabledTo(&clip));
  EXPECT_EQ(clip.EndEdit()->text(), QString::fromStdString(app::clip_time_text(clip.CurrentPTS())));
  EXPECT_EQ(clip.StartEdit()->text(), QStringLiteral("N/A"));

  clip.Slider()->setValue(150);
  clip.btnStartTimeClick();  // start after end
  EXPECT_FALSE(clip.CutClip()->isEnabledTo(&clip));

  clip.Slider()->setValue(25);
  clip.btnStartTimeClick();
  EXPECT_TRUE(clip.CutClip()->isEnabledTo(&clip));
  EXPECT_EQ(clip.SelectionStart(), 25);
  EXPECT_EQ(clip.SelectionEnd(), 100);

  // Checked, the clip reaches the option strings: seek in, duration out.
  clip.CutClip()->setChecked(true);
  const std::int64_t start = dialog.SourceState().StartTime;
  const std::int64_t end = dialog.SourceState().EndTime;
  ASSERT_LT(start, end);
  EXPECT_EQ(dialog.BuildInputOptions().Options, fmt::format(" -ss {}", static_cast<double>(start) / 1e6));
  app::BuildEnv env;
  EXPECT_NE(dialog.BuildOutputOptions(env).Options.find(
                fmt::format(" -t {}", static_cast<double>(end - start) / 1e6)),
            std::string::npos);
}

TEST(TClipPreview, TheSameSourceAgainKeepsTheMarksAnotherOneClearsThem) {
  TfrmOption dialog;
  SyntheticFrames frames(250, kFrameUs);
  dialog.AssignSource(Probe(10000000, true), &frames);
  TClipPreview& clip = *dialog.ClipGroup();
  clip.Slider()->setValue(10);
  clip.btnStartTimeClick();
  clip.Slider()->setValue(20);
  clip.btnEndTimeClick();
  clip.CutClip()->setChecked(true);

  SyntheticFrames again(250, kFrameUs);
  dialog.AssignSource(Probe(10000000, true), &again);
  EXPECT_TRUE(clip.CutClip()->isChecked());
  EXPECT_NE(clip.StartEdit()->text(), QStringLiteral("N/A"));
  EXPECT_EQ(again.Current(), 0) << "the preview is always reset and shows the first picture";

  SyntheticFrames other(500, kFrameUs);
  dialog.AssignSource(Probe(20000000, true), &other);
  EXPECT_FALSE(clip.CutClip()->isChecked());
  EXPECT_FALSE(clip.CutClip()->isEnabledTo(&clip));
  EXPECT_EQ(clip.StartEdit()->text(), QStringLiteral("N/A"));
  EXPECT_EQ(clip.EndEdit()->text(), QStringLiteral("N/A"));
  EXPECT_EQ(clip.Slider()->maximum(), 500);
}

TEST(TClipPreview, StepsOfSourcesWithoutVideoOrDuration) {
  struct Case {
    const char* name;
    app::TSourceProbe probe;
    int maximum;
    bool enabled;
  };
  const Case cases[] = {
      {"10 s of audio: ten steps a second", Probe(10000000, false), 100, true},
      {"a picture sequence", Probe(10000000, true, "image2"), 250, false},
      {"unknown duration", Probe(-1, true), 10, false},
  };
  for (const Case& c : cases) {
    TfrmOption dialog;
    SyntheticFrames frames(250, kFrameUs);
    dialog.AssignSource(c.probe, &frames);
    EXPECT_EQ(dialog.ClipGroup()->Slider()->maximum(), c.maximum) << c.name;
    EXPECT_EQ(dialog.ClipGroup()->Slider()->isEnabled(), c.enabled) << c.name;
  }
  // Without video the slider only moves the time.
  TfrmOption dialog;
  SyntheticFrames frames(250, kFrameUs);
  dialog.AssignSource(Probe(10000000, false), &frames);
  dialog.ClipGroup()->Slider()->setValue(55);
  EXPECT_EQ(dialog.ClipGroup()->TimeLabel()->text(), QStringLiteral("00:00:05.500"));
  EXPECT_EQ(frames.next_calls, 0);
  EXPECT_TRUE(frames.seeks.empty());
}

TEST(TClipPreview, APictureWithoutSizeIsNotDrawn) {
  TfrmOption dialog;
  SyntheticFrames frames(250, kFrameUs, 0, 0);
  dialog.AssignSource(Probe(10000000, true), &frames);
  EXPECT_EQ(dialog.ClipGroup()->PreviewImage().pixel(120, 90), TClipPreview::kPreviewFill);
  ModalWatcher watcher;
  dialog.ClipGroup()->Image1Click();  // nothing to show at actual size
  QTest::qWait(60);
  EXPECT_TRUE(watcher.Seen().empty());
}

TEST(TClipPreview, ActualSizeViewShowsThePictureAndItsTime) {
  TfrmOption dialog;
  SyntheticFrames frames(250, kFrameUs, 320, 200);
  dialog.AssignSource(Probe(10000000, true), &frames);
  dialog.ClipGroup()->btnNextFrameClick();
  QSize shown_size;
  ModalWatcher watcher;
  watcher.SetAnswer([&](QWidget* view) {
    shown_size = view->size();
    QTest::keyClick(view, Qt::Key_Escape);
  });
  dialog.ClipGroup()->Image1Click();
  ASSERT_EQ(watcher.Seen().size(), 1u);
  EXPECT_EQ(watcher.Seen()[0].Title, QStringLiteral("320x200 @ 00:00:00.040"));
  EXPECT_EQ(shown_size, QSize(320, 200));
}

}  // namespace
}  // namespace zentrova::ui

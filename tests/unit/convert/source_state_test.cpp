#include "convert/source_state.h"

#include <gtest/gtest.h>
#include <string>

#include "convert/option_builder.h"
#include "convert/source_information.h"

namespace zentrova::app {
namespace {

constexpr std::int64_t kSecond = 1000000;

TSourceProbe VideoProbe(const std::string& file_name, const std::string& stream_line) {
  TSourceProbe probe;
  probe.FileName = file_name;
  probe.FormatName = "mov,mp4,m4a,3gp,3g2,mj2";
  probe.FileInfoText =
      "File Name: " + file_name + "\nDuration: 00:00:10.00, start: 0.000000, bitrate: N/A\n" + stream_line;
  probe.FileStartTime = 0;
  probe.FileDuration = 10 * kSecond;
  probe.FirstVideoStreamIndex = 0;
  probe.FirstAudioStreamIndex = 1;
  probe.Width = 640;
  probe.Height = 480;
  probe.VideoDurationScaled = 10 * kSecond;
  probe.FrameRateNum = 25;
  probe.FrameRateDen = 1;
  probe.SampleRate = 48000;
  probe.Channels = 6;
  return probe;
}

const std::string kLineWithRate =
    "  Stream #0, 1/25: Video: h264 (High), yuv420p, 640x480, 1000 kb/s, 25 fps";
const std::string kLineWithoutRate =
    "  Stream #0, 1/1000: Video: vp8, yuv420p(tv, progressive), 640x480, 25 fps";

TEST(AssignSource, TakesOverTheSourcesFactsAndBitRate) {
  TSourceState state;
  OutputSettings settings;
  const TAssignResult result = AssignSource(state, VideoProbe("/m/x.mp4", kLineWithRate), settings);
  EXPECT_TRUE(result.FullReset);
  EXPECT_EQ(result.Message, "");
  EXPECT_EQ(settings.VideoBitRate, " 1000");
  EXPECT_EQ(state.VideoStreamIndex, 0);
  EXPECT_EQ(state.AudioStreamIndex, 1);
  EXPECT_EQ(state.Duration, 10 * kSecond);
  EXPECT_EQ(state.Frames, 250);
  EXPECT_TRUE(state.SliderEnabled);
  EXPECT_EQ(state.InfoLines.size(), 5u);

  const SourceFacts facts = state.Facts();
  EXPECT_EQ(facts.FileName, "/m/x.mp4");
  EXPECT_EQ(facts.Width, 640);
  EXPECT_EQ(facts.Height, 480);
  EXPECT_EQ(facts.FrameRateNum, 25);
  EXPECT_EQ(facts.FrameRateDen, 1);
  EXPECT_TRUE(facts.HasVideo());
  EXPECT_TRUE(facts.HasAudio());
  EXPECT_EQ(facts.SampleRate, 48000);
  EXPECT_EQ(facts.Channels, 6);
}

// A stream line without bit rate still sets index, duration, steps and size,
// so a chosen frame size is not dropped; the message is shown and the edit
// keeps its value.
TEST(AssignSource, WithoutBitRateTheOtherFactsAreStillSet) {
  TSourceState state;
  OutputSettings settings;
  settings.VideoBitRate = "800";
  const TAssignResult result = AssignSource(state, VideoProbe("/m/y.webm", kLineWithoutRate), settings);
  EXPECT_EQ(result.Message, kBitRateErrorMessage);
  EXPECT_EQ(settings.VideoBitRate, "800");
  EXPECT_EQ(state.VideoStreamIndex, 0);
  EXPECT_EQ(state.Duration, 10 * kSecond);
  EXPECT_EQ(state.Frames, 250);
  EXPECT_EQ(state.Width, 640);

  settings.FrameSize = 6;  // 320x240
  const TOutputOptions output = BuildOutputOptions(settings, state.Facts(), BuildEnv{});
  EXPECT_NE(output.Options.find("-vf \"scale=320:240\""), std::string::npos) << output.Options;
}

TEST(AssignSource, AnotherSourceResetsTheClipTheSameSourceKeepsIt) {
  TSourceState state;
  OutputSettings settings;
  const TSourceProbe first = VideoProbe("/m/x.mp4", kLineWithRate);
  AssignSource(state, first, settings);
  NotePictureShown(state, 40000);
  SetClipStart(state, settings, 2 * kSecond);
  SetClipEnd(state, settings, 4 * kSecond);
  settings.CutClipChecked = true;

  const TAssignResult again = AssignSource(state, first, settings);
  EXPECT_FALSE(again.FullReset);
  EXPECT_EQ(state.StartTime, 2 * kSecond);
  EXPECT_EQ(state.EndTime, 4 * kSecond);
  EXPECT_EQ(state.FirstPTS, 40000);
  EXPECT_TRUE(settings.CutClipEnabled && settings.CutClipChecked);

  struct Change {
    const char* name;
    void (*apply)(TSourceProbe&);
  } changes[] = {
      {"file name", [](TSourceProbe& p) { p.FileName = "/m/other.mp4"; }},
      {"duration", [](TSourceProbe& p) { p.FileDuration += 1; }},
      {"start time", [](TSourceProbe& p) { p.FileStartTime = 1400; }},
  };
  for (const Change& change : changes) {
    AssignSource(state, first, settings);
    SetClipStart(state, settings, 2 * kSecond);
    SetClipEnd(state, settings, 4 * kSecond);
    settings.CutClipChecked = true;
    TSourceProbe other = first;
    change.apply(other);
    const TAssignResult result = AssignSource(state, other, settings);
    EXPECT_TRUE(result.FullReset) << change.name;
    EXPECT_EQ(state.StartTime, kTimeNotSet) << change.name;
    EXPECT_EQ(state.EndTime, kNoTimeValue) << change.name;
    EXPECT_EQ(state.FirstPTS, kTimeNotSet) << change.name;
    EXPECT_FALSE(settings.CutClipEnabled) << change.name;
    EXPECT_FALSE(settings.CutClipChecked) << change.name;
  }
}

TEST(AssignSource, SliderNeedsAKnownDurationAndNoPictureSequence) {
  struct Case {
    const char* format;
    std::int64_t duration;
    bool enabled;
    std::int64_t kept_duration;
  } cases[] = {
      {"mov,mp4,m4a,3gp,3g2,mj2", 10 * kSecond, true, 10 * kSecond},
      {"image2", 10 * kSecond, false, 10 * kSecond},
      {"mov,mp4,m4a,3gp,3g2,mj2", -1, false, 0},
      {"mov,mp4,m4a,3gp,3g2,mj2", kNoTimeValue, false, 0},
  };
  for (const Case& c : cases) {
    TSourceState state;
    OutputSettings settings;
    TSourceProbe probe = VideoProbe("/m/x.mp4", kLineWithRate);
    probe.FormatName = c.format;
    probe.FileDuration = c.duration;
    AssignSource(state, probe, settings);
    EXPECT_EQ(state.SliderEnabled, c.enabled) << c.format << " " << c.duration;
    EXPECT_EQ(state.Duration, c.kept_duration) << c.format << " " << c.duration;
  }
}

TEST(SourceFrames, FramesFromStreamOrFileDurationElseTenASecond) {
  struct Case {
    const char* name;
    int video_index;
    std::int64_t stream_duration;
    std::int64_t file_duration;
    int num, den;
    int frames;
  } cases[] = {
      {"10 s at 25 fps", 0, 10 * kSecond, 20 * kSecond, 25, 1, 250},
      {"stream duration unknown: the file's", 0, -1, 20 * kSecond, 25, 1, 500},
      {"29.97 fps", 0, 10 * kSecond, -1, 30000, 1001, 300},
      {"nothing known keeps the previous", 0, -1, -1, 25, 1, 7},
      {"10 s audio", -1, -1, 10 * kSecond, 0, 1, 100},
      {"no frame rate: ten a second", 0, 10 * kSecond, 3 * kSecond, 25, 0, 30},
      {"ties round to even, down", -1, -1, 250000, 0, 1, 2},
      {"ties round to even, up", -1, -1, 350000, 0, 1, 4},
      {"audio of unknown length keeps the previous", -1, -1, -1, 0, 1, 7},
  };
  for (const Case& c : cases) {
    TSourceProbe probe;
    probe.FirstVideoStreamIndex = c.video_index;
    probe.VideoDurationScaled = c.stream_duration;
    probe.FileDuration = c.file_duration;
    probe.FrameRateNum = c.num;
    probe.FrameRateDen = c.den;
    EXPECT_EQ(SourceFrames(probe, 7), c.frames) << c.name;
  }
}

TEST(ClipMarks, CutClipIsEnabledOnlyWhileStartIsBeforeEnd) {
  TSourceState state;
  OutputSettings settings;
  SetClipEnd(state, settings, 1 * kSecond);
  EXPECT_FALSE(settings.CutClipEnabled);  // start not set
  SetClipStart(state, settings, 3 * kSecond);
  EXPECT_FALSE(settings.CutClipEnabled);  // start after end
  SetClipEnd(state, settings, 5 * kSecond);
  EXPECT_TRUE(settings.CutClipEnabled);
  EXPECT_FALSE(settings.CutClipChecked);  // the user's check is left alone
  settings.CutClipChecked = true;
  SetClipStart(state, settings, 5 * kSecond);
  EXPECT_FALSE(settings.CutClipEnabled);
  EXPECT_TRUE(settings.CutClipChecked);
}

TEST(NotePictureShown, OnlyTheFirstPictureSetsTheFirstTime) {
  TSourceState state;
  NotePictureShown(state, -kSecond);
  NotePictureShown(state, 0);
  EXPECT_EQ(state.FirstPTS, -kSecond);
  EXPECT_EQ(state.Facts().FirstPTS, -kSecond);
}

}  // namespace
}  // namespace zentrova::app

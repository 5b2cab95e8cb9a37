// Join mode end to end: generated clips concatenated into one output.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string_view>

#include "join/join_run.h"
#include "join/picture_check.h"
#include "media/test_media.h"
#include "support/libraries.h"
#include "support/temp_dir.h"
#include "transcode/packet_probe.h"

namespace zentrova::test {
namespace {

constexpr double kTolerance_us = 100000.0;

// dts strictly increasing, pts never repeated, in file order of one stream.
void ExpectTimestampsValid(const std::vector<ProbedPacket>& packets, const char* what) {
  std::set<std::int64_t> pts_seen;
  for (std::size_t i = 0; i < packets.size(); ++i) {
    EXPECT_TRUE(pts_seen.insert(packets[i].pts).second) << what << " pts repeated at packet " << i;
    if (i > 0) {
      EXPECT_GT(packets[i].dts, packets[i - 1].dts) << what << " dts not increasing at packet " << i;
    }
  }
}

TEST(JoinMode, TwoClipsBecomeOneOutputWithEveryPictureOnce) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string a = dir.File("a.mp4");
  const std::string b = dir.File("b.mp4");
  MakeClip(a, Mp4H264Aac(5.0));
  MakeClip(b, Mp4H264Aac(5.0));
  const std::string output = dir.File("joined.mp4");

  const JoinRun run = RunJoin({{a, ""}, {b, ""}}, output, kJoinConversion);
  ASSERT_TRUE(run.opened) << run.message;
  EXPECT_TRUE(run.finished) << run.message << "\n" << run.LogText();

  const ProbedFile out = ProbeFile(output);
  ASSERT_EQ(out.streams.size(), 2u);
  EXPECT_EQ(out.streams[0].type, AVMEDIA_TYPE_VIDEO);
  EXPECT_EQ(out.streams[1].type, AVMEDIA_TYPE_AUDIO);
  EXPECT_NEAR(static_cast<double>(out.duration_us), 10e6, kTolerance_us);

  const std::vector<ProbedPacket> packets = ReadPackets(output);
  const std::vector<ProbedPacket> video = PacketsOf(packets, AVMEDIA_TYPE_VIDEO);
  ExpectTimestampsValid(video, "video");
  ExpectTimestampsValid(PacketsOf(packets, AVMEDIA_TYPE_AUDIO), "audio");

  // Presentation times: one picture every 1/25 s, none missing at the seam.
  std::vector<double> times;
  for (const ProbedPacket& p : video) times.push_back(p.PtsSeconds());
  std::sort(times.begin(), times.end());
  ASSERT_EQ(times.size(), 250u);
  for (std::size_t i = 1; i < times.size(); ++i)
    EXPECT_NEAR(times[i] - times[i - 1], 0.04, 0.002) << "at " << i;

  // Each output picture shows the source picture of its place in its clip:
  // closer to that one than to its neighbours.
  const auto source = DecodeLumaSamples(a);
  const auto joined = DecodeLumaSamples(output);
  ASSERT_EQ(source.size(), 125u);
  ASSERT_EQ(joined.size(), 250u);
  for (std::size_t j = 0; j < joined.size(); ++j) {
    const std::size_t i = j % 125;
    const double own = MeanDifference(joined[j], source[i]);
    if (i > 0) {
      EXPECT_LT(own, MeanDifference(joined[j], source[i - 1])) << "picture " << j;
    }
    if (i + 1 < source.size()) {
      EXPECT_LT(own, MeanDifference(joined[j], source[i + 1])) << "picture " << j;
    }
  }
}

TEST(JoinMode, AnInputLimitedByItsOwnDurationEndsItsSegmentOnly) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string a = dir.File("a.mp4");
  const std::string b = dir.File("b.mp4");
  const std::string c = dir.File("c.mp4");
  for (const std::string& f : {a, b, c}) MakeClip(f, Mp4H264Aac(5.0));
  const std::string output = dir.File("joined.mp4");

  const JoinRun run = RunJoin({{a, ""}, {b, "-t 2"}, {c, ""}}, output, kJoinConversion);
  ASSERT_TRUE(run.opened) << run.message;
  EXPECT_TRUE(run.finished) << run.message << "\n" << run.LogText();
  const ProbedFile out = ProbeFile(output);
  EXPECT_NEAR(static_cast<double>(out.duration_us), 12e6, kTolerance_us);
  EXPECT_EQ(CountVideoFrames(output), 300);
  const std::vector<ProbedPacket> packets = ReadPackets(output);
  ExpectTimestampsValid(PacketsOf(packets, AVMEDIA_TYPE_VIDEO), "video");
  ExpectTimestampsValid(PacketsOf(packets, AVMEDIA_TYPE_AUDIO), "audio");
}

// An output -t limits the joined output as a whole, not each segment.
TEST(JoinMode, AnOutputDurationLimitsTheWholeJoinedOutput) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string a = dir.File("a.mp4");
  const std::string b = dir.File("b.mp4");
  MakeClip(a, Mp4H264Aac(3.0));
  MakeClip(b, Mp4H264Aac(3.0));
  const std::string output = dir.File("joined.mp4");

  const JoinRun run = RunJoin({{a, ""}, {b, ""}}, output, std::string(kJoinConversion) + " -t 4");
  ASSERT_TRUE(run.opened) << run.message;
  EXPECT_TRUE(run.finished) << run.message << "\n" << run.LogText();
  EXPECT_NEAR(static_cast<double>(ProbeFile(output).duration_us), 4e6, kTolerance_us);
  EXPECT_EQ(CountVideoFrames(output), 100);
}

struct RefusedJoin {
  const char* name;
  bool second_has_audio;
  bool second_output;
  int second_width;     ///< 0: the first clip's
  const char* options;  ///< the output's conversion options
  const char* message;  ///< what the reason starts with
};

class JoinRefusal : public ::testing::TestWithParam<RefusedJoin> {};

TEST_P(JoinRefusal, FailsToOpenWithTheReasonAndLeavesNoOutput) {
  LoadMediaLibraries();
  TempDir dir;
  const RefusedJoin& c = GetParam();
  const std::string a = dir.File("a.mp4");
  const std::string b = dir.File("b.mp4");
  MakeClip(a, Mp4H264Aac(1.0));
  ClipSpec second = Mp4H264Aac(1.0);
  if (!c.second_has_audio) second.audio.clear();
  if (c.second_width) {
    second.video->width = c.second_width;
    second.video->height = c.second_width * 3 / 4;
  }
  MakeClip(b, second);
  const std::string output = dir.File("joined.mp4");
  JoinControl control;
  if (c.second_output) control.second_output = dir.File("second.mp4");

  const JoinRun run = RunJoin({{a, ""}, {b, ""}}, output, c.options, control);
  EXPECT_FALSE(run.opened);
  EXPECT_EQ(run.message.substr(0, std::string_view(c.message).size()), c.message) << run.message;
  EXPECT_FALSE(std::filesystem::exists(dir.File("second.mp4")));
  if (!c.second_output) {
    EXPECT_FALSE(std::filesystem::exists(output));
  }
  EXPECT_TRUE(std::filesystem::exists(a) && std::filesystem::exists(b));
}

INSTANTIATE_TEST_SUITE_P(Cases, JoinRefusal,
                         ::testing::Values(RefusedJoin{"SecondInputWithoutAudio", false, false, 0,
                                                       kJoinConversion,
                                                       "Cannot join files with diffrent streams state"},
                                           RefusedJoin{"SecondOutput", true, true, 0, kJoinConversion,
                                                       "Cannot join more than one output file."},
                                           // A copy cannot change the picture size mid-stream.
                                           RefusedJoin{"CopyOfOtherHeaders", true, false, 160, " -c copy",
                                                       "Cannot join input file #1: its stream #1:0 is coded "
                                                       "otherwise than output stream #0:0"}),
                         [](const auto& info) { return std::string(info.param.name); });

// Later inputs are converted to what the first one set up: picture size
// and sound rate of the output stay the first input's.
TEST(JoinMode, InputsOfOtherSizeAndRateAreConvertedToTheFirst) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string a = dir.File("a.mp4");
  const std::string b = dir.File("b.mp4");
  MakeClip(a, Mp4H264Aac(3.0));
  ClipSpec small = Mp4H264Aac(3.0);
  small.video->width = 160;
  small.video->height = 120;
  small.audio.front().sample_rate = 44100;
  MakeClip(b, small);
  const std::string output = dir.File("joined.mp4");

  const JoinRun run = RunJoin({{a, ""}, {b, ""}}, output, kJoinConversion);
  ASSERT_TRUE(run.opened) << run.message;
  EXPECT_TRUE(run.finished) << run.message << "\n" << run.LogText();
  const ProbedFile out = ProbeFile(output);
  ASSERT_EQ(out.streams.size(), 2u);
  EXPECT_EQ(out.streams[0].width, 320);
  EXPECT_EQ(out.streams[0].height, 240);
  EXPECT_EQ(out.streams[1].sample_rate, 48000);
  EXPECT_NEAR(static_cast<double>(out.duration_us), 6e6, kTolerance_us);
  EXPECT_EQ(CountVideoFrames(output), 150);
  ExpectTimestampsValid(PacketsOf(ReadPackets(output), AVMEDIA_TYPE_VIDEO), "video");
}

// Copied streams: the next input starts where the latest copied packet of
// the previous one ended, whatever the container's own end time says.
TEST(JoinMode, CopiedStreamsFollowEachOtherWithoutGapOrOverlap) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string a = dir.File("a.mp4");
  const std::string b = dir.File("b.mp4");
  MakeClip(a, Mp4H264Aac(4.0));
  MakeClip(b, Mp4H264Aac(4.0));
  const std::string output = dir.File("joined.mp4");

  const JoinRun run = RunJoin({{a, ""}, {b, ""}}, output, " -c copy");
  ASSERT_TRUE(run.opened) << run.message;
  EXPECT_TRUE(run.finished) << run.message << "\n" << run.LogText();
  const ProbedFile out = ProbeFile(output);
  ASSERT_EQ(out.streams.size(), 2u);
  EXPECT_NEAR(static_cast<double>(out.duration_us), 8e6, kTolerance_us);

  const std::vector<ProbedPacket> packets = ReadPackets(output);
  const std::vector<ProbedPacket> video = PacketsOf(packets, AVMEDIA_TYPE_VIDEO);
  ExpectTimestampsValid(video, "video");
  ExpectTimestampsValid(PacketsOf(packets, AVMEDIA_TYPE_AUDIO), "audio");
  std::vector<double> times;
  for (const ProbedPacket& p : video) times.push_back(p.PtsSeconds());
  std::sort(times.begin(), times.end());
  ASSERT_EQ(times.size(), 200u);
  for (std::size_t i = 1; i < times.size(); ++i)
    EXPECT_NEAR(times[i] - times[i - 1], 0.04, 0.002) << "at " << i;
  EXPECT_EQ(CountVideoFrames(output), 200);
}

TEST(JoinMode, ProgressDuringTheSecondInputShowsItsIndexAndTheTotal) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string a = dir.File("a.mp4");
  const std::string b = dir.File("b.mp4");
  MakeClip(a, Mp4H264Aac(5.0));
  MakeClip(b, Mp4H264Aac(5.0));
  const std::string output = dir.File("joined.mp4");

  const JoinRun run = RunJoin({{a, ""}, {b, ""}}, output, kJoinConversion);
  ASSERT_TRUE(run.opened) << run.message;
  // The second block counts on from the first block's pictures.
  bool advanced = false;
  for (const JoinProgress& p : run.progress) {
    EXPECT_TRUE(p.file_index == 0 || p.file_index == 1) << p.file_index;
    if (p.file_index != 1) continue;
    EXPECT_GE(p.frame_number, 125);
    if (p.frame_number > 125) advanced = true;
  }
  EXPECT_TRUE(advanced) << "no progress report during the second input";
  const ProbedFile in_a = ProbeFile(a);
  const ProbedFile in_b = ProbeFile(b);
  for (const JoinProgress& p : run.progress)
    EXPECT_EQ(p.total_duration_us, in_a.duration_us + in_b.duration_us);
}

TEST(JoinMode, StopDuringTheSecondInputLeavesOneValidFile) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string a = dir.File("a.mp4");
  const std::string b = dir.File("b.mp4");
  MakeClip(a, Mp4H264Aac(5.0));
  MakeClip(b, Mp4H264Aac(5.0));
  const std::string output = dir.File("joined.mp4");
  JoinControl control;
  control.stop_in_file = 1;

  const JoinRun run = RunJoin({{a, ""}, {b, ""}}, output, kJoinConversion, control);
  ASSERT_TRUE(run.opened) << run.message;
  EXPECT_FALSE(run.finished);
  const ProbedFile out = ProbeFile(output);
  ASSERT_EQ(out.streams.size(), 2u);
  EXPECT_GE(out.duration_us, 5000000);
  EXPECT_LT(out.duration_us, 10000000);
  const std::vector<ProbedPacket> packets = ReadPackets(output);
  ExpectTimestampsValid(PacketsOf(packets, AVMEDIA_TYPE_VIDEO), "video");
}

}  // namespace
}  // namespace zentrova::test

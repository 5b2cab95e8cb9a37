// Join mode end to end: generated clips concatenated into one output.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

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

struct RefusedJoin {
  const char* name;
  bool second_has_audio;
  bool second_output;
  const char* message;
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
  MakeClip(b, second);
  const std::string output = dir.File("joined.mp4");
  JoinControl control;
  if (c.second_output) control.second_output = dir.File("second.mp4");

  const JoinRun run = RunJoin({{a, ""}, {b, ""}}, output, kJoinConversion, control);
  EXPECT_FALSE(run.opened);
  EXPECT_EQ(run.message, c.message);
  EXPECT_FALSE(std::filesystem::exists(dir.File("second.mp4")));
  if (!c.second_output) {
    EXPECT_FALSE(std::filesystem::exists(output));
  }
  EXPECT_TRUE(std::filesystem::exists(a) && std::filesystem::exists(b));
}

INSTANTIATE_TEST_SUITE_P(Cases, JoinRefusal,
                         ::testing::Values(RefusedJoin{"SecondInputWithoutAudio", false, false,
                                                       "Cannot join files with diffrent streams state"},
                                           RefusedJoin{"SecondOutput", true, true,
                                                       "Cannot join more than one output file."}),
                         [](const auto& info) { return std::string(info.param.name); });

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

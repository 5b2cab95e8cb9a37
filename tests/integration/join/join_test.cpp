// Join mode end to end: generated clips concatenated into one output.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

// The output's video packets, after checking the timestamps of its video
// and audio streams.
std::vector<ProbedPacket> CheckedVideoPackets(const std::string& output) {
  const std::vector<ProbedPacket> packets = ReadPackets(output);
  ExpectTimestampsValid(PacketsOf(packets, AVMEDIA_TYPE_AUDIO), "audio");
  std::vector<ProbedPacket> video = PacketsOf(packets, AVMEDIA_TYPE_VIDEO);
  ExpectTimestampsValid(video, "video");
  return video;
}

// Presentation times: `count` pictures, one every 1/25 s, none missing or
// doubled at a seam.
void ExpectOnePictureEvery40ms(const std::vector<ProbedPacket>& video, std::size_t count) {
  std::vector<double> times;
  for (const ProbedPacket& p : video) times.push_back(p.PtsSeconds());
  std::sort(times.begin(), times.end());
  ASSERT_EQ(times.size(), count);
  for (std::size_t i = 1; i < times.size(); ++i)
    EXPECT_NEAR(times[i] - times[i - 1], 0.04, 0.002) << "at " << i;
}

using LumaPictures = std::vector<std::vector<std::uint8_t>>;

// Picture `j` of `output` shows picture `i` of `source`: it is closer to
// that one than to its neighbours.
void ExpectShows(const LumaPictures& output, std::size_t j, const LumaPictures& source, std::size_t i) {
  ASSERT_LT(j, output.size());
  ASSERT_LT(i, source.size());
  const double own = MeanDifference(output[j], source[i]);
  if (i > 0) {
    EXPECT_LT(own, MeanDifference(output[j], source[i - 1])) << "picture " << j;
  }
  if (i + 1 < source.size()) {
    EXPECT_LT(own, MeanDifference(output[j], source[i + 1])) << "picture " << j;
  }
}

class JoinMode : public ::testing::Test {
 protected:
  void SetUp() override { LoadMediaLibraries(); }

  // Clips a.mp4, b.mp4, ... of `seconds` each (H.264 + AAC), each an input
  // without options.
  std::vector<JoinInput> Clips(int count, double seconds) const {
    std::vector<JoinInput> inputs;
    for (int i = 0; i < count; ++i) {
      inputs.push_back({dir_.File(std::string(1, static_cast<char>('a' + i)) + ".mp4"), ""});
      MakeClip(inputs.back().file, Mp4H264Aac(seconds));
    }
    return inputs;
  }
  // Joins `inputs` into output_ and expects the run to finish (unless stopped).
  JoinRun Join(const std::vector<JoinInput>& inputs, const std::string& options,
               const JoinControl& control = {}) {
    JoinRun run = RunJoin(inputs, output_, options, control);
    EXPECT_TRUE(run.opened) << run.message;
    if (control.stop_in_file < 0) {
      EXPECT_TRUE(run.finished) << run.message << "\n" << run.LogText();
    }
    return run;
  }

  TempDir dir_;
  const std::string output_ = dir_.File("joined.mp4");
};

TEST_F(JoinMode, TwoClipsBecomeOneOutputWithEveryPictureOnce) {
  const std::vector<JoinInput> clips = Clips(2, 5.0);
  Join(clips, kJoinConversion);

  const ProbedFile out = ProbeFile(output_);
  ASSERT_EQ(out.streams.size(), 2u);
  EXPECT_EQ(out.streams[0].type, AVMEDIA_TYPE_VIDEO);
  EXPECT_EQ(out.streams[1].type, AVMEDIA_TYPE_AUDIO);
  EXPECT_NEAR(static_cast<double>(out.duration_us), 10e6, kTolerance_us);
  ExpectOnePictureEvery40ms(CheckedVideoPackets(output_), 250);

  // Each output picture shows the source picture of its place in its clip:
  // closer to that one than to its neighbours.
  const LumaPictures source = DecodeLumaSamples(clips[0].file);
  const LumaPictures joined = DecodeLumaSamples(output_);
  ASSERT_EQ(source.size(), 125u);
  ASSERT_EQ(joined.size(), 250u);
  for (std::size_t j = 0; j < joined.size(); ++j) ExpectShows(joined, j, source, j % 125);
}

// The middle input's own -t / -ss shorten its segment only: its first and
// last pictures follow the previous input's last one, and the next input
// starts with its first picture.
struct MiddleInputCase {
  const char* options;
  double seconds;
  std::size_t first, last;  ///< the middle clip's pictures that are kept
};

TEST_F(JoinMode, AnInputsOwnLimitsShortenItsSegmentOnly) {
  std::vector<JoinInput> clips = Clips(3, 5.0);
  const LumaPictures source = DecodeLumaSamples(clips[0].file);
  for (const MiddleInputCase& c :
       {MiddleInputCase{"-t 2", 12.0, 0, 49}, MiddleInputCase{"-ss 1", 14.0, 25, 124}}) {
    SCOPED_TRACE(c.options);
    clips[1].options = c.options;
    Join(clips, std::string(kJoinConversion) + " -y");
    EXPECT_NEAR(static_cast<double>(ProbeFile(output_).duration_us), c.seconds * 1e6, kTolerance_us);
    // The middle clip's sound runs 1/75 s past its pictures when it is not
    // cut (the test clips' sound ends on a whole coded frame); the next
    // input follows the sound, and may start one picture later.
    const std::size_t middle = c.last - c.first + 1;
    const LumaPictures joined = DecodeLumaSamples(output_);
    ASSERT_GE(joined.size(), 250 + middle);
    ASSERT_LE(joined.size(), 250 + middle + 1);
    ExpectOnePictureEvery40ms(CheckedVideoPackets(output_), joined.size());
    ExpectShows(joined, 124, source, 124);
    ExpectShows(joined, 125, source, c.first);
    ExpectShows(joined, 125 + middle - 1, source, c.last);
    ExpectShows(joined, joined.size() - 125, source, 0);
    ExpectShows(joined, joined.size() - 1, source, 124);
  }
}

// Output -t and -ss apply to the joined output as a whole, not to each
// segment.
struct OutputLimitCase {
  const char* options;
  double seconds;
  int pictures;
};

TEST_F(JoinMode, OutputLimitsApplyToTheWholeJoinedOutput) {
  const std::vector<JoinInput> clips = Clips(2, 3.0);
  for (const OutputLimitCase& c : {OutputLimitCase{" -t 4", 4.0, 100}, OutputLimitCase{" -ss 1", 5.0, 125},
                                   OutputLimitCase{" -ss 1 -t 4", 4.0, 100}}) {
    SCOPED_TRACE(c.options);
    Join(clips, std::string(kJoinConversion) + c.options + " -y");
    EXPECT_NEAR(static_cast<double>(ProbeFile(output_).duration_us), c.seconds * 1e6, kTolerance_us);
    EXPECT_EQ(CountVideoFrames(output_), c.pictures);
    ExpectOnePictureEvery40ms(CheckedVideoPackets(output_), static_cast<std::size_t>(c.pictures));
  }
}

// Later inputs are converted to what the first one set up: picture size
// and sound rate of the output stay the first input's.
TEST_F(JoinMode, InputsOfOtherSizeAndRateAreConvertedToTheFirst) {
  const std::vector<JoinInput> clips = Clips(2, 3.0);
  ClipSpec small = Mp4H264Aac(3.0);
  small.video->width = 160;
  small.video->height = 120;
  small.audio.front().sample_rate = 44100;
  MakeClip(clips[1].file, small);
  Join(clips, kJoinConversion);

  const ProbedFile out = ProbeFile(output_);
  ASSERT_EQ(out.streams.size(), 2u);
  EXPECT_EQ(out.streams[0].width, 320);
  EXPECT_EQ(out.streams[0].height, 240);
  EXPECT_EQ(out.streams[1].sample_rate, 48000);
  EXPECT_NEAR(static_cast<double>(out.duration_us), 6e6, kTolerance_us);
  EXPECT_EQ(CountVideoFrames(output_), 150);
  CheckedVideoPackets(output_);
}

// Copied streams: the next input starts where the latest copied packet of
// the previous one ended, whatever the container's own end time says.
TEST_F(JoinMode, CopiedStreamsFollowEachOtherWithoutGapOrOverlap) {
  Join(Clips(2, 4.0), " -c copy");
  const ProbedFile out = ProbeFile(output_);
  ASSERT_EQ(out.streams.size(), 2u);
  EXPECT_NEAR(static_cast<double>(out.duration_us), 8e6, kTolerance_us);
  ExpectOnePictureEvery40ms(CheckedVideoPackets(output_), 200);
  EXPECT_EQ(CountVideoFrames(output_), 200);
}

// A copied input with its own -ss starts at its first key frame after that
// point, placed after the previous input, never over it.
TEST_F(JoinMode, ACopiedInputWithItsOwnStartBeginsAtItsNextKeyFrame) {
  std::vector<JoinInput> clips = Clips(3, 4.0);
  clips[1].options = "-ss 1";
  // The middle clip's first key picture at or after 1 s (25 pictures a second).
  double key_time = 4.0;
  for (const ProbedPacket& p : PacketsOf(ReadPackets(clips[1].file), AVMEDIA_TYPE_VIDEO))
    if (p.key && p.PtsSeconds() >= 1.0) key_time = std::min(key_time, p.PtsSeconds());
  const auto first_key = static_cast<std::size_t>(std::lround(key_time * 25));
  ASSERT_LT(first_key, 100u) << "the clip needs a key frame after 1 s";

  Join(clips, " -c copy");
  CheckedVideoPackets(output_);
  const LumaPictures source = DecodeLumaSamples(clips[0].file);
  const LumaPictures joined = DecodeLumaSamples(output_);
  ASSERT_EQ(joined.size(), 300 - first_key);
  ExpectShows(joined, 99, source, 99);
  ExpectShows(joined, 100, source, first_key);
  ExpectShows(joined, 200 - first_key, source, 0);
}

// A second input cut off in the middle (its container readable up to the
// cut) ends its segment where its data ends; one with a non-ASCII name is
// read like any other. The inputs stay as they were.
TEST_F(JoinMode, ACutOffOrNonAsciiNamedSecondInputStillJoins) {
  ClipSpec spec = Mp4H264Aac(4.0);
  spec.format = "matroska";
  const std::string first = dir_.File("a.mkv");
  const std::string whole = dir_.File("whole.mkv");
  MakeClip(first, spec);
  MakeClip(whole, spec);
  const std::string cut = dir_.File("cut.mkv");
  MakeTruncatedCopy(whole, cut, 0.5);
  const std::string named = dir_.File("第二段 – clip.mkv");
  MakeClip(named, spec);
  for (const std::string& second : {cut, named}) {
    SCOPED_TRACE(second);
    const auto size_before = std::filesystem::file_size(second);
    Join({{first, ""}, {second, ""}}, std::string(kJoinConversion) + " -y");
    const std::int64_t duration = ProbeFile(output_).duration_us;
    EXPECT_GT(duration, 5000000);
    EXPECT_LT(duration, 8000000 + kTolerance_us);
    ExpectOnePictureEvery40ms(CheckedVideoPackets(output_),
                              static_cast<std::size_t>(CountVideoFrames(output_)));
    EXPECT_EQ(std::filesystem::file_size(second), size_before);
  }
}

TEST_F(JoinMode, ProgressDuringTheSecondInputShowsItsIndexAndTheTotal) {
  const std::vector<JoinInput> clips = Clips(2, 5.0);
  const JoinRun run = Join(clips, kJoinConversion);
  // The second block counts on from the first block's pictures.
  bool advanced = false;
  for (const JoinProgress& p : run.progress) {
    EXPECT_TRUE(p.file_index == 0 || p.file_index == 1) << p.file_index;
    if (p.file_index != 1) continue;
    EXPECT_GE(p.frame_number, 125);
    if (p.frame_number > 125) advanced = true;
  }
  EXPECT_TRUE(advanced) << "no progress report during the second input";
  const std::int64_t total = ProbeFile(clips[0].file).duration_us + ProbeFile(clips[1].file).duration_us;
  for (const JoinProgress& p : run.progress) EXPECT_EQ(p.total_duration_us, total);
}

TEST_F(JoinMode, StopDuringTheSecondInputLeavesOneValidFile) {
  JoinControl control;
  control.stop_in_file = 1;
  const JoinRun run = Join(Clips(2, 5.0), kJoinConversion, control);
  EXPECT_FALSE(run.finished);
  const ProbedFile out = ProbeFile(output_);
  ASSERT_EQ(out.streams.size(), 2u);
  EXPECT_GE(out.duration_us, 5000000);
  EXPECT_LT(out.duration_us, 10000000);
  CheckedVideoPackets(output_);
}

// What a generated 1 s clip carries.
struct ClipKinds {
  bool video = true;
  bool audio = true;
  int width = 320;  ///< the height is 3/4 of it
};

struct RefusedJoin {
  const char* name;
  ClipKinds first, second;
  bool second_output;
  const char* options;  ///< the output's conversion options
  const char* message;  ///< what the reason starts with
};

void PrintTo(const RefusedJoin& c, std::ostream* os) {
  *os << c.name;
}

class JoinRefusal : public ::testing::TestWithParam<RefusedJoin> {};

TEST_P(JoinRefusal, FailsToOpenWithTheReasonAndLeavesNoOutput) {
  LoadMediaLibraries();
  TempDir dir;
  const RefusedJoin& c = GetParam();
  auto make = [&](const std::string& path, const ClipKinds& kinds) {
    ClipSpec spec = Mp4H264Aac(1.0);
    if (!kinds.audio) spec.audio.clear();
    if (kinds.video) {
      spec.video->width = kinds.width;
      spec.video->height = kinds.width * 3 / 4;
    } else {
      spec.video.reset();
    }
    MakeClip(path, spec);
  };
  const std::string a = dir.File("a.mp4");
  const std::string b = dir.File("b.mp4");
  make(a, c.first);
  make(b, c.second);
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

constexpr ClipKinds kBoth{};
constexpr ClipKinds kVideoOnly{true, false};
constexpr ClipKinds kAudioOnly{false, true};

// Inputs that differ in having pictures or sound are refused whichever
// comes first, in the same words.
INSTANTIATE_TEST_SUITE_P(
    Cases, JoinRefusal,
    ::testing::Values(
        RefusedJoin{"SecondInputWithoutAudio", kBoth, kVideoOnly, false, kJoinConversion,
                    "Cannot join files with diffrent streams state: input file #0 has video and audio, input "
                    "file #1 has video only"},
        RefusedJoin{
            "FirstInputWithoutAudio", kVideoOnly, kBoth, false, kJoinConversion,
            "Cannot join files with diffrent streams state: input file #0 has video only, input file #1 "
            "has video and audio"},
        RefusedJoin{"SecondInputWithoutVideo", kBoth, kAudioOnly, false, kJoinConversion,
                    "Cannot join files with diffrent streams state: input file #0 has video and audio, input "
                    "file #1 has audio only"},
        RefusedJoin{
            "FirstInputWithoutVideo", kAudioOnly, kBoth, false, kJoinConversion,
            "Cannot join files with diffrent streams state: input file #0 has audio only, input file #1 "
            "has video and audio"},
        RefusedJoin{"SecondOutput", kBoth, kBoth, true, kJoinConversion,
                    "Cannot join more than one output file."},
        // A copy cannot change the picture size mid-stream.
        RefusedJoin{"CopyOfOtherHeaders",
                    kBoth,
                    {true, true, 160},
                    false,
                    " -c copy",
                    "Cannot join input file #1: its stream #1:0 is coded otherwise than output stream #0:0"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zentrova::test

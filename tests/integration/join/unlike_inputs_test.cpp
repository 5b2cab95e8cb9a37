// Joins of inputs unlike the first one: another display aspect, another
// pixel aspect, a display matrix, another or a variable frame rate. The
// output keeps the first input's frame, pixel aspect and frame rate; every
// later input keeps its own shape inside that frame, upright.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_process.h"
#include "join/frame_layout.h"
#include "join/join_run.h"
#include "join/picture_check.h"
#include "media/test_media.h"
#include "support/libraries.h"
#include "support/temp_dir.h"
#include "transcode/packet_probe.h"

namespace zentrova::test {
namespace {

constexpr int kPicturesPerClip = 25;  // 1 s clips at 25 fps

// One input of a join and the part of the output frame its pictures take.
struct Segment {
  const char* clip;  ///< the clip's name in the fixture
  int turn_degrees;  ///< the clip's display matrix (the turn a player applies)
  PictureBox box;    ///< where its pictures must sit on the output frame
};

// 1 s clips of three shapes, each with sound:
//   wide    320x180, square pixels: 16:9
//   dvd     360x240 of 8:9 pixels (a DVD's shape at half size): 4:3
//   turned  320x240 with a display matrix of a quarter turn: 3:4, portrait
class JoinOfUnlikeInputs : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadMediaLibraries();
    ClipSpec wide = Mp4H264Aac(1.0);
    wide.video->width = 320;
    wide.video->height = 180;
    MakeClip(Clip("wide"), wide);
    ClipSpec square = Mp4H264Aac(1.0);
    square.video->width = 360;
    square.video->height = 240;
    MakeClip(dir_.File("square.mp4"), square);
    const JoinRun dvd = RunJoin({{dir_.File("square.mp4"), ""}}, Clip("dvd"),
                                " -vf setsar=8/9 -c:v libx264 -b:v 1000k -c:a aac -threads 2");
    ASSERT_TRUE(dvd.finished) << dvd.message << "\n" << dvd.LogText();
    const VideoShape dvd_shape = ProbeVideoShape(Clip("dvd"));
    ASSERT_EQ(av_cmp_q(dvd_shape.stream_sar, AVRational{8, 9}), 0) << "the 4:3 clip needs 8:9 pixels";
    MakeClip(Clip("turned"), Mp4Rotated(90, 1.0));
  }

  std::string Clip(const std::string& name) const { return dir_.File(name + ".mp4"); }

  std::vector<JoinInput> Inputs(const std::vector<Segment>& segments) const {
    std::vector<JoinInput> inputs;
    for (const Segment& s : segments) inputs.push_back({Clip(s.clip), ""});
    return inputs;
  }

  // The output has the first input's frame and pixel aspect (in the
  // container and in the coded stream), and the picture in the middle of
  // each segment shows its own clip's picture upright inside its box, with
  // black around it.
  void ExpectSegmentsFitted(const std::string& output, const std::vector<Segment>& segments, int width,
                            int height, AVRational sar) {
    const VideoShape shape = ProbeVideoShape(output);
    EXPECT_EQ(shape.width, width);
    EXPECT_EQ(shape.height, height);
    auto square_if_unset = [](AVRational r) { return r.num ? r : AVRational{1, 1}; };
    EXPECT_EQ(av_cmp_q(square_if_unset(shape.stream_sar), sar), 0)
        << shape.stream_sar.num << ":" << shape.stream_sar.den;
    EXPECT_EQ(av_cmp_q(square_if_unset(shape.codec_sar), sar), 0)
        << shape.codec_sar.num << ":" << shape.codec_sar.den;

    const std::vector<LumaPicture> joined = DecodeLumaPictures(output);
    // A segment may start one picture late (its sound runs past its pictures).
    ASSERT_GE(joined.size(), segments.size() * kPicturesPerClip);
    ASSERT_LE(joined.size(), segments.size() * (kPicturesPerClip + 1));
    for (std::size_t k = 0; k < segments.size(); ++k) {
      const Segment& s = segments[k];
      SCOPED_TRACE(std::string("segment ") + std::to_string(k) + ": " + s.clip);
      const LumaPicture& picture = joined[k * kPicturesPerClip + kPicturesPerClip / 2];
      ASSERT_EQ(picture.width, width);
      ASSERT_EQ(picture.height, height);
      std::vector<LumaPicture> source = DecodeLumaPictures(Clip(s.clip));
      ASSERT_EQ(source.size(), static_cast<std::size_t>(kPicturesPerClip));
      for (LumaPicture& p : source) p = Turned(p, s.turn_degrees);
      // The source picture of its place, or a neighbour where the segment
      // started a picture late.
      double best = 255;
      for (std::size_t i = kPicturesPerClip / 2 - 1; i <= kPicturesPerClip / 2 + 1; ++i)
        best = std::min(best, BoxDifference(picture, s.box, source[i]));
      const double upside_down = BoxDifference(picture, s.box, Turned(source[kPicturesPerClip / 2], 180));
      EXPECT_LT(best, 6.0) << "the box does not show the clip's picture";
      EXPECT_LT(best * 2, upside_down) << "the picture is not upright";
      EXPECT_LT(MeanLumaOutside(picture, s.box), 24.0) << "no black bars around the box";
    }
  }

  TempDir dir_;
};

// The three clips joined into the wide clip's frame.
std::vector<Segment> IntoTheWideFrame() {
  return {{"wide", 0, {0, 0, 320, 180}}, {"dvd", 0, {40, 0, 240, 180}}, {"turned", 90, {92, 0, 136, 180}}};
}

// The boxes by hand: a picture wider than the frame's shape takes the
// frame's width, any other its height, in even sizes, centred (an offset
// rounded down to even).
struct UnlikeJoinCase {
  const char* name;
  std::vector<Segment> segments;
  int width, height;
  AVRational sar;
};

TEST_F(JoinOfUnlikeInputs, EachInputKeepsItsShapeInTheFirstInputsFrame) {
  const std::vector<UnlikeJoinCase> cases = {
      {"wide frame", IntoTheWideFrame(), 320, 180, {1, 1}},
      // 360x240 of 8:9 pixels shows as 320x240: the turned clip is 3:4 of
      // that, 202 pixels of 8:9 wide; the wide one 180 rows high.
      {"frame of non-square pixels",
       {{"dvd", 0, {0, 0, 360, 240}}, {"turned", 90, {78, 0, 202, 240}}, {"wide", 0, {0, 30, 360, 180}}},
       360,
       240,
       {8, 9}},
      {"portrait frame",
       {{"turned", 90, {0, 0, 240, 320}}, {"wide", 0, {0, 92, 240, 136}}, {"dvd", 0, {0, 70, 240, 180}}},
       240,
       320,
       {1, 1}},
  };
  const std::string output = dir_.File("joined.mp4");
  for (const UnlikeJoinCase& c : cases) {
    SCOPED_TRACE(c.name);
    const JoinRun run = RunJoin(Inputs(c.segments), output, std::string(kJoinConversion) + " -y");
    ASSERT_TRUE(run.finished) << run.message << "\n" << run.LogText();
    ExpectSegmentsFitted(output, c.segments, c.width, c.height, c.sar);
  }
}

// The same join through the command-line program's builders.
TEST_F(JoinOfUnlikeInputs, TheCommandLineJoinKeepsEachShape) {
  const std::string output = dir_.File("joined by cli.mp4");
  const CliResult result =
      RunCli(ZENTROVA_CLI_PROGRAM, {"-q", "--join", "-o", output, Clip("wide"), Clip("dvd"), Clip("turned")});
  ASSERT_EQ(result.exit_code, 0) << result.err;
  ExpectSegmentsFitted(output, IntoTheWideFrame(), 320, 180, {1, 1});
}

// Inputs that differ in having pictures or sound: the command-line program
// refuses them in either order in the same words and writes nothing.
TEST(JoinOfUnlikeKinds, TheCommandLineRefusesEitherOrder) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string sound = dir.File("sound.mp4");
  const std::string movie = dir.File("movie.mp4");
  ClipSpec sound_only = Mp4H264Aac(1.0);
  sound_only.video.reset();
  MakeClip(sound, sound_only);
  MakeClip(movie, Mp4H264Aac(1.0));
  struct Order {
    std::string first, second;
    const char* kinds;
  };
  const std::string output = dir.File("joined.mp4");
  for (const Order& order :
       {Order{sound, movie, "input file #0 has audio only, input file #1 has video and audio"},
        Order{movie, sound, "input file #0 has video and audio, input file #1 has audio only"}}) {
    SCOPED_TRACE(order.kinds);
    const CliResult result =
        RunCli(ZENTROVA_CLI_PROGRAM, {"-q", "--join", "-o", output, order.first, order.second});
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_NE(result.err.find(std::string("Cannot join files with diffrent streams state: ") + order.kinds),
              std::string::npos)
        << result.err;
    EXPECT_FALSE(std::filesystem::exists(output));
  }
}

// The joined output's frame rate is the first input's average rate, neither
// a later input's nor the rate of the first input's shortest frame.
class JoinFrameRate : public ::testing::Test {
 protected:
  void SetUp() override { LoadMediaLibraries(); }
  TempDir dir_;
};

// The video packets' presentation times, in order.
std::vector<double> PictureTimes(const std::string& path) {
  std::vector<double> times;
  for (const ProbedPacket& p : PacketsOf(ReadPackets(path), AVMEDIA_TYPE_VIDEO))
    times.push_back(p.PtsSeconds());
  std::sort(times.begin(), times.end());
  return times;
}

TEST_F(JoinFrameRate, IsTheFirstInputsAverageRate) {
  const std::string steady25 = dir_.File("steady25.mp4");
  const std::string steady50 = dir_.File("steady50.mp4");
  const std::string variable = dir_.File("variable.mp4");
  MakeClip(steady25, Mp4H264Aac(1.0));
  ClipSpec fast = Mp4H264Aac(2.0);
  fast.video->rate = {50, 1};
  MakeClip(steady50, fast);
  // Two of every three pictures of the 50 fps clip: 20 and 40 ms apart,
  // 33 a second on average.
  const JoinRun made =
      RunJoin({{steady50, ""}}, variable,
              " -vf select=not(floor((n-3*floor(n/3))/2)) -vsync 2 -c:v libx264 -c:a aac -threads 2");
  ASSERT_TRUE(made.finished) << made.message << "\n" << made.LogText();
  const std::vector<double> variable_times = PictureTimes(variable);
  ASSERT_GT(variable_times.size(), 60u);
  EXPECT_NEAR(variable_times[1] - variable_times[0], 0.02, 0.001);
  EXPECT_NEAR(variable_times[2] - variable_times[1], 0.04, 0.001);
  const AVRational variable_average = ProbeFile(variable).streams.at(0).frame_rate;
  ASSERT_GT(av_q2d(variable_average), 30.0);
  ASSERT_LT(av_q2d(variable_average), 36.0);

  struct RateCase {
    const char* name;
    std::vector<std::string> inputs;
    AVRational rate;
  };
  const std::string output = dir_.File("joined.mp4");
  for (const RateCase& c : {RateCase{"25 then 50 fps", {steady25, steady50}, {25, 1}},
                            RateCase{"variable then 25 fps", {variable, steady25}, variable_average}}) {
    SCOPED_TRACE(c.name);
    std::vector<JoinInput> inputs;
    for (const std::string& file : c.inputs) inputs.push_back({file, ""});
    const JoinRun run = RunJoin(inputs, output, std::string(kJoinConversion) + " -y");
    ASSERT_TRUE(run.finished) << run.message << "\n" << run.LogText();
    const double frame_s = 1.0 / av_q2d(c.rate);
    const std::vector<double> times = PictureTimes(output);
    ASSERT_GT(times.size(), 10u);
    std::size_t uneven = 0;
    for (std::size_t i = 1; i < times.size(); ++i)
      if (std::fabs(times[i] - times[i - 1] - frame_s) > 0.001) ++uneven;
    EXPECT_EQ(uneven, 0u) << "pictures not " << frame_s << " s apart, of " << times.size();
    EXPECT_NEAR(av_q2d(ProbeFile(output).streams.at(0).frame_rate), av_q2d(c.rate), av_q2d(c.rate) * 0.01);
  }
}

}  // namespace
}  // namespace zentrova::test

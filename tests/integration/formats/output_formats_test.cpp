// Every output format of the options dialog, converted by zentrova-cli from
// one small 4:4:4 H.264 + AAC clip with the dialog's defaults: the codecs
// its container carries, 8-bit 4:2:0 pictures of sizes the codec takes, and
// the clip's length, all read back with the decoder component. The disc
// targets also from clips of rates that name no norm.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli_process.h"
#include "media/test_media.h"
#include "read_back.h"
#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova::test {
namespace {

const std::string kCli = ZENTROVA_CLI_PROGRAM;
constexpr double kClipSeconds = 1.0;

enum class TLength { Container, Decoded };  ///< where the playing time is read

struct FormatCase {
  const char* format;  ///< --format
  const char* output;  ///< the built output name in the output folder
  const char* video;   ///< codec of the one moving video stream; empty: no video
  int width, height;
  const char* audio;  ///< codec of the one audio stream; empty: no audio
  int sample_rate;    ///< 0: any
  int channels;       ///< 0: any
  TLength length;
  double tolerance_s = 0.1;  ///< how far the playing time may be from the clip's
};

void PrintTo(const FormatCase& c, std::ostream* os) {
  *os << c.format;
}

constexpr TLength C = TLength::Container;
constexpr TLength D = TLength::Decoded;

// clang-format off
const FormatCase kFormats[] = {
  // The disc targets: PAL by the clip's 25 fps, the targets' sizes and rates.
  {"VCD",  "src_(new)_auto_vcd.mpg", "mpeg1video", 352, 288, "mp2",       44100, 2, C},
  {"DVD",  "src_(new)_auto_dvd.mpg", "mpeg2video", 720, 576, "ac3",       48000, 0, C},
  {"3GP",  "src_(new).3gp",          "h263",       128, 96,  "aac",       8000,  1, C},
  // MP3 in AVI keeps the encoder's delay and padding (AVI has no edit list).
  {"AVI",  "src_(new).avi",          "h264",       160, 120, "mp3",       0,     0, C, 0.12},
  {"FLV",  "src_(new).flv",          "h264",       160, 120, "mp3",       44100, 0, C},
  // iPod and PSP convert 25 to 14.985 pictures a second: within one output frame of the clip.
  {"iPod", "src_(new)_ipod.mp4",     "mpeg4",      320, 240, "aac",       0,     0, C, 0.067},
  {"MKV",  "src_(new).mkv",          "h264",       160, 120, "mp3",       0,     0, C},
  {"MOV",  "src_(new).mov",          "h264",       160, 120, "mp3",       0,     0, C},
  {"MP4",  "src_(new).mp4",          "h264",       160, 120, "mp3",       0,     0, C},
  {"OGG",  "src_(new).ogg",          "theora",     160, 120, "vorbis",    0,     0, C},
  {"PSP",  "src_(new)_psp.mp4",      "mpeg4",      320, 240, "aac",       24000, 0, C, 0.067},
  // RealVideo takes sides that are multiples of 16.
  {"RM10", "src_(new)_rv10.rm",      "rv10",       160, 112, "ac3",       0,     0, C},
  {"RM20", "src_(new)_rv20.rm",      "rv20",       160, 112, "ac3",       0,     0, C},
  {"SWF",  "src_(new).swf",          "flv1",       160, 120, "mp3",       44100, 0, D},  // no duration in SWF
  {"WMV",  "src_(new).wmv",          "wmv2",       160, 120, "wmav2",     0,     0, C},
  {"WebM", "src_(new).webm",         "vp8",        160, 120, "vorbis",    0,     0, C},
  // Raw streams carry no playing time (only a guess): their pictures and samples are counted.
  {"M1V",  "src_(new).m1v",          "mpeg1video", 160, 120, "",          0,     0, D},
  {"M2V",  "src_(new).m2v",          "mpeg2video", 160, 120, "",          0,     0, D},
  {"AAC",  "src_(new).aac",          "",           0,   0,   "aac",       0,     0, D},
  {"AC3",  "src_(new).ac3",          "",           0,   0,   "ac3",       0,     0, C},
  {"MP2",  "src_(new).mp2",          "",           0,   0,   "mp2",       0,     0, C},
  {"MP3",  "src_(new).mp3",          "",           0,   0,   "mp3",       0,     0, C},
  {"WAV",  "src_(new).wav",          "",           0,   0,   "pcm_s16le", 0,     0, C},
  {"WMA",  "src_(new).wma",          "",           0,   0,   "wmav2",     0,     0, C},
};
// clang-format on

class OutputFormat : public ::testing::TestWithParam<FormatCase> {
 protected:
  // One source for every format: a 4:4:4 picture no format may keep.
  static void SetUpTestSuite() {
    LoadMediaLibraries();
    source_dir_ = std::make_unique<TempDir>();
    MakeClip(source_dir_->File("src.mp4"), Mp4Yuv444(kClipSeconds));
  }
  static void TearDownTestSuite() { source_dir_.reset(); }

  static std::unique_ptr<TempDir> source_dir_;
  TempDir out_dir_;
};

std::unique_ptr<TempDir> OutputFormat::source_dir_;

TEST_P(OutputFormat, HoldsTheCodecsOfItsContainerAndPlaysAsLongAsTheSource) {
  const FormatCase& c = GetParam();
  const CliResult result = RunCli(
      kCli, {"-q", "--format", c.format, "--out", out_dir_.Path().string(), source_dir_->File("src.mp4")});
  ASSERT_EQ(result.exit_code, 0) << result.err;
  const std::string output = out_dir_.File(c.output);
  const ReadFile file = ReadBack(output);

  const auto video = file.Moving(AVMEDIA_TYPE_VIDEO);
  const auto audio = file.Moving(AVMEDIA_TYPE_AUDIO);
  const bool has_video = *c.video != '\0';
  const bool has_audio = *c.audio != '\0';
  ASSERT_EQ(video.size(), has_video ? 1u : 0u) << file.format;
  ASSERT_EQ(audio.size(), has_audio ? 1u : 0u) << file.format;
  EXPECT_EQ(file.AttachedPicture(), nullptr) << "no cover art from a source without";
  if (has_video) {
    EXPECT_EQ(video[0]->codec, c.video);
    EXPECT_EQ(video[0]->pix_fmt, "yuv420p");
    EXPECT_EQ(video[0]->width, c.width);
    EXPECT_EQ(video[0]->height, c.height);
  }
  if (has_audio) {
    EXPECT_EQ(audio[0]->codec, c.audio);
    if (c.sample_rate) {
      EXPECT_EQ(audio[0]->sample_rate, c.sample_rate);
    }
    if (c.channels) {
      EXPECT_EQ(audio[0]->channels, c.channels);
    }
  }

  const double seconds = c.length == TLength::Container
                             ? file.container_duration_s
                             : DecodedDuration(output, has_video ? AVMEDIA_TYPE_VIDEO : AVMEDIA_TYPE_AUDIO);
  EXPECT_NEAR(seconds, kClipSeconds, c.tolerance_s);
}

INSTANTIATE_TEST_SUITE_P(Formats, OutputFormat, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.format); });

// The 25 fps clip at other frame rates, by the builders' --rate (filtered or
// not) and a raw -r: every output frame of the clip's length, no more.
TEST(FrameRateConversion, GivesTheFramesOfTheClipsLength) {
  LoadMediaLibraries();
  TempDir dir;
  MakeClip(dir.File("src.mp4"), Mp4Yuv444(kClipSeconds));
  const struct {
    std::vector<std::string> args;
    const char* output;
    double fps;
  } cases[] = {
      {{"--rate", "15"}, "src_(new).mp4", 15},
      {{"--rate", "10", "--size", "320x240"}, "src_(new).mp4", 10},  // with a scale filter
      {{"--rate", "30"}, "src_(new).mp4", 30},
      {{"--format", "AVI", "--output-options", "-r 15000/1001 -c:v mpeg4 -an"},
       "src_(new).avi",
       15000.0 / 1001},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(fmt::format("{}", fmt::join(c.args, " ")));
    std::vector<std::string> args{"-q", "--overwrite", "--out", dir.Path().string()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.push_back(dir.File("src.mp4"));
    const CliResult result = RunCli(kCli, args);
    ASSERT_EQ(result.exit_code, 0) << result.err;
    EXPECT_NEAR(DecodedDuration(dir.File(c.output), AVMEDIA_TYPE_VIDEO), kClipSeconds, 0.5 / c.fps);
  }
}

// The clip of the format table at `fps` pictures a second, made in `dir`; its name.
std::string SourceAtRate(const TempDir& dir, int fps) {
  ClipSpec spec = Mp4Yuv444(kClipSeconds);
  spec.video->rate = {fps, 1};
  MakeClip(dir.File("src.mp4"), spec);
  return dir.File("src.mp4");
}

// The disc targets with norm Auto from sources of rates the engine guesses no
// norm from: the norm nearest the rate (its frame size tells), the whole clip.
TEST(DiscTargetNorm, AutoTakesTheNormNearestTheSourceRate) {
  LoadMediaLibraries();
  const struct {
    int fps;
    const char* format;
    const char* output;
    int width, height;
  } cases[] = {
      {24, "VCD", "src_(new)_auto_vcd.mpg", 352, 240},
      {50, "VCD", "src_(new)_auto_vcd.mpg", 352, 288},
      {60, "DVD", "src_(new)_auto_dvd.mpg", 720, 480},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(fmt::format("{} fps to {}", c.fps, c.format));
    TempDir dir;
    const CliResult result =
        RunCli(kCli, {"-q", "--format", c.format, "--out", dir.Path().string(), SourceAtRate(dir, c.fps)});
    ASSERT_EQ(result.exit_code, 0) << result.err;
    const ReadFile file = ReadBack(dir.File(c.output));
    const auto video = file.Moving(AVMEDIA_TYPE_VIDEO);
    ASSERT_EQ(video.size(), 1u);
    EXPECT_EQ(video[0]->width, c.width);
    EXPECT_EQ(video[0]->height, c.height);
    EXPECT_NEAR(file.container_duration_s, kClipSeconds, 0.1);
  }
}

// A raw "-target vcd" keeps the engine's rule: no norm from 24 fps, a clear
// refusal, and no output left behind.
TEST(DiscTargetNorm, RawTargetWithoutNormIsRefusedForAnUnguessableRate) {
  LoadMediaLibraries();
  TempDir dir;
  const CliResult result = RunCli(kCli, {"-q", "--format", "VCD", "--output-options", "-target vcd", "--out",
                                         dir.Path().string(), SourceAtRate(dir, 24)});
  EXPECT_NE(result.exit_code, 0);
  EXPECT_NE(result.err.find("Could not determine norm"), std::string::npos) << result.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("src_(new)_auto_vcd.mpg")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("src_(new)_auto_vcd.mpg.part")));
}

}  // namespace
}  // namespace zentrova::test

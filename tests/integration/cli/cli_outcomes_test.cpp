// zentrova-cli as a process: each way a file can end is reported for what it
// is (converted, incomplete, failed), with its exit code, its JSON result and
// the output it leaves; and a batch longer than the open-file limit converts.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli_process.h"
#include "media/test_media.h"
#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova::test {
namespace {

namespace fs = std::filesystem;

const std::string kCli = ZENTROVA_CLI_PROGRAM;

nlohmann::json LastJsonLine(const std::string& out) {
  std::istringstream in(out);
  std::string last;
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) last = line;
  return nlohmann::json::parse(last);
}

ClipSpec Picture() {
  ClipSpec spec;
  spec.format = "image2";
  spec.duration_s = 0.04;  // one picture
  spec.video = VideoSpec{};
  spec.video->codec = "png";
  spec.video->pix_fmt = "rgb24";
  return spec;
}

// 3 s of FLAC in Matroska, whose header states the duration.
ClipSpec Tone() {
  ClipSpec spec = Flac(3);
  spec.format = "matroska";
  return spec;
}

struct OutcomeCase {
  const char* name;
  const char* source;  // file name (its extension picks the format)
  std::function<ClipSpec()> spec;
  double keep_fraction;                // 1: whole, else cut to this share
  std::vector<std::string> arguments;  // before the source
  const char* result;                  // the JSON result
  int exit_code;
  double output_s;      // > 0: the output is kept with about this duration; 0: none
  const char* message;  // part of the JSON message
};

void PrintTo(const OutcomeCase& c, std::ostream* os) {
  *os << c.name;
}

class CliOutcome : public ::testing::TestWithParam<OutcomeCase> {
 protected:
  void SetUp() override { LoadMediaLibraries(); }
  TempDir dir_;
};

TEST_P(CliOutcome, IsReportedForWhatItIs) {
  const OutcomeCase& c = GetParam();
  const std::string source = dir_.File(c.source);
  if (c.keep_fraction < 1) {
    const std::string whole = dir_.File(std::string("whole_") + c.source);
    MakeClip(whole, c.spec());
    MakeTruncatedCopy(whole, source, c.keep_fraction);
  } else {
    MakeClip(source, c.spec());
  }
  const std::string output = dir_.File("out.mka");
  std::vector<std::string> args = {"--json", "-o", output};
  args.insert(args.end(), c.arguments.begin(), c.arguments.end());
  args.push_back(source);
  const CliResult result = RunCli(kCli, args);
  EXPECT_EQ(result.exit_code, c.exit_code) << result.err;
  const nlohmann::json summary = LastJsonLine(result.out);
  ASSERT_EQ(summary["event"], "summary") << result.out;
  const nlohmann::json& file = summary["files"][0];
  EXPECT_EQ(file["result"], c.result) << file.dump();
  EXPECT_NE(file["message"].get<std::string>().find(c.message), std::string::npos) << file.dump();
  EXPECT_EQ(summary[c.result], 1);
  if (c.output_s > 0) {
    EXPECT_NEAR(ProbeFile(output).duration_us / 1e6, c.output_s, 0.25);
  } else {
    EXPECT_FALSE(fs::exists(output));
  }
  EXPECT_FALSE(fs::exists(output + ".part"));
}

const std::vector<std::string> kMka = {"--output-options", "-vn -c:a pcm_s16le"};

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, CliOutcome,
    ::testing::Values(
        OutcomeCase{"whole", "tone.mka", Tone, 1, kMka, "converted", 0, 3.0, ""},
        // The Matroska header still states 3 s; the data ends at about 1.5 s.
        OutcomeCase{"cut", "tone.mka", Tone, 0.5, kMka, "incomplete", 1, 1.5, "input ended at 0:01."},
        OutcomeCase{"cut_with_t_asking_for_less", "tone.mka", Tone, 0.5,
                    {"--output-options", "-vn -c:a pcm_s16le -t 1"}, "converted", 0, 1.0, ""},
        // Half a picture cannot be decoded: no output is kept.
        OutcomeCase{"half_a_picture", "pic.png", Picture, 0.5,
                    {"--output-options", "-c:v mjpeg -f matroska"}, "failed", 1, 0, ""},
        // A filter that lets nothing through: the video planned never comes.
        OutcomeCase{"video_lost", "clip.mp4", [] { return Mp4H264Aac(1); }, 1,
                    {"--output-options", "-f matroska -c:v mpeg4 -c:a flac -vf trim=start=100"}, "failed", 1, 0,
                    "got no video data"},
        OutcomeCase{"nothing_written", "clip.mp4", [] { return Mp4H264Aac(1); }, 1,
                    {"--output-options", "-f matroska -c:v mpeg4 -an -vf trim=start=100"}, "failed", 1, 0, "holds no data"},
        // The library's own error line, logged before the step fails, is the cause the user reads.
        OutcomeCase{"cause_from_the_muxer", "tone.mka", Tone, 1,
                    {"--output-options", "-vn -f mp4 -c:a libmp3lame -ar 8000 -ac 1"}, "failed", 1, 0,
                    "Invalid data found when processing input: mp4: track 0: muxing mp3 at 8000hz is not standard"},
        OutcomeCase{"cause_from_the_encoder", "tone.mka", Tone, 1,
                    {"--output-options", "-vn -f ogg -c:a libvorbis -b:a 512k -ar 8000"}, "failed", 1, 0,
                    "width or height: libvorbis: encoder setup failed"}),
    [](const ::testing::TestParamInfo<OutcomeCase>& info) { return std::string(info.param.name); });
// clang-format on

TEST(CliBatch, LongerThanTheOpenFileLimitConvertsEveryFile) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string first = dir.File("t0.wav");
  MakeClip(first, WavS16(0.2));
  constexpr int kFiles = 120;
  std::vector<std::string> args = {
      "-c", "ulimit -n 64 && exec \"$0\" \"$@\"", kCli, "-q", "--tasks", "2", "--format", "WAV", first};
  for (int i = 1; i < kFiles; ++i) {
    const std::string copy = dir.File(fmt::format("t{}.wav", i));
    fs::copy_file(first, copy);
    args.push_back(copy);
  }
  const CliResult result = RunCli("/bin/sh", args);
  ASSERT_EQ(result.exit_code, 0) << result.err.substr(0, 2000);
  for (int i = 0; i < kFiles; ++i)
    EXPECT_GT(fs::file_size(dir.File(fmt::format("t{}_(new).wav", i))), 1000u) << i;
}

}  // namespace
}  // namespace zentrova::test

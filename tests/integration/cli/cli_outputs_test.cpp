// zentrova-cli as a process: an output's name holds what it held before
// unless a run finished a new file for it, whatever ends the run.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "cli_process.h"
#include "media/test_media.h"
#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kCli = ZENTROVA_CLI_PROGRAM;
constexpr const char* kEarlier = "an earlier output";

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::int64_t SizeOf(const std::string& path) {
  std::error_code error;
  const std::uintmax_t size = fs::file_size(path, error);
  return error ? 0 : static_cast<std::int64_t>(size);
}

// Waits until `done` (polling), at most `timeout_ms`.
bool WaitUntil(const std::function<bool()>& done, int timeout_ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

class CliOutputs : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadMediaLibraries();
    ClipSpec spec = Mp4H264Aac(20);  // long enough to be caught while running
    spec.video->width = 160;
    spec.video->height = 120;
    source_ = dir_.File("src.mp4");
    MakeClip(source_, spec);
    output_ = dir_.File("out.mp4");
    part_ = output_ + ".part";
    std::ofstream(output_, std::ios::binary) << kEarlier;
  }

  // A run of the whole clip into `output_`, read at its own pace (-re) so
  // that it is surely still running when the test acts.
  CliProcess StartLongRun() {
    return CliProcess(kCli, {"-q", "--input-options", "-re", "-o", output_, source_});
  }

  TempDir dir_;
  std::string source_;
  std::string output_;
  std::string part_;
};

TEST_F(CliOutputs, AKilledRunLeavesOnlyItsPartFile) {
  CliProcess run = StartLongRun();
  ASSERT_TRUE(WaitUntil([&] { return SizeOf(part_) > 0; }, 120000)) << "no .part file appeared";
  EXPECT_TRUE(ReadAll(output_) == kEarlier);
  run.Signal(SIGKILL);
  const CliResult result = run.Wait(60000);
  EXPECT_NE(result.exit_code, 0) << result.err;
  EXPECT_TRUE(ReadAll(output_) == kEarlier) << "a half file replaced the earlier output";
  EXPECT_TRUE(fs::exists(part_));

  // The next run for the same output takes the stale .part file over.
  const std::string short_source = dir_.File("short.mp4");
  MakeClip(short_source, Mp4H264Aac(0.5));
  const CliResult again = RunCli(kCli, {"-q", "-o", output_, short_source});
  ASSERT_EQ(again.exit_code, 0) << again.err;
  EXPECT_NEAR(ProbeFile(output_).duration_us / 1e6, 0.5, 0.15);
  EXPECT_FALSE(fs::exists(part_));
}

// A second stop request aborts at once. Two different signals, so that
// they cannot merge into one while both are pending.
TEST_F(CliOutputs, AnAbortedRunKeepsTheEarlierOutput) {
  CliProcess run = StartLongRun();
  ASSERT_TRUE(WaitUntil([&] { return SizeOf(part_) > 0; }, 120000)) << "no .part file appeared";
  run.Signal(SIGINT);
  run.Signal(SIGTERM);
  const CliResult result = run.Wait(60000);
  EXPECT_EQ(result.exit_code, 130) << result.err;
  EXPECT_TRUE(ReadAll(output_) == kEarlier) << "an aborted run replaced the earlier output";
}

TEST_F(CliOutputs, AFailedRunKeepsTheEarlierOutput) {
  struct Case {
    const char* name;
    const char* output;  // in the test's folder, holding an earlier output
    std::vector<std::string> options;
  };
  const Case cases[] = {
      // MP4 has no tag for 16-bit PCM: the run fails when it writes the header.
      {"header refused", "out.mp4", {"--output-options", "-c:v mpeg4 -c:a pcm_s16le"}},
      // Audio written, but the video planned never comes: a failure after the header.
      {"video lost", "out.mkv", {"--output-options", "-c:v mpeg4 -c:a flac -vf trim=start=100"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string output = dir_.File(c.output);
    std::ofstream(output, std::ios::binary) << kEarlier;
    std::vector<std::string> args = {"-q", "-o", output};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(source_);
    const CliResult result = RunCli(kCli, args);
    EXPECT_EQ(result.exit_code, 1) << result.err;
    EXPECT_TRUE(ReadAll(output) == kEarlier);
    EXPECT_FALSE(fs::exists(output + ".part"));
  }
}

TEST_F(CliOutputs, ASecondConverterOfTheSameOutputIsRefusedAndTheFirstFinishes) {
  CliProcess first = StartLongRun();
  ASSERT_TRUE(WaitUntil([&] { return SizeOf(part_) > 0; }, 120000));
  const CliResult second = RunCli(kCli, {"-o", output_, source_});
  EXPECT_EQ(second.exit_code, 1);
  EXPECT_NE((second.out + second.err).find("being written by another conversion"), std::string::npos)
      << second.out << second.err;
  EXPECT_TRUE(fs::exists(part_)) << "the second converter removed the first one's file";
  first.Signal(SIGINT);  // a stop finalises the first one's output
  const CliResult ended = first.Wait(120000);
  EXPECT_EQ(ended.exit_code, 1) << ended.err;  // stopped
  EXPECT_GT(ProbeFile(output_).duration_us, 0);
  EXPECT_FALSE(fs::exists(part_));
}

}  // namespace
}  // namespace zentrova::test

// zentrova-cli end to end: tasks that run side by side share the processors
// among their encoders. The H.264 encoder writes the settings it ran with
// into its stream ("... threads=N ..."), which is read back from the outputs.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli_process.h"
#include "encoder/thread_share.h"
#include "media/test_media.h"
#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova::test {
namespace {

const std::string kCli = ZENTROVA_CLI_PROGRAM;

// The encoder threads the H.264 settings text in `path` states; -1 when the
// file holds no such text, or more than one.
int StatedEncoderThreads(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const std::string settings_mark = "options: ";
  const std::size_t settings = bytes.find(settings_mark);
  if (settings == std::string::npos || bytes.find(settings_mark, settings + 1) != std::string::npos)
    return -1;
  const std::size_t threads = bytes.find(" threads=", settings);
  if (threads == std::string::npos) return -1;
  return std::atoi(bytes.c_str() + threads + 9);
}

struct ThreadsCase {
  int tasks;  ///< --tasks
  int files;
};

class CliThreads : public ::testing::TestWithParam<ThreadsCase> {
 protected:
  void SetUp() override { LoadMediaLibraries(); }
  TempDir dir_;
};

TEST_P(CliThreads, EachEncoderGetsItsShareOfTheProcessors) {
  const ThreadsCase c = GetParam();
  std::vector<std::string> args = {"-q", "--tasks", std::to_string(c.tasks)};
  std::vector<std::string> outputs;
  for (int i = 0; i < c.files; ++i) {
    const std::string source = dir_.File(fmt::format("c{}.mp4", i));
    MakeClip(source, Mp4H264Aac(0.5));  // 320x240: room for 15 encoder threads
    args.push_back(source);
    outputs.push_back(dir_.File(fmt::format("c{}_(new).mp4", i)));
  }
  const CliResult result = RunCli(kCli, args);
  ASSERT_EQ(result.exit_code, 0) << result.err;
  const int expected = std::min(15, EncoderThreadsPerTask(MachineProcessors(), std::min(c.tasks, c.files)));
  for (const std::string& output : outputs) EXPECT_EQ(StatedEncoderThreads(output), expected) << output;
}

INSTANTIATE_TEST_SUITE_P(Cases, CliThreads,
                         ::testing::Values(ThreadsCase{1, 1}, ThreadsCase{3, 3}, ThreadsCase{3, 2}));

}  // namespace
}  // namespace zentrova::test

// zentrova-cli processes converting into one folder: a name another running
// conversion writes is never taken over. An automatic name moves on to the
// next free NAME_(new_N); a name given with -o fails the task clearly.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
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

nlohmann::json SummaryFile(const std::string& out) {
  std::istringstream in(out);
  std::string last;
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) last = line;
  return nlohmann::json::parse(last)["files"][0];
}

// Reads the child's JSON lines until its task writes (the first progress).
bool WaitUntilWriting(CliProcess& process) {
  while (const std::optional<std::string> line = process.ReadLine(60000))
    if (line->find("\"event\":\"progress\"") != std::string::npos) return true;
  return false;
}

class CliHeldNames : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadMediaLibraries();
    fs::create_directories(dir_.File("one"));
    fs::create_directories(dir_.File("two"));
    fs::create_directories(dir_.File("out"));
    MakeClip(dir_.File("one/a.wav"), WavS16(2.0));
    MakeClip(dir_.File("two/a.wav"), WavS16(0.5));
  }
  TempDir dir_;
};

TEST_F(CliHeldNames, TwoProcessesOnTheSameSourceNameWriteTwoOutputs) {
  // The first reads its source at its own pace (-re): it still writes while the second runs.
  CliProcess first(kCli, {"--json", "--format", "WAV", "--input-options", "-re", "--out", dir_.File("out"),
                          dir_.File("one/a.wav")});
  ASSERT_TRUE(WaitUntilWriting(first));
  const CliResult second =
      RunCli(kCli, {"--json", "--format", "WAV", "--out", dir_.File("out"), dir_.File("two/a.wav")});
  const CliResult first_result = first.Wait(60000);
  ASSERT_EQ(first_result.exit_code, 0) << first_result.err;
  ASSERT_EQ(second.exit_code, 0) << second.err;

  const std::string first_output = dir_.File("out/a_(new).wav");
  const std::string second_output = dir_.File("out/a_(new_1).wav");
  EXPECT_EQ(SummaryFile(second.out)["output"], second_output);
  // Each output holds its own source.
  EXPECT_NEAR(ProbeFile(first_output).duration_us / 1e6, 2.0, 0.1);
  EXPECT_NEAR(ProbeFile(second_output).duration_us / 1e6, 0.5, 0.1);
  for (const auto& entry : fs::directory_iterator(dir_.File("out")))
    EXPECT_NE(entry.path().extension(), ".part") << entry.path();
}

struct HeldCase {
  const char* name;
  std::vector<std::string> naming;  // arguments that name the output (names in the test folder)
  const char* existing;             // an output of an earlier run; empty: none
  std::vector<std::string> held;    // the names other conversions write
  const char* written;              // the output written; empty: none
  int exit_code;
  const char* message;
};

void PrintTo(const HeldCase& c, std::ostream* os) {
  *os << c.name;
}

class CliHeldName : public CliHeldNames, public ::testing::WithParamInterface<HeldCase> {};

TEST_P(CliHeldName, MovesOnOrFailsClearly) {
  const HeldCase& c = GetParam();
  if (*c.existing) {
    std::ofstream earlier(dir_.File(std::string("out/") + c.existing));
    earlier << "earlier";
  }
  // Other conversions: each holds the lock on its temporary file.
  std::vector<int> locks;
  for (const std::string& held : c.held) {
    const int fd = ::open(dir_.File("out/" + held + ".part").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    ASSERT_GE(fd, 0);
    locks.push_back(fd);
    ASSERT_EQ(::write(fd, "data", 4), 4);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  }
  std::vector<std::string> args = {"--json", "--format", "WAV"};
  for (const std::string& arg : c.naming) args.push_back(arg.starts_with('-') ? arg : dir_.File(arg));
  args.push_back(dir_.File("two/a.wav"));
  const CliResult result = RunCli(kCli, args);
  for (const int fd : locks) ::close(fd);

  EXPECT_EQ(result.exit_code, c.exit_code) << result.err;
  const nlohmann::json file = SummaryFile(result.out);
  EXPECT_NE(file["message"].get<std::string>().find(c.message), std::string::npos) << file.dump();
  for (const std::string& held : c.held) {
    EXPECT_EQ(fs::file_size(dir_.File("out/" + held + ".part")),
              4u);  // the other conversion's file is left alone
    EXPECT_FALSE(fs::exists(dir_.File("out/" + held)));
  }
  if (*c.existing) {
    EXPECT_EQ(fs::file_size(dir_.File(std::string("out/") + c.existing)), 7u);
  }
  if (*c.written) {
    const std::string written = dir_.File(std::string("out/") + c.written);
    EXPECT_EQ(file["output"], written);
    EXPECT_NEAR(ProbeFile(written).duration_us / 1e6, 0.5, 0.1);
    EXPECT_FALSE(fs::exists(written + ".part"));
  }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, CliHeldName,
    ::testing::Values(
        HeldCase{"automatic", {"--out", "out"}, "", {"a_(new).wav"}, "a_(new_1).wav", 0, ""},
        HeldCase{"automatic_next_held_too", {"--out", "out"}, "", {"a_(new).wav", "a_(new_1).wav"}, "a_(new_2).wav", 0, ""},
        HeldCase{"keeping_existing", {"--no-overwrite", "--out", "out"}, "a_(new).wav", {"a_(new_1).wav"}, "a_(new_2).wav", 0, ""},
        HeldCase{"named_by_user", {"-o", "out/a_(new).wav"}, "", {"a_(new).wav"}, "", 1,
                 "is being written by another conversion"}),
    [](const ::testing::TestParamInfo<HeldCase>& info) { return std::string(info.param.name); });
// clang-format on

}  // namespace
}  // namespace zentrova::test

#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "log/logger.h"
#include "log/main_thread.h"
#include "log_recorder.h"
#include "support/temp_dir.h"

namespace zentrova {
namespace {

using enum TLogLevel;
using test::LogRecorder;
using test::TempDir;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class LogFile : public ::testing::Test {
 protected:
  void SetUp() override {
    AttachMainThread();
    logger.SetLogLevel(TLogLevel::llInfo);  // a new logger takes the library's current level
  }
  void TearDown() override {
    logger.SetLogToFile(false);
    logger.SetLogFile("");
  }
  TempDir dir;
  TZOVuzodi logger;
};

TEST_F(LogFile, WritesOneTimedLinePerMessageWithThreadAndLevel) {
  const std::string path = dir.File("run.log");
  logger.SetLogFile(path);
  logger.SetLogToFile(true);
  logger.Log(nullptr, llInfo, "first message");
  logger.Log(nullptr, llError, "second");
  logger.Log(nullptr, llDebug, "filtered out");
  const auto lines = SplitLines(ReadFile(path));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(std::regex_match(lines[0],
                               std::regex(R"(^\d\d:\d\d:\d\d \d{3} \[[0-9A-F]{8}\] Info: first message\r$)")))
      << lines[0];
  EXPECT_TRUE(
      std::regex_match(lines[1], std::regex(R"(^\d\d:\d\d:\d\d \d{3} \[[0-9A-F]{8}\] Error: second\r$)")))
      << lines[1];
}

TEST_F(LogFile, AppendsToAnExistingFile) {
  const std::string path = dir.File("existing.log");
  test::WriteFile(path, "kept line\r\n");
  logger.SetLogFile(path);
  logger.SetLogToFile(true);
  logger.Log(nullptr, llWarning, "appended");
  const auto lines = SplitLines(ReadFile(path));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "kept line\r");
  EXPECT_NE(lines[1].find("] Warning: appended\r"), std::string::npos);
}

TEST_F(LogFile, ClearEmptiesTheOpenFileAndWritingGoesOn) {
  const std::string path = dir.File("open.log");
  logger.SetLogFile(path);
  logger.SetLogToFile(true);
  logger.Log(nullptr, llInfo, "before");
  ASSERT_TRUE(logger.ClearLogFile());
  EXPECT_EQ(ReadFile(path), "");
  logger.Log(nullptr, llInfo, "after");
  const auto lines = SplitLines(ReadFile(path));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("] Info: after\r"), std::string::npos);
}

TEST_F(LogFile, ClearDeletesTheFileWhenNoneIsOpen) {
  const std::string path = dir.File("closed.log");
  test::WriteFile(path, "old\r\n");
  logger.SetLogFile(path);  // not written to: nothing open
  EXPECT_TRUE(logger.ClearLogFile());
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_TRUE(logger.ClearLogFile());  // nothing left to delete
}

TEST_F(LogFile, ChangingTheNameClosesTheFileAndTheNextLineOpensTheNewOne) {
  const std::string first = dir.File("一.log");
  const std::string second = dir.File("第二 个 日志.log");
  logger.SetLogFile(first);
  logger.SetLogToFile(true);
  logger.Log(nullptr, llInfo, "to first");
  logger.SetLogFile(second);
  logger.Log(nullptr, llInfo, "到 second");
  EXPECT_EQ(SplitLines(ReadFile(first)).size(), 1u);
  const auto lines = SplitLines(ReadFile(second));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("Info: 到 second\r"), std::string::npos);
}

TEST_F(LogFile, UnopenableFileIsReportedOnceAndTriedAgainAtTheNextLine) {
  LogRecorder recorder;
  logger.SetOnLog(recorder.Handler());
  const std::string folder = dir.File("later");
  const std::string path = folder + "/run.log";
  logger.SetLogFile(path);
  logger.SetLogToFile(true);
  EXPECT_NO_THROW(logger.Log(nullptr, llInfo, "one"));
  EXPECT_NO_THROW(logger.Log(nullptr, llInfo, "two"));
  const auto lines = recorder.Lines();
  ASSERT_EQ(lines.size(), 3u);  // "one", the error, "two"
  EXPECT_EQ(lines[1].Level, llError);
  EXPECT_EQ(lines[1].Msg, "Cannot open log file \"" + path + "\": No such file or directory");
  EXPECT_EQ(lines[2].Msg, "two");
  EXPECT_FALSE(std::filesystem::exists(path));

  std::filesystem::create_directory(folder);
  logger.Log(nullptr, llInfo, "three");
  EXPECT_EQ(SplitLines(ReadFile(path)).size(), 1u);
}

}  // namespace
}  // namespace zentrova

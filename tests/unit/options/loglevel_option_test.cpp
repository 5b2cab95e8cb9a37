#include "options/loglevel_option.h"

#include <gtest/gtest.h>

#include "library_log_capture.h"
#include "log/logger.h"
#include "options/ff_options.h"
#include "options/option_apply.h"
#include "options/option_split.h"
#include "support/libraries.h"
#include "test_table.h"

namespace zentrova {
namespace {

// Keeps the process-wide logger's level and flags as they were.
class LogLevelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::LoadMediaLibraries();
    level_ = DefaultLogger()->LogLevel();
    flags_ = DefaultLogger()->LogFlags();
    last_error_text().clear();
  }
  void TearDown() override {
    DefaultLogger()->SetLogLevel(level_);
    DefaultLogger()->SetLogFlags(flags_);
  }

 private:
  TLogLevel level_{};
  int flags_ = 0;
};

TEST_F(LogLevelTest, SetsTheLevelAndTheRepeatFlag) {
  struct Case {
    const char* arg;
    TLogLevel level;
    int skip_repeated;
  } cases[] = {
      {"info", TLogLevel::llInfo, 1},
      {"repeat+info", TLogLevel::llInfo, 0},
      {"32", TLogLevel::llInfo, 1},
      {"", TLogLevel::llPanic, 1},
      {"quiet", TLogLevel::llQuiet, 1},
      {"trace", TLogLevel::llTrace, 1},
      {"repeat+error", TLogLevel::llError, 0},
      {"20", TLogLevel::llError, 1},
      {"-8", TLogLevel::llQuiet, 1},
      {"warning", TLogLevel::llWarning, 1},
  };
  for (const Case& c : cases) {
    DefaultLogger()->SetLogLevel(TLogLevel::llVerbose);
    EXPECT_EQ(set_loglevel("loglevel", c.arg), 0) << c.arg;
    EXPECT_EQ(DefaultLogger()->LogLevel(), c.level) << c.arg;
    EXPECT_EQ(DefaultLogger()->LogFlags() & AV_LOG_SKIP_REPEATED, c.skip_repeated) << c.arg;
  }
}

TEST_F(LogLevelTest, RepeatAloneOnlyChangesTheFlags) {
  DefaultLogger()->SetLogLevel(TLogLevel::llVerbose);
  DefaultLogger()->SetLogFlags(AV_LOG_SKIP_REPEATED);
  EXPECT_EQ(set_loglevel("loglevel", "repeat"), 0);
  EXPECT_EQ(DefaultLogger()->LogLevel(), TLogLevel::llVerbose);
  EXPECT_EQ(DefaultLogger()->LogFlags() & AV_LOG_SKIP_REPEATED, 0);
}

TEST_F(LogLevelTest, RefusesAnUnknownLevelListingTheNames) {
  for (const char* bad : {"foo", "Info", "info+repeat", "3x", " 32"}) {
    test::LibraryLogCapture log;
    DefaultLogger()->SetLogLevel(TLogLevel::llVerbose);
    EXPECT_EQ(set_loglevel("loglevel", bad), -22) << bad;
    EXPECT_EQ(DefaultLogger()->LogLevel(), TLogLevel::llVerbose);
    EXPECT_EQ(last_error_text(),
              std::string("Invalid loglevel \"") + bad +
                  "\". Possible levels are numbers or:\r\n\"quiet\"\r\n\"panic\"\r\n\"fatal\"\r\n"
                  "\"error\"\r\n\"warning\"\r\n\"info\"\r\n\"verbose\"\r\n\"debug\"\r\n"
                  "\"trace\"\r\n");
    EXPECT_TRUE(log.Has(16, "Possible levels are numbers or:\n\"quiet\"\n")) << bad;
  }
}

TEST_F(LogLevelTest, PrescanAppliesLoglevelBeforeV) {
  test::TestEngine engine;
  struct Case {
    const char* text;
    TLogLevel level;
  } cases[] = {
      {"-ss 1 -loglevel error -y", TLogLevel::llError},
      {"-v debug -loglevel warning", TLogLevel::llWarning},
      {"-v fatal -y", TLogLevel::llFatal},
      {"-y -loglevel", TLogLevel::llVerbose},      // no argument: unchanged
      {"-ss -loglevel -y", TLogLevel::llVerbose},  // "-loglevel" is the argument of -ss
  };
  for (const Case& c : cases) {
    DefaultLogger()->SetLogLevel(TLogLevel::llVerbose);
    prescan_loglevel(split_option_string(c.text), engine.Table());
    EXPECT_EQ(DefaultLogger()->LogLevel(), c.level) << c.text;
  }
}

TEST_F(LogLevelTest, DebugLibraryOptionRaisesTheLevelAndIsRouted) {
  DefaultLogger()->SetLogLevel(TLogLevel::llInfo);
  TFFOptions options;
  EXPECT_EQ(options.opt_default("debug", "mb_type"), 0);
  EXPECT_EQ(DefaultLogger()->LogLevel(), TLogLevel::llDebug);
  EXPECT_NE(options.codec_opts(), nullptr);
}

}  // namespace
}  // namespace zentrova

#include "options/parse_options.h"

#include <gtest/gtest.h>
#include <stdexcept>

#include "log/logger.h"
#include "media/error_text.h"
#include "options/dictionary.h"
#include "options/option_apply.h"
#include "support/libraries.h"
#include "test_table.h"

namespace zentrova {
namespace {

using test::TestEngine;
using test::TestFileContext;

// One file's parse as an engine runs it: its own parse context, then
// ParseOptions, then the context released.
class ParseOptionsDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::LoadMediaLibraries();
    level_ = DefaultLogger()->LogLevel();
    options.init_parse_context();
  }
  void TearDown() override {
    options.uninit_parse_context();
    DefaultLogger()->SetLogLevel(level_);
  }
  int Run(const char* text, const char* presets = "", std::int32_t kind = OPTF_OUTPUT) {
    TParseOptionsEngine env{options, engine.Table(), halt, last_err_msg, presets_fn, this};
    return ParseOptions(env, &file, text, presets, kind == OPTF_INPUT ? "input file" : "output file", kind,
                        "out.mp4");
  }

  TestEngine engine;
  TestFileContext file;
  TFFOptions options;
  bool halt = true;
  std::string last_err_msg;
  std::vector<std::string> order;  // what ran, in order
  std::function<int(TOptionContext, std::string_view, std::string_view)> presets_fn =
      [this](TOptionContext o, std::string_view presets, std::string_view group) {
        EXPECT_EQ(o.As<TestFileContext>(), &file);
        order.push_back("presets(" + std::string(presets) + "," + std::string(group) +
                        ") after y=" + std::to_string(engine.overwrite) + " f=" + file.f);
        return presets == "bad" ? -22 : 0;
      };

 private:
  TLogLevel level_{};
};

TEST_F(ParseOptionsDriverTest, AppliesGlobalThenPresetsThenFileOptions) {
  ASSERT_EQ(Run("-f mp4 -y -b:v 1M", "vcodec=x"), 0);
  EXPECT_EQ(order, std::vector<std::string>{"presets(vcodec=x,output file) after y=1 f="});
  EXPECT_EQ(file.f, "mp4");
  EXPECT_STREQ(DictGet(options.OptionParseContext().file_opts.codec_opts, "b:v"), "1M");
  EXPECT_EQ(last_err_msg, "");
}

TEST_F(ParseOptionsDriverTest, AnEmptyStringOnlyAppliesThePresets) {
  ASSERT_EQ(Run("", "p"), 0);
  EXPECT_EQ(order.size(), 1u);
  EXPECT_EQ(Run("", "bad"), -22);
}

TEST_F(ParseOptionsDriverTest, HaltDecidesWhetherAFailureFailsTheOpen) {
  struct Case {
    const char* text;
    bool halt;
    int result;
    const char* reason;  // FLastErrMsg before the CRLF and the code's text
  } cases[] = {
      {"-ss", true, -22, "Missing argument for option \"ss\""},
      {"-ss", false, 0, nullptr},
      {"foo", true, -22, "Failed to parse options on \"foo\""},
      {"foo -f mp4", false, 0, nullptr},
      {"-map 0:v", true, -22,
       "Option map (set input stream mapping) cannot be applied to input file out.mp4"},
      {"-loglevel foo", true, -22, "Invalid loglevel \"foo\""},
      {"-nosuch 1", true, AVERROR_OPTION_NOT_FOUND, "Unrecognized option \"nosuch\""},
      {"-srcw 100", true, -22, "Directly using swscale dimensions/format options is not supported"},
  };
  for (const Case& c : cases) {
    options.init_parse_context();
    halt = c.halt;
    last_err_msg.clear();
    EXPECT_EQ(Run(c.text, "", OPTF_INPUT), c.result) << c.text;
    if (c.reason) {
      EXPECT_TRUE(last_err_msg.starts_with(c.reason)) << last_err_msg;
      EXPECT_TRUE(last_err_msg.ends_with("\r\n" + error_code_text(c.result))) << last_err_msg;
    } else {
      EXPECT_EQ(last_err_msg, "") << c.text;
    }
  }
  // Without halting, what could be applied was applied.
  EXPECT_EQ(file.f, "mp4");
}

TEST_F(ParseOptionsDriverTest, AGlobalFailureSkipsPresetsAndFileOptions) {
  EXPECT_EQ(Run("-f mp4 -refuse x"), -22);
  EXPECT_TRUE(order.empty());
  EXPECT_EQ(file.f, "");
  EXPECT_TRUE(
      last_err_msg.starts_with("refused on purpose\r\nFailed to set value \"x\" for option \"refuse\""))
      << last_err_msg;
}

TEST_F(ParseOptionsDriverTest, WithoutAReasonTheCodeTextStandsAlone) {
  last_error_text() = "stale text of an earlier parse";
  EXPECT_EQ(Run("-y", "bad"), -22);
  EXPECT_EQ(last_err_msg, error_code_text(-22));
}

TEST_F(ParseOptionsDriverTest, ExceptionsLeaveWithNothingLeaked) {
  EXPECT_THROW(Run("-c:v mpeg4 -ar x -b:v 1M"), std::runtime_error);
  options.init_parse_context();
  EXPECT_THROW(Run("-c:v mpeg4 -throw x -ss 1"), std::runtime_error);
  ASSERT_EQ(file.codec.size(), 2u);
}

}  // namespace
}  // namespace zentrova

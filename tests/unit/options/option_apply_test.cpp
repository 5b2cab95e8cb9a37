#include "options/option_apply.h"

#include <gtest/gtest.h>
#include <stdexcept>

#include "library_log_capture.h"
#include "media/error_text.h"
#include "options/ff_options.h"
#include "options/option_apply.h"
#include "options/option_split.h"
#include "support/libraries.h"
#include "test_table.h"

namespace zentrova {
namespace {

using test::LibraryLogCapture;
using test::TestEngine;
using test::TestFileContext;

class ApplyOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::LoadMediaLibraries();
    options.init_parse_context();
    last_error_text().clear();
  }
  // Parses `text` and applies both groups the way an output file is opened.
  int ParseAndApply(const char* text, std::int32_t file_kind = OPTF_OUTPUT) {
    const int r = options.parse_options(split_option_string(text), engine.Table(), true);
    if (r < 0) return r;
    TOptionParseContext& groups = options.OptionParseContext();
    const int g = apply_option_group(nullptr, groups.global_opts, "global", "", 0);
    if (g < 0) return g;
    return apply_option_group(&file, groups.file_opts, file_kind == OPTF_INPUT ? "input file" : "output file",
                              "out.mp4", file_kind);
  }

  TestEngine engine;
  TestFileContext file;
  TFFOptions options;
};

TEST_F(ApplyOptionsTest, StoresTypedValuesAndSpecifierLists) {
  ASSERT_EQ(ParseAndApply("-y -f mp4 -ss 1.5 -fs 1000 -muxdelay 0.25 -dts_delta_threshold 2.5 "
                          "-c:v libx264 -c copy -c:a:0 aac -q:v 3 -frames 10 -map 0:v -vcodec mpeg4"),
            0);
  EXPECT_EQ(engine.overwrite, 1);
  EXPECT_FLOAT_EQ(engine.dts_delta_threshold, 2.5f);
  EXPECT_EQ(file.f, "mp4");
  EXPECT_EQ(file.ss, 1500000);
  EXPECT_EQ(file.fs, 1000);
  EXPECT_FLOAT_EQ(file.muxdelay, 0.25f);
  ASSERT_EQ(file.codec.size(), 4u);
  EXPECT_EQ(file.codec[0].specifier, "v");
  EXPECT_EQ(file.codec[0].value, "libx264");
  EXPECT_EQ(file.codec[1].specifier, "");
  EXPECT_EQ(file.codec[1].value, "copy");
  EXPECT_EQ(file.codec[2].specifier, "a:0");
  EXPECT_EQ(file.codec[3].specifier, "v");  // -vcodec applies c:v
  EXPECT_EQ(file.codec[3].value, "mpeg4");
  ASSERT_EQ(file.q.size(), 1u);
  EXPECT_DOUBLE_EQ(file.q[0].value, 3.0);
  ASSERT_EQ(file.frames.size(), 1u);
  EXPECT_EQ(file.frames[0].value, 10);
  EXPECT_EQ(file.map, std::vector<std::string>{"0:v"});
}

TEST_F(ApplyOptionsTest, BooleanRowsTakeOneOrZero) {
  ASSERT_EQ(ParseAndApply("-re -autorotate 0 -noautorotate -autorotate:v 1", OPTF_INPUT), 0);
  EXPECT_EQ(file.re, 1);
  ASSERT_EQ(file.autorotate.size(), 3u);
  EXPECT_EQ(file.autorotate[0].value, 0);
  EXPECT_EQ(file.autorotate[1].value, 0);
  EXPECT_EQ(file.autorotate[2].value, 1);
  EXPECT_EQ(file.autorotate[2].specifier, "v");
  file = {};
  options.init_parse_context();
  ASSERT_EQ(ParseAndApply("-re -nore", OPTF_INPUT), 0);
  EXPECT_EQ(file.re, 0);
}

TEST_F(ApplyOptionsTest, RefusesOptionsOfTheOtherFileKind) {
  struct Case {
    const char* text;
    std::int32_t kind;
    const char* message;
  } cases[] = {
      {"-map 0:v", OPTF_INPUT,
       "Option map (set input stream mapping) cannot be applied to input file out.mp4"},
      {"-re", OPTF_OUTPUT, "Option re (read at native rate) cannot be applied to output file out.mp4"},
      {"-q:v 2", OPTF_INPUT, "Option q:v (quality scale) cannot be applied to input file out.mp4"},
  };
  for (const Case& c : cases) {
    LibraryLogCapture log;
    options.init_parse_context();
    EXPECT_EQ(ParseAndApply(c.text, c.kind), -22) << c.text;
    EXPECT_TRUE(last_error_text().starts_with(c.message)) << last_error_text();
    EXPECT_TRUE(log.Has(16, c.message)) << c.text;
  }
  EXPECT_TRUE(file.map.empty());
}

TEST_F(ApplyOptionsTest, ValueParserFailuresThrowWithTheirMessage) {
  struct Case {
    const char* text;
    const char* message;
  } cases[] = {
      {"-ar 44.1k", "Expected integer for \"ar\" but found \"44.1k\""},
      {"-fs 1e3", "Expected int64 for \"fs\" but found \"1e3\""},
      {"-q:v nan", "Expected double for \"q:v\" but found \"nan\""},
      {"-muxdelay x", "Expected float for \"muxdelay\" but found \"x\""},
      {"-ss 1:x", "Invalid duration value for \"ss\": \"1:x\""},
  };
  for (const Case& c : cases) {
    options.init_parse_context();
    try {
      ParseAndApply(c.text);
      ADD_FAILURE() << "no exception for " << c.text;
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
  // A value that failed to parse is never stored, not even half.
  EXPECT_TRUE(file.ar.empty());
  EXPECT_TRUE(file.q.empty());
  EXPECT_EQ(file.fs, INT64_MAX);
}

TEST_F(ApplyOptionsTest, AThrowInTheMiddleOfAGroupKeepsWhatWasAppliedAndLeaksNothing) {
  EXPECT_THROW(ParseAndApply("-b:v 1M -c:v mpeg4 -ar 48000 -throw boom -c:a aac -sws_flags lanczos"),
               std::runtime_error);
  ASSERT_EQ(file.codec.size(), 1u);
  ASSERT_EQ(file.ar.size(), 1u);
  options.uninit_parse_context();
  EXPECT_EQ(options.OptionParseContext().file_opts.nb_opts(), 0);
  EXPECT_EQ(options.OptionParseContext().file_opts.codec_opts, nullptr);
}

TEST_F(ApplyOptionsTest, AFailingHandlerStopsTheGroupWithBothTexts) {
  LibraryLogCapture log;
  EXPECT_EQ(ParseAndApply("-refuse x -y"), -22);
  EXPECT_EQ(last_error_text(),
            "refused on purpose\r\nFailed to set value \"x\" for option \"refuse\": " + error_code_text(-22));
  EXPECT_TRUE(log.Has(16, "Failed to set value \"x\" for option \"refuse\""));
  EXPECT_EQ(engine.global_calls, std::vector<std::string>{"refuse"});  // handler got no file context
  EXPECT_EQ(engine.overwrite, 0);                                      // -y came after the failure
}

TEST(ApplyOption, AppliesByNameLikeAHandler) {
  test::LoadMediaLibraries();
  TestEngine engine;
  TestFileContext file;
  struct Case {
    const char* opt;
    std::optional<std::string_view> arg;
    int result;
    const char* error;
  } cases[] = {
      {"c:a", "aac", 1, ""},
      {"re", std::nullopt, 0, ""},
      {"nore", std::nullopt, 0, ""},
      {"ss", std::nullopt, -22, "Missing argument for option \"ss\""},
      {"nosuch", "1", -22, "Unrecognized option \"nosuch\""},
      {"nomap", "0:v", -22, "Unrecognized option \"nomap\""},
  };
  for (const Case& c : cases) {
    last_error_text().clear();
    EXPECT_EQ(apply_option(&file, c.opt, c.arg, engine.Table()), c.result) << c.opt;
    EXPECT_EQ(last_error_text(), c.error) << c.opt;
  }
  ASSERT_EQ(file.codec.size(), 1u);
  EXPECT_EQ(file.codec[0].specifier, "a");
  EXPECT_EQ(file.re, 0);
}

TEST(StoreOptionValue, RefusesAFileOptionWithoutAContext) {
  TestEngine engine;
  EXPECT_THROW(store_option_value(nullptr, *lookup_option(engine.Table(), "ss"), "ss", "1"),
               std::logic_error);
  int other = 0;
  EXPECT_THROW(store_option_value(&other, *lookup_option(engine.Table(), "f"), "f", "mp4"), std::logic_error);
}

}  // namespace
}  // namespace zentrova

#include "options/ff_options.h"

#include <gtest/gtest.h>

#include "library_log_capture.h"
#include "log/logger.h"
#include "options/dictionary.h"
#include "options/option_apply.h"
#include "options/option_apply.h"
#include "options/option_split.h"
#include "support/libraries.h"
#include "test_table.h"

namespace zentrova {
namespace {

using test::LibraryLogCapture;
using test::TestEngine;

class ParseOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::LoadMediaLibraries();
    options.init_parse_context();
    last_error_text().clear();
  }
  int Parse(const char* text, bool return_on_invalid = true) {
    return options.parse_options(split_option_string(text), engine.Table(), return_on_invalid);
  }
  TOptionGroup& File() { return options.OptionParseContext().file_opts; }
  TOptionGroup& Global() { return options.OptionParseContext().global_opts; }

  TestEngine engine;
  TFFOptions options;
};

TEST_F(ParseOptionsTest, SortsRowsIntoGlobalAndFileGroups) {
  ASSERT_EQ(Parse("-y -c:v libx264 -ss 5 -dts_delta_threshold 3 -nore"), 0);
  ASSERT_EQ(Global().nb_opts(), 2);
  EXPECT_EQ(Global().opts[0].key, "y");
  EXPECT_EQ(Global().opts[0].val, "1");
  EXPECT_EQ(Global().opts[1].key, "dts_delta_threshold");
  EXPECT_EQ(Global().opts[1].val, "3");
  ASSERT_EQ(File().nb_opts(), 3);
  EXPECT_EQ(File().opts[0].opt->name, "c");
  EXPECT_EQ(File().opts[0].key, "c:v");
  EXPECT_EQ(File().opts[0].val, "libx264");
  EXPECT_EQ(File().opts[1].key, "ss");
  EXPECT_EQ(File().opts[2].opt->name, "re");
  EXPECT_EQ(File().opts[2].key, "nore");
  EXPECT_EQ(File().opts[2].val, "0");
}

TEST_F(ParseOptionsTest, SmallSNeverMatchesSs) {
  ASSERT_EQ(Parse("-s 640x480"), 0);
  ASSERT_EQ(File().nb_opts(), 1);
  EXPECT_EQ(File().opts[0].opt->name, "s");
}

TEST_F(ParseOptionsTest, RoutesLibraryOptionsToTheirDictionaries) {
  ASSERT_EQ(Parse("-b:v 200k -movflags +faststart -sws_flags lanczos -dither_method triangular"), 0);
  EXPECT_EQ(File().nb_opts(), 0);
  EXPECT_STREQ(DictGet(File().codec_opts, "b:v"), "200k");
  EXPECT_EQ(DictGet(File().codec_opts, "b"), nullptr);
  EXPECT_STREQ(DictGet(File().format_opts, "movflags"), "+faststart");
  EXPECT_STREQ(DictGet(File().sws_dict, "sws_flags"), "lanczos");
  EXPECT_STREQ(DictGet(File().sws_dict, "flags"), "bicubic");
  EXPECT_STREQ(DictGet(File().swr_opts, "dither_method"), "triangular");
  // The working dictionaries start again for the next file.
  EXPECT_EQ(DictGet(options.codec_opts(), "b:v"), nullptr);
  EXPECT_STREQ(DictGet(options.sws_dict(), "flags"), "bicubic");
  EXPECT_EQ(Global().codec_opts, nullptr);
}

TEST_F(ParseOptionsTest, AppendsFlagsWrittenWithASign) {
  ASSERT_EQ(Parse("-flags +global_header -flags +bitexact -g 10 -g 12"), 0);
  EXPECT_STREQ(DictGet(File().codec_opts, "flags"), "+global_header+bitexact");
  EXPECT_STREQ(DictGet(File().codec_opts, "g"), "12");
}

TEST_F(ParseOptionsTest, RefusesScalerGeometryOptions) {
  for (const char* text : {"-srcw 100", "-dsth 100", "-src_format 0"}) {
    LibraryLogCapture log;
    options.init_parse_context();
    EXPECT_EQ(Parse(text), -22) << text;
    EXPECT_EQ(
        last_error_text(),
        "Directly using swscale dimensions/format options is not supported, please use the -s or -pix_fmt "
        "options");
    EXPECT_TRUE(log.Has(16, "Error parsing option"));
  }
}

TEST_F(ParseOptionsTest, ReportsABadLibraryValue) {
  EXPECT_EQ(Parse("-sws_flags nosuchflag"), AVERROR(EINVAL));
  EXPECT_EQ(last_error_text(), "Error setting option \"sws_flags\"");
}

TEST_F(ParseOptionsTest, FailsOnAMissingArgument) {
  LibraryLogCapture log;
  EXPECT_EQ(Parse("-c:v libx264 -ss"), -22);
  EXPECT_TRUE(log.Has(16, "Missing argument for option \"ss\".\n"));
  EXPECT_EQ(last_error_text(), "Missing argument for option \"ss\"");
  // Nothing moved into the file group: the parse stopped.
  EXPECT_EQ(File().codec_opts, nullptr);
}

TEST_F(ParseOptionsTest, HandlesStrayWordsAndUnknownOptionsByPolicy) {
  struct Case {
    const char* text;
    bool return_on_invalid;
    int result;
    const char* line;
    const char* error;
  } cases[] = {
      {"foo", true, -22, "Failed to parse options on \"foo\"\n", "Failed to parse options on \"foo\""},
      {"foo -y", false, 0, "Invalid option \"foo\" found while parsing options, ignore\n", ""},
      {"\"\"", true, -22, "Failed to parse options\n", "Failed to parse options"},
      {"\"\" -y", false, 0, "Invalid option found while parsing options, ignore\n", ""},
      {"- -y", true, -22, "Failed to parse options on \"-\"\n", "Failed to parse options on \"-\""},
      {"-ma 1", true, AVERROR_OPTION_NOT_FOUND, "Unrecognized option \"ma\".\n",
       "Unrecognized option \"ma\""},
      {"-nosuch", false, 0, "Unrecognized option \"nosuch\".\n", ""},
      {"-nomap", true, AVERROR_OPTION_NOT_FOUND, "Unrecognized option \"nomap\".\n",
       "Unrecognized option \"nomap\""},
  };
  for (const Case& c : cases) {
    LibraryLogCapture log;
    options.init_parse_context();
    last_error_text().clear();
    EXPECT_EQ(Parse(c.text, c.return_on_invalid), c.result) << c.text;
    EXPECT_TRUE(log.Has(16, c.line)) << c.text << "\n" << log.All();
    EXPECT_EQ(last_error_text(), c.error) << c.text;
  }
}

TEST_F(ParseOptionsTest, SkippingAnUnknownOptionKeepsTheRest) {
  ASSERT_EQ(Parse("-nosuch -y -ss 1", false), 0);
  ASSERT_EQ(Global().nb_opts(), 1);
  EXPECT_EQ(Global().opts[0].key, "y");
  ASSERT_EQ(File().nb_opts(), 1);
  EXPECT_EQ(File().opts[0].key, "ss");
}

TEST_F(ParseOptionsTest, FinishFileGroupRefusesAFilledGroup) {
  ASSERT_EQ(Parse("-b:v 1M"), 0);
  EXPECT_THROW(options.finish_file_group(), std::logic_error);
}

TEST_F(ParseOptionsTest, FetchSwsFlagsEvaluatesTheScalerFlags) {
  EXPECT_EQ(options.sws_flags(), 4u);
  EXPECT_EQ(options.FetchSwsFlags(), 0);
  EXPECT_EQ(options.sws_flags(), 4u);  // no "sws_flags" entry: unchanged
  ASSERT_EQ(options.opt_default("sws_flags", "lanczos+accurate_rnd"), 0);
  EXPECT_EQ(options.FetchSwsFlags(), 0);
  EXPECT_EQ(options.sws_flags(), static_cast<std::uint32_t>(SWS_LANCZOS | SWS_ACCURATE_RND));
}

// Strings made of option-like tokens, quotes, backslashes, blanks and raw
// bytes: the parse either succeeds or fails with a code, and applying what
// it collected either works or throws a value error; it never trips over a
// programming error, and the sanitizers see no fault or leak.
TEST_F(ParseOptionsTest, SurvivesArbitraryStrings) {
  const char* tokens[] = {"-",  "-c:v", "-ss",   "-s",     "-no", "re",   "-nore", "\\",  "\"",       " ",
                          "\t", "-map", "-b:v",  "-flags", "+",   "x",    "1.5",   "nan", "-fs",      "视频",
                          ":",  "\xff", "-srcw", "-throw", "-y",  "-q:v", "0:v",   "-v",  "-loglevel"};
  std::uint32_t state = 12345;
  auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return state >> 16;
  };
  const TLogLevel level = DefaultLogger()->LogLevel();
  int applied = 0, refused = 0, thrown = 0;
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    const unsigned length = next() % 12;
    for (unsigned i = 0; i < length; ++i) {
      if (next() % 8 == 0)
        text += static_cast<char>(next() % 256);
      else
        text += tokens[next() % std::size(tokens)];
    }
    options.init_parse_context();
    test::TestFileContext file;
    try {
      const int r = options.parse_options(split_option_string(text), engine.Table(), next() % 2 == 0);
      if (r >= 0) {
        const bool ok = apply_option_group(nullptr, Global(), "global", "", 0) >= 0 &&
                        apply_option_group(&file, File(), "output file", "out.mp4", OPTF_OUTPUT) >= 0;
        ++(ok ? applied : refused);
      } else {
        ++refused;
      }
    } catch (const std::logic_error& e) {
      ADD_FAILURE() << "programming error on \"" << text << "\": " << e.what();
    } catch (const std::runtime_error&) {
      ++thrown;  // a value that does not parse
    }
  }
  // The strings reach every outcome.
  EXPECT_GT(applied, 100);
  EXPECT_GT(refused, 100);
  EXPECT_GT(thrown, 10);
  DefaultLogger()->SetLogLevel(level);
}

TEST(OptDefault, RoutesByTheClassThatKnowsTheName) {
  test::LoadMediaLibraries();
  TFFOptions options;
  EXPECT_EQ(options.opt_default("nosuchoption", "1"), AVERROR_OPTION_NOT_FOUND);
  EXPECT_EQ(options.opt_default("vb", "300k"), 0);  // the generic codec option without its type letter
  EXPECT_STREQ(DictGet(options.codec_opts(), "vb"), "300k");
  EXPECT_EQ(options.opt_default("probesize", "5000"), 0);
  EXPECT_STREQ(DictGet(options.format_opts(), "probesize"), "5000");
  EXPECT_EQ(DictGet(options.codec_opts(), "probesize"), nullptr);
}

}  // namespace
}  // namespace zentrova

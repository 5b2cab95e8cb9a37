// Preset texts and preset files applied to a file's options.
#include <gtest/gtest.h>

#include "engine_test_support.h"
#include "options/dictionary.h"
#include "options/option_apply.h"
#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova {
namespace {

using test::FileOptions;
using test::LogRecorder;
using test::TestEngine;

class PresetOptions : public ::testing::Test {
 protected:
  void SetUp() override { test::LoadMediaLibraries(); }
};

std::string LastCodec(const TFileOptionContext& o, const std::string& spec) {
  std::string name;
  TCustomFFmpegOpt::GetTypeValue(o, spec, name);
  return name;
}

TEST_F(PresetOptions, PresetTextAppliesCodecsAndLibraryOptions) {
  LogRecorder log;
  TestEngine engine;
  FileOptions o(engine);
  ASSERT_EQ(engine.ParseOutput(o.Context(), "", "vcodec=libx264<CRLF>crf=23"), 0) << engine.FLastErrMsg;
  EXPECT_EQ(LastCodec(o.Context(), "v"), "libx264");
  EXPECT_EQ(engine.CodecOption("crf"), "23");
  EXPECT_TRUE(log.Contains("ParsePresets for output file:\r\nvcodec=libx264\r\ncrf=23")) << log.All();
}

TEST_F(PresetOptions, CommentsBlankLinesAndAnyLineBreakAreAccepted) {
  TestEngine engine;
  FileOptions o(engine);
  ASSERT_EQ(
      engine.ParseOutput(o.Context(), "", "# a comment\r\n\r\n  ACODEC=mp2  \rg=12\n\n#x=1\nSCodec=mov_text"),
      0)
      << engine.FLastErrMsg;
  EXPECT_EQ(LastCodec(o.Context(), "a"), "mp2");
  EXPECT_EQ(LastCodec(o.Context(), "s"), "mov_text");
  EXPECT_EQ(engine.CodecOption("g"), "12");
  EXPECT_EQ(engine.CodecOption("x"), "");
}

TEST_F(PresetOptions, TheOptionStringComesAfterThePresets) {
  TestEngine engine;
  FileOptions o(engine);
  ASSERT_EQ(engine.ParseOutput(o.Context(), "-b:v 1M -c:v mpeg4", "b:v=800k<CRLF>vcodec=libx264"), 0);
  EXPECT_EQ(engine.CodecOption("b:v"), "1M");
  EXPECT_EQ(LastCodec(o.Context(), "v"), "mpeg4");
}

TEST_F(PresetOptions, ScalerAndResamplerLinesTakeEffectInTheFile) {
  TestEngine engine;
  FileOptions o(engine);
  ASSERT_EQ(engine.ParseOutput(o.Context(), "", "sws_flags=lanczos<CRLF>dither_method=triangular"), 0)
      << engine.FLastErrMsg;
  const TOptionGroup& group = *o.Context().group;
  ASSERT_NE(DictGet(group.sws_dict, "sws_flags"), nullptr);
  EXPECT_STREQ(DictGet(group.sws_dict, "sws_flags"), "lanczos");
  ASSERT_NE(DictGet(group.swr_opts, "dither_method"), nullptr);
  // The working dictionaries are as the parse left them.
  EXPECT_EQ(DictGet(engine.Options().sws_dict(), "sws_flags"), nullptr);
  EXPECT_STREQ(DictGet(engine.Options().sws_dict(), "flags"), "bicubic");
}

TEST_F(PresetOptions, BadLinesStopTheFileOnlyWhenHalting) {
  struct Case {
    const char* presets;
    bool halt;
    int result;
    const char* message;  // logged, and in FLastErrMsg when halting
  };
  const Case cases[] = {
      {"bitrate", true, -22, "Invalid syntax: \"bitrate\""},
      {"=5", true, -22, "Invalid syntax: \"=5\""},
      {"g=", true, -22, "Invalid syntax: \"g=\""},
      {"nosuchoption=1", true, AVERROR_OPTION_NOT_FOUND,
       "Invalid option or argument: \"nosuchoption=1\", parsed as \"nosuchoption\" = \"1\""},
      {"bitrate<CRLF>g=12", false, 0, "Invalid syntax: \"bitrate\""},
      {"nosuchoption=1<CRLF>g=12", false, 0, "Invalid option or argument: \"nosuchoption=1\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.presets);
    LogRecorder log;
    TestEngine engine;
    engine.HaltOnInvalidOption = c.halt;
    FileOptions o(engine);
    EXPECT_EQ(engine.ParseOutput(o.Context(), "-t 5", c.presets), c.result);
    EXPECT_TRUE(log.Contains(c.message)) << log.All();
    if (c.halt) {
      EXPECT_NE(engine.FLastErrMsg.find(c.message), std::string::npos) << engine.FLastErrMsg;
      EXPECT_EQ(o.Context().t, INT64_MAX);  // the file's own options were not applied
    } else {
      EXPECT_EQ(engine.CodecOption("g"), "12");  // later lines still count
      EXPECT_EQ(o.Context().t, 5000000);
    }
  }
}

TEST_F(PresetOptions, PresetFilesAreReadInTheirEncoding) {
  test::TempDir dir;
  struct Case {
    const char* name;
    std::string bytes;
  };
  const std::string text = "vcodec=mpeg4\r\n# comment\r\ng=12\r\n";
  std::string utf16le = "\xFF\xFE";
  std::string utf16be = "\xFE\xFF";
  for (char c : text) {
    utf16le += c;
    utf16le += '\0';
    utf16be += '\0';
    utf16be += c;
  }
  const Case cases[] = {
      {"plain.ffpreset", text},
      {"bom8.ffpreset", "\xEF\xBB\xBF" + text},
      {"utf16le.ffpreset", utf16le},
      {"预设 be.ffpreset", utf16be},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.File(c.name);
    test::WriteFile(path, c.bytes);
    TestEngine engine;
    FileOptions o(engine);
    ASSERT_EQ(engine.ParseOutput(o.Context(), "-vpre \"" + path + "\""), 0) << engine.FLastErrMsg;
    EXPECT_EQ(LastCodec(o.Context(), "v"), "mpeg4");
    EXPECT_EQ(engine.CodecOption("g"), "12");
  }
}

TEST_F(PresetOptions, PresetFileProblemsNameTheFile) {
  test::TempDir dir;
  const std::string syntax = dir.File("syntax.ffpreset");
  const std::string unknown = dir.File("unknown.ffpreset");
  test::WriteFile(syntax, "g=12\noops\n");
  test::WriteFile(unknown, "nosuchoption=1\n");
  struct Case {
    std::string options;
    std::string message;
  };
  const Case cases[] = {
      {"-vpre /no/such", "Preset file \"/no/such\" not found"},
      {"-fpre \"" + dir.Path().string() + "\"", "Preset file \"" + dir.Path().string() + "\" not found"},
      {"-apre \"" + syntax + "\"", syntax + ": Invalid syntax: \"oops\""},
      {"-spre \"" + unknown + "\"",
       "unknown.ffpreset: Invalid option or argument: \"nosuchoption=1\", parsed as \"nosuchoption\" = "
       "\"1\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    TestEngine engine;
    FileOptions o(engine);
    EXPECT_LT(engine.ParseOutput(o.Context(), c.options), 0);
    EXPECT_NE(engine.FLastErrMsg.find(c.message), std::string::npos) << engine.FLastErrMsg;
  }
}

}  // namespace
}  // namespace zentrova

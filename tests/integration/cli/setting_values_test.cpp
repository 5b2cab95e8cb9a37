#include "cli/setting_values.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace zentrova::cli {
namespace {

using app::TChoice;

struct ChoiceCase {
  TChoice choice;
  std::string text;
  int expected;  // -1: a usage error
};

TEST(ParseChoice, NamesItemsWithoutCaseAndFrameSizesByEitherHalf) {
  const std::vector<ChoiceCase> cases = {
      {TChoice::OutputFormat, "mp4", 8},
      {TChoice::OutputFormat, "WEBM", 15},
      {TChoice::OutputFormat, "3gp", 2},
      {TChoice::OutputFormat, "MP3", 21},
      {TChoice::OutputFormat, "ipod", 5},
      {TChoice::OutputFormat, "mp5", -1},
      {TChoice::FrameSize, "320x240", 6},
      {TChoice::FrameSize, "QVGA", 6},
      {TChoice::FrameSize, "320x240 - qvga", 6},
      {TChoice::FrameSize, "auto", 0},
      {TChoice::FrameSize, "1920x1080", 28},
      {TChoice::FrameSize, "852x480", 15},
      {TChoice::FrameSize, "321x240", -1},
      {TChoice::FrameSize, "", -1},
      {TChoice::FrameRate, " 25 ", 3},
      {TChoice::FrameRate, "24", -1},
      {TChoice::AspectRatio, "16:9", 2},
      {TChoice::AspectRatio, "16/9", -1},
      {TChoice::AudioChannels, "Mono", 1},
      {TChoice::AudioSampleRate, "22050", 3},
      {TChoice::AudioCodec, "aac", 1},
      {TChoice::VideoCodec, "divx", 1},
      {TChoice::Norm, "ntsc", 2},
      {TChoice::Norm, "secam", -1},
  };
  for (const ChoiceCase& c : cases) {
    SCOPED_TRACE(c.text);
    if (c.expected >= 0) {
      EXPECT_EQ(ParseChoice(c.choice, c.text, "--x"), c.expected);
    } else {
      EXPECT_THROW(ParseChoice(c.choice, c.text, "--x"), TUsageError);
    }
  }
}

TEST(ParseChoice, ErrorNamesTheOptionTheValueAndTheChoices) {
  try {
    ParseChoice(TChoice::FrameRate, "24", "--rate");
    FAIL() << "no error";
  } catch (const TUsageError& error) {
    const std::string message = error.what();
    EXPECT_NE(message.find("--rate"), std::string::npos) << message;
    EXPECT_NE(message.find("\"24\""), std::string::npos) << message;
    EXPECT_NE(message.find("Auto, 10, 15, 25, 30"), std::string::npos) << message;
  }
}

TEST(FormatFromExtension, KnowsTheFormatsByTheirExtensionOnly) {
  const std::vector<std::pair<std::string, std::optional<app::TOutputFormat>>> cases = {
      {"/out/a.webm", app::TOutputFormat::WebM},
      {"a.MP3", app::TOutputFormat::MP3},
      {"/x.mkv/clip", std::nullopt},
      {"clip.mkv", app::TOutputFormat::MKV},
      {"clip.mpg", std::nullopt},
      {"clip", std::nullopt},
      {"clip.", std::nullopt},
      {"b.3gp", app::TOutputFormat::ThreeGP},
  };
  for (const auto& [name, format] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(FormatFromExtension(name), format);
  }
}

TEST(ParseKbps, TakesPositiveNumbersAsTyped) {
  EXPECT_EQ(ParseKbps(" 128 ", "--ab"), "128");
  EXPECT_EQ(ParseKbps("12.2", "--ab"), "12.2");
  for (const char* bad : {"", "abc", "0", "-5", "+5", "1e3", "12k", "nan", "inf", "2000000"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(ParseKbps(bad, "--vb"), TUsageError);
  }
}

TEST(ParseIntegerIn, RejectsTextAndValuesOutsideTheRange) {
  EXPECT_EQ(ParseIntegerIn("-100", -100, 100, "--hue"), -100);
  EXPECT_EQ(ParseIntegerIn(" 7 ", 1, 64, "--tasks"), 7);
  for (const char* bad : {"", "x", "101", "-101", "1.5", "99999999999"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(ParseIntegerIn(bad, -100, 100, "--hue"), TUsageError);
  }
}

TEST(ParseClipTime, ReadsSecondsAndClockTimes) {
  const std::vector<std::pair<std::string, std::int64_t>> good = {
      {"2.5", 2500000},
      {"90", 90000000},
      {".5", 500000},
      {"1:02.5", 62500000},
      {"01:02:03.004", 3723004000},
      {"0", 0},
      {"0.1234567", 123456},  // beyond microseconds is cut
  };
  for (const auto& [text, us] : good) {
    SCOPED_TRACE(text);
    EXPECT_EQ(ParseClipTime(text, "--clip"), us);
  }
  for (const char* bad : {"", "a", "-1", "1:2:3:4", "1.2.3", "1::2", ":5", "2.5s", "99999999999"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(ParseClipTime(bad, "--clip"), TUsageError);
  }
}

TEST(ParseClipRange, NeedsStartBeforeEnd) {
  const TClipRange range = ParseClipRange("2.5-0:07.5", "--clip");
  EXPECT_EQ(range.Start, 2500000);
  EXPECT_EQ(range.End, 7500000);
  for (const char* bad : {"7-2", "3-3", "5", "1-2-3", "-5", "a-b"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(ParseClipRange(bad, "--clip"), TUsageError);
  }
}

TEST(ParseEdges, ReadsFourIntegersTopBottomLeftRight) {
  const app::TEdgeTexts edges = ParseEdges("10, 20,-3,0", "--crop");
  EXPECT_EQ(edges.Top, "10");
  EXPECT_EQ(edges.Bottom, "20");
  EXPECT_EQ(edges.Left, "-3");
  EXPECT_EQ(edges.Right, "0");
  for (const char* bad : {"", "1,2,3", "1,2,3,4,5", "1,x,3,4", "1,2,3,", "1,2,3,999999"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(ParseEdges(bad, "--pad"), TUsageError);
  }
}

}  // namespace
}  // namespace zentrova::cli

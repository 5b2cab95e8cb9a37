#include "decoder/info_text.h"

#include <gtest/gtest.h>

#include "decoder/file_info_text.h"
#include "media/av_ptr.h"
#include "support/libraries.h"

namespace zentrova {
namespace {

TEST(SizeText, UnitIsTheLargestOneTheSizeExceeds) {
  struct Case {
    std::int64_t size;
    const char* text;
  } cases[] = {
      {0, "0 Byte"},
      {1024, "1024 Byte"},
      {1025, "1.00 KB"},
      {1536, "1.50 KB"},
      {1048576, "1024.00 KB"},
      {1048577, "1.00 MB"},
      {1073741824, "1024.00 MB"},
      {1073741825, "1.00 GB"},
      {5LL << 40, "5120.00 GB"},
  };
  for (const Case& c : cases) EXPECT_EQ(SizeText(c.size), c.text) << c.size;
}

TEST(FpsText, DecimalsFollowTheRate) {
  struct Case {
    double rate;
    const char* unit;
    const char* text;
  } cases[] = {
      {25, "fps", "25 fps"},        {29.97, "fps", "29.97 fps"},  {30000.0 / 1001, "tbr", "29.97 tbr"},
      {0.004, "fps", "0.0040 fps"}, {90000, "tbn", "90k tbn"},    {1000, "tbn", "1k tbn"},
      {12800, "tbn", "12800 tbn"},  {23.976, "fps", "23.98 fps"}, {0, "fps", "0.0000 fps"},
  };
  for (const Case& c : cases) EXPECT_EQ(FpsText(c.rate, c.unit), c.text) << c.rate;
}

class InfoTextWithLibraries : public ::testing::Test {
 protected:
  void SetUp() override { test::LoadMediaLibraries(); }
};

TEST_F(InfoTextWithLibraries, SecondsTextRescalesAndSignsTheValue) {
  struct Case {
    AVRational time_base;
    std::int64_t t;
    const char* text;
  } cases[] = {
      {{1, 1000000}, 1500000, "1.500000"}, {{1, 90000}, 126000, "1.400000"},
      {{1, 1000}, -40, "-0.040000"},       {{1, 1000000}, 0, "0.000000"},
      {{1, 25}, 50, "2.000000"},           {{1, 1000000}, AV_NOPTS_VALUE, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(SecondsText(c.time_base, c.t), c.text) << c.t;
}

TEST_F(InfoTextWithLibraries, MetadataLinesSkipLanguageAndSplitControlCharacters) {
  AVDictionaryPtr only_language;
  ff::av_dict_set(InOutPtr(only_language), "language", "eng", 0);
  std::vector<std::string> lines;
  AddMetadataLines(lines, only_language.get(), "");
  AddMetadataLines(lines, nullptr, "");
  EXPECT_TRUE(lines.empty());

  AVDictionaryPtr tags;
  ff::av_dict_set(InOutPtr(tags), "title", "two\nlines\rand\ba cr", 0);
  ff::av_dict_set(InOutPtr(tags), "language", "eng", 0);
  ff::av_dict_set(InOutPtr(tags), "encoder", "gen", 0);
  AddMetadataLines(lines, tags.get(), "  ");
  const std::vector<std::string> expected = {
      "  Metadata:",
      "    title           : two",
      std::string(20, ' ') + ": lines anda cr",  // \r is a space, \b is dropped
      "    encoder         : gen",
  };
  EXPECT_EQ(lines, expected);
}

TEST_F(InfoTextWithLibraries, DisplayAspectGuardsZeroHeightAndReduces) {
  struct Case {
    int width, height;
    AVRational sar, dar;
  } cases[] = {
      {320, 240, {4, 3}, {16, 9}},   {720, 576, {16, 15}, {4, 3}},
      {320, 0, {1, 1}, {0, 1}},      {320, 240, {0, 1}, {0, 1}},
      {1920, 1080, {1, 1}, {16, 9}}, {2000000000, 1, {2000000000, 1}, {1048576, 1}},
  };
  for (const Case& c : cases) {
    const AVRational dar = DisplayAspect(c.width, c.height, c.sar);
    EXPECT_EQ(dar.num, c.dar.num) << c.width << "x" << c.height;
    EXPECT_EQ(dar.den, c.dar.den) << c.width << "x" << c.height;
  }
}

}  // namespace
}  // namespace zentrova

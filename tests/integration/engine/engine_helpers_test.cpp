// The small readers and writers the openers share: C-style integers,
// metadata specifiers, attachment names and filter argument texts.
#include <gtest/gtest.h>

#include <limits>

#include "engine/open/attachment_names.h"
#include "engine/options/c_integer.h"
#include "engine/filters/filter_args.h"
#include "engine/options/metadata_specifier.h"

namespace zentrova {
namespace {

struct IntegerCase {
  const char* text;
  std::int64_t value;
  std::size_t consumed;
};

class ReadCInteger : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(ReadCInteger, ReadsDecimalHexadecimalAndOctal) {
  const TCInteger n = zentrova::ReadCInteger(GetParam().text);
  EXPECT_EQ(n.value, GetParam().value);
  EXPECT_EQ(n.consumed, GetParam().consumed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadCInteger,
    ::testing::Values(IntegerCase{"12", 12, 2}, IntegerCase{"010", 8, 3}, IntegerCase{"0x1f:a", 31, 4},
                      IntegerCase{"-3:v", -3, 2}, IntegerCase{" +7", 7, 3}, IntegerCase{"0", 0, 1},
                      IntegerCase{"08", 0, 1}, IntegerCase{"0x", 0, 1}, IntegerCase{"v", 0, 0},
                      IntegerCase{"", 0, 0},
                      IntegerCase{"99999999999999999999", std::numeric_limits<std::int64_t>::max(), 20},
                      IntegerCase{"-9223372036854775808", std::numeric_limits<std::int64_t>::min(), 20}));

TEST(ReadCInt, ClampsToTheIntRange) {
  EXPECT_EQ(ReadCInt("4294967296"), std::numeric_limits<int>::max());
  EXPECT_EQ(ReadCInt("-4294967296"), std::numeric_limits<int>::min());
}

struct SpecifierCase {
  const char* text;
  char type;
  const char* stream_spec;
  int index;
  const char* error;
};

class ParseMetadataSpecifier : public ::testing::TestWithParam<SpecifierCase> {};

TEST_P(ParseMetadataSpecifier, SplitsTypeAndTarget) {
  const TMetadataSpecifier spec = zentrova::ParseMetadataSpecifier(GetParam().text);
  EXPECT_EQ(spec.error, GetParam().error);
  if (!*GetParam().error) {
    EXPECT_EQ(spec.type, GetParam().type);
    EXPECT_EQ(spec.stream_spec, GetParam().stream_spec);
    EXPECT_EQ(spec.index, GetParam().index);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseMetadataSpecifier,
    ::testing::Values(SpecifierCase{"", 'g', "", 0, ""}, SpecifierCase{"g", 'g', "", 0, ""},
                      SpecifierCase{"s", 's', "", 0, ""}, SpecifierCase{"s:a:1", 's', "a:1", 0, ""},
                      SpecifierCase{"c:0x2", 'c', "", 2, ""}, SpecifierCase{"p:1", 'p', "", 1, ""},
                      SpecifierCase{"sa", 's', "", 0, "Invalid metadata specifier a."},
                      SpecifierCase{"x", 'x', "", 0, "Invalid metadata type x."}));

TEST(AttachmentTagName, KeepsThePartAfterTheLastSeparator) {
  EXPECT_EQ(AttachmentTagName("dir/font.ttf"), "font.ttf");
  EXPECT_EQ(AttachmentTagName("C:\\dir\\font.ttf"), "font.ttf");
  EXPECT_EQ(AttachmentTagName("a\\b/font.ttf"), "font.ttf");
  EXPECT_EQ(AttachmentTagName("font.ttf"), "font.ttf");
}

TEST(SafeDumpFileName, RefusesNamesThatLeaveTheFolder) {
  EXPECT_EQ(SafeDumpFileName("../../etc/passwd"), "passwd");
  EXPECT_EQ(SafeDumpFileName("..\\x.ttf"), "x.ttf");
  EXPECT_EQ(SafeDumpFileName(".."), std::nullopt);
  EXPECT_EQ(SafeDumpFileName("a/."), std::nullopt);
  EXPECT_EQ(SafeDumpFileName(""), std::nullopt);
}

TEST(FilterArgs, NumbersAreWrittenLikeTheCLocale) {
  EXPECT_EQ(FormatFixed6(2), "2.000000");
  EXPECT_EQ(FormatFixed6(-0.5), "-0.500000");
  EXPECT_EQ(ChannelMaskText(0x4), "0x4");
  EXPECT_EQ(ChannelMaskText(0x3f), "0x3f");
  EXPECT_EQ(RotationFilters(0.5), std::vector<TFilterStep>{});
  EXPECT_EQ(RotationFilters(-30), (std::vector<TFilterStep>{{"rotate", "-30.000000*PI/180"}}));
  EXPECT_EQ(RotationFilters(90.4), (std::vector<TFilterStep>{{"transpose", "clock"}}));
}

}  // namespace
}  // namespace zentrova

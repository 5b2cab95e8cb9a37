#include "log/plain_text.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

TEST(Trim, RemovesTheGivenCharactersAtBothEndsOnly) {
  struct Case {
    std::string_view text;
    std::string_view blanks;
    std::string_view trimmed;
  };
  const Case cases[] = {
      {" \t a b \t", kBlanks, "a b"},
      {"   ", kBlanks, ""},
      {"x", kBlanks, "x"},
      {"", kBlanks, ""},
      {"\r\nline\r\n", kBlanks, "\r\nline\r\n"},
      {"\r\n\v\f line \t\r\n", kWhiteSpace, "line"},
      {" \r\n\t\v\f", kWhiteSpace, ""},
      {"a\r\nb", kWhiteSpace, "a\r\nb"},
  };
  for (const Case& c : cases) EXPECT_EQ(Trim(c.text, c.blanks), c.trimmed) << '"' << c.text << '"';
}

TEST(Trim, RemovesWhiteSpaceByDefault) {
  EXPECT_EQ(Trim("  [mp4 @ x] text\r\n"), "[mp4 @ x] text");
}

TEST(EqualsIgnoringCase, IgnoresTheCaseOfAsciiLettersOnly) {
  struct Case {
    std::string_view a;
    std::string_view b;
    bool equal;
  };
  const Case cases[] = {
      {"MP4", "mp4", true},  {"image2Pipe", "IMAGE2PIPE", true},
      {"", "", true},        {"mp4", "mp4 ", false},
      {"mp3", "mp4", false}, {"@", "`", false},
      {"[", "{", false},     {"\xC3\x84", "\xC3\xA4", false},
  };
  for (const Case& c : cases) EXPECT_EQ(EqualsIgnoringCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
}

}  // namespace
}  // namespace zentrova

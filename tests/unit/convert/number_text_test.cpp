#include "convert/number_text.h"

#include <gtest/gtest.h>
#include <locale>
#include <numbers>
#include <optional>

namespace zentrova::app {
namespace {

TEST(DecimalText, ShortestFormWithFifteenDigits) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {2.5, "2.5"},
      {5.0, "5"},
      {0.0, "0"},
      {12.2, "12.2"},
      {std::numbers::pi / 4, "0.785398163397448"},
      {std::numbers::pi / 2, "1.5707963267949"},
      {-std::numbers::pi, "-3.14159265358979"},
      {1e20, "1e+20"},
      {0.1 + 0.2, "0.3"},
  };
  for (const Case& c : cases) EXPECT_EQ(DecimalText(c.value), c.text) << c.value;
}

// A process locale whose decimal point is a comma must not reach option strings.
TEST(DecimalText, IgnoresTheGlobalLocale) {
  struct Comma : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
  };
  const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new Comma));
  const std::string text = DecimalText(2.5);
  std::locale::global(previous);
  EXPECT_EQ(text, "2.5");
}

TEST(ParseDecimalInteger, AcceptsOnlyWholeIntegers) {
  struct Case {
    const char* text;
    std::optional<int> value;
  } cases[] = {
      {"10", 10},
      {" 10 ", 10},
      {"\t7", 7},
      {"+5", 5},
      {"-3", -3},
      {"0", 0},
      {"", std::nullopt},
      {"  ", std::nullopt},
      {"abc", std::nullopt},
      {"1.5", std::nullopt},
      {"10x", std::nullopt},
      {"+-5", std::nullopt},
      {"- 5", std::nullopt},
      {"99999999999", std::nullopt},
      {"2147483647", 2147483647},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseDecimalInteger(c.text), c.value) << '"' << c.text << '"';
}

}  // namespace
}  // namespace zentrova::app

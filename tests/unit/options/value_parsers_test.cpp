#include "options/value_parsers.h"

#include <gtest/gtest.h>
#include <clocale>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <string>

#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova {
namespace {

// The exception's message, or "" when the call did not throw.
template <typename F>
std::string ThrownText(F f) {
  try {
    f();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "";
}

TEST(ParseIntValue, AcceptsWholeIntegersOnly) {
  EXPECT_EQ(parse_int_value("ar", "44100"), 44100);
  EXPECT_EQ(parse_int_value("ar", "-7"), -7);
  EXPECT_EQ(parse_int_value("ar", "+7"), 7);
  EXPECT_EQ(parse_int_value("ar", "2147483647"), std::numeric_limits<std::int32_t>::max());
  for (const char* bad : {"", " 1", "1 ", "1x", "0x10", "2147483648", "1.5", "+-1", "abc"})
    EXPECT_EQ(ThrownText([&] { parse_int_value("ar", bad); }),
              std::string("Expected integer for \"ar\" but found \"") + bad + "\"")
        << bad;
}

TEST(ParseInt64Value, AcceptsTheWholeRange) {
  EXPECT_EQ(parse_int64_value("fs", "9223372036854775807"), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(parse_int64_value("fs", "-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(ThrownText([] { parse_int64_value("fs", "9223372036854775808"); }),
            "Expected int64 for \"fs\" but found \"9223372036854775808\"");
}

TEST(ParseDoubleValue, RejectsNonFiniteAndTrailingText) {
  EXPECT_DOUBLE_EQ(parse_double_value("q", "2.5"), 2.5);
  EXPECT_DOUBLE_EQ(parse_double_value("q", "1e3"), 1000.0);
  EXPECT_DOUBLE_EQ(parse_double_value("q", ".5"), 0.5);
  for (const char* bad : {"nan", "inf", "-inf", "1e400", "0x1p3", "2,5", "2.5 ", "", "1e"})
    EXPECT_EQ(ThrownText([&] { parse_double_value("q", bad); }),
              std::string("Expected double for \"q\" but found \"") + bad + "\"")
        << bad;
  EXPECT_EQ(ThrownText([] { parse_float_value("muxdelay", "1e39"); }),
            "Expected float for \"muxdelay\" but found \"1e39\"");
  EXPECT_FLOAT_EQ(parse_float_value("muxdelay", "0.7"), 0.7f);
}

// Switches LC_NUMERIC to a locale with a decimal comma, built into `dir`
// when none is installed; false when that is not possible here.
bool UseCommaLocale(const test::TempDir& dir) {
  for (const char* l : {"de_DE.UTF-8", "fr_FR.UTF-8", "ru_RU.UTF-8"})
    if (std::setlocale(LC_NUMERIC, l)) return true;
  const std::string command = "localedef -i de_DE -f UTF-8 '" + dir.File("de_DE.UTF-8") + "' >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return false;
  setenv("LOCPATH", dir.Path().c_str(), 1);
  const bool switched = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  unsetenv("LOCPATH");
  return switched;
}

TEST(ParseDoubleValue, ReadsAPointWhateverTheLocale) {
  test::TempDir dir;
  struct RestoreLocale {
    std::string name = std::setlocale(LC_NUMERIC, nullptr);
    ~RestoreLocale() { std::setlocale(LC_NUMERIC, name.c_str()); }
  } restore;
  if (!UseCommaLocale(dir)) GTEST_SKIP() << "no locale with a decimal comma can be used";
  ASSERT_EQ(std::localeconv()->decimal_point, std::string(","));
  EXPECT_DOUBLE_EQ(parse_double_value("q", "0.5"), 0.5);
  EXPECT_FLOAT_EQ(parse_float_value("muxdelay", "0.25"), 0.25f);
  EXPECT_NE(ThrownText([] { parse_double_value("q", "0,5"); }), "");
}

TEST(ParseTimeValue, ReadsDurationsAndDatesInMicroseconds) {
  test::LoadMediaLibraries();
  struct Case {
    const char* text;
    TTimeKind kind;
    std::int64_t us;
  } cases[] = {
      {"1.5", TTimeKind::Duration, 1500000},
      {"01:02:03.5", TTimeKind::Duration, 3723500000},
      {"-2", TTimeKind::Duration, -2000000},
      {"250ms", TTimeKind::Duration, 250000},
      {"1970-01-02T00:00:00Z", TTimeKind::Date, 86400000000},
  };
  for (const Case& c : cases) EXPECT_EQ(parse_time_value("t", c.text, c.kind), c.us) << c.text;
  EXPECT_EQ(ThrownText([] { parse_time_value("t", "abc", TTimeKind::Duration); }),
            "Invalid duration value for \"t\": \"abc\"");
  EXPECT_EQ(ThrownText([] { parse_time_value("timestamp", "yesterday", TTimeKind::Date); }),
            "Invalid date value for \"timestamp\": \"yesterday\"");
  // An embedded NUL must not let the library read only "1".
  EXPECT_TRUE(ThrownText([] {
                parse_time_value("t", std::string_view("1\0x", 3), TTimeKind::Duration);
              }).starts_with("Invalid duration value for \"t\""));
}

}  // namespace
}  // namespace zentrova

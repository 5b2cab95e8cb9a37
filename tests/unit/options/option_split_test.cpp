#include "options/option_split.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

TEST(SplitOptionString, FollowsQuoteAndBackslashRules) {
  struct Case {
    const char* text;
    std::vector<std::string> args;
  } cases[] = {
      {R"(-vf "hflip,vflip" -an)", {"-vf", "hflip,vflip", "-an"}},
      {R"(a\\\"b)", {R"(a\"b)"}},
      {R"(a\\b)", {R"(a\\b)"}},
      {R"(a\"b)", {R"(a"b)"}},
      {R"(a\\"b c")", {R"(a\b c)"}},
      {R"("a b"c)", {"a bc"}},
      {R"("a""b")", {"ab"}},
      {R"("ab"")", {R"(ab")"}},
      {R"("")", {""}},
      {R"("" "")", {"", ""}},
      {"", {}},
      {" \t ", {}},
      {"\t-an\t -y  ", {"-an", "-y"}},
      {R"(-i "unterminated arg)", {"-i", "unterminated arg"}},
      {R"(-metadata "title=say \"hi\"")", {"-metadata", R"(title=say "hi")"}},
      {R"(-i "视频 1.mp4" -ss 5)", {"-i", "视频 1.mp4", "-ss", "5"}},
      {"-i 视频\\文件.mp4", {"-i", "视频\\文件.mp4"}},
  };
  for (const Case& c : cases) EXPECT_EQ(split_option_string(c.text), c.args) << "text: " << c.text;
}

}  // namespace
}  // namespace zentrova

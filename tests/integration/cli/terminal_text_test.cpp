#include "cli/terminal_text.h"

#include <gtest/gtest.h>

namespace zentrova::cli {
namespace {

TEST(TerminalText, ControlCharactersAreWrittenVisibly) {
  struct Case {
    std::string text, shown;
  };
  const Case cases[] = {
      {"plain name.mp4", "plain name.mp4"},
      {"视频 1.mp4", "视频 1.mp4"},
      {"a\x1b[2Jb.mp4", "a\\x1b[2Jb.mp4"},
      {"bell\a.mp4", "bell\\x07.mp4"},
      {std::string("nul\0x", 5), "nul\\x00x"},
      {"del\x7f", "del\\x7f"},
      {"c1 \xc2\x9b"
       "31m",
       "c1 \\u009b31m"},
      {"nbsp\xc2\xa0ok", "nbsp\xc2\xa0ok"},
      {"line\r\nnext", "line\nnext"},
      {"name\nwith a line feed.mp4", "name\\x0awith a line feed.mp4"},
      {"tab\there", "tab\\x09here"},
      {"two\n\r\nbreaks", "two\\x0a\nbreaks"},
      {"over\rwrite", "over\\x0dwrite"},
      {"end\r", "end\\x0d"},
  };
  for (const Case& c : cases) EXPECT_EQ(TerminalText(c.text), c.shown) << c.shown;
}

}  // namespace
}  // namespace zentrova::cli

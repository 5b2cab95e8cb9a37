#include "options/concat_script.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zentrova {
namespace {

TEST(ConcatScriptFiles, ReadsTheFileDirectivesAsTheDemuxerDoes) {
  struct Case {
    std::string script;
    std::vector<std::string> files;
  };
  const Case cases[] = {
      {"ffconcat version 1.0\nfile a.ts\nfile sub/b.ts\n", {"a.ts", "sub/b.ts"}},
      {"  file   a.ts  \r\n\tfile\tb.ts", {"a.ts", "b.ts"}},
      {"file 'with space.ts'\nfile with\\ space\\'s.ts\n", {"with space.ts", "with space's.ts"}},
      {"file 'a'b'c'.ts trailing words\n", {"abc.ts"}},
      {"# file hidden.ts\nfile shown.ts\n", {"shown.ts"}},
      {"duration 5\ninpoint 1\nfilename x.ts\nfile y.ts\n", {"y.ts"}},
      {"file a.ts\rfile b.ts", {"a.ts", "b.ts"}},
      {std::string("file a.ts\0file b.ts", 19), {"a.ts", "b.ts"}},
      {"file 'unclosed quote.ts\n", {"unclosed quote.ts"}},
      {"file ../up.ts\nfile /abs.ts\n", {"../up.ts", "/abs.ts"}},
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ConcatScriptFiles(c.script), c.files) << c.script;
}

}  // namespace
}  // namespace zentrova

#include "convert/library_names.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace zentrova::app {
namespace {

TEST(LibraryNames, LocalNamesAlwaysMeanTheFile) {
  EXPECT_EQ(LocalFileUrl("12:30 meeting.mkv"), "file:12:30 meeting.mkv");
  EXPECT_EQ(LocalFileUrl("data:x.ts"), "file:data:x.ts");
  EXPECT_EQ(LocalFileUrl("/a/b.mp4"), "file:/a/b.mp4");
}

TEST(LibraryNames, OnlyAnExplicitNetworkAddressStaysAsTyped) {
  test::TempDir dir;
  struct Case {
    std::string name, url;
  };
  const Case cases[] = {
      {"http://example.com/a.mp4", "http://example.com/a.mp4"},
      {"rtmp://h/live", "rtmp://h/live"},
      {"http:a.mp4", "file:http:a.mp4"},  // no "//": a local name
      {"concat:a.ts|b.ts", "file:concat:a.ts|b.ts"},
      {"data:x.ts", "file:data:x.ts"},
      {"cache:http://h/a", "file:cache:http://h/a"},
      {"clip.mp4", "file:clip.mp4"},
  };
  for (const Case& c : cases) EXPECT_EQ(InputUrl(c.name), c.url) << c.name;
}

}  // namespace
}  // namespace zentrova::app

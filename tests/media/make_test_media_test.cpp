// The zentrova-make-test-media program, run as a child process.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "media/test_media.h"
#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova::test {
namespace {

// Runs the program with `arguments` (already quoted) and returns its exit status.
int RunProgram(const std::string& arguments) {
  const std::string command = std::string("'") + MAKE_TEST_MEDIA_PROGRAM + "' " + arguments + " 2>/dev/null";
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(MakeTestMediaProgram, WritesTheNamedClipForTheAskedDuration) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string path = dir.File("tone 音.flac");
  ASSERT_EQ(RunProgram("'" + path + "' flac 0.75"), 0);
  ProbedFile probed = ProbeFile(path);
  ASSERT_EQ(probed.streams.size(), 1u);
  EXPECT_EQ(probed.streams[0].codec, "flac");
  EXPECT_EQ(probed.duration_us, 750000);

  ASSERT_EQ(RunProgram("'" + dir.File("default.mp4") + "'"), 0);
  EXPECT_EQ(CountVideoFrames(dir.File("default.mp4")), 50);  // mp4, 2 s at 25 per second
}

TEST(MakeTestMediaProgram, RefusesBadArgumentsAndWritesNothing) {
  TempDir dir;
  const std::string path = dir.File("out.mp4");
  struct Case {
    std::string arguments;
    int status;
  };
  for (const Case& c : {Case{"", 2}, Case{"'" + path + "' nosuchclip", 1}, Case{"'" + path + "' mp4 abc", 2},
                        Case{"'" + path + "' mp4 -1", 2}, Case{"'" + path + "' mp4 2 extra", 2}}) {
    SCOPED_TRACE(c.arguments);
    EXPECT_EQ(RunProgram(c.arguments), c.status);
    EXPECT_FALSE(std::filesystem::exists(path));
  }
}

}  // namespace
}  // namespace zentrova::test

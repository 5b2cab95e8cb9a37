// The engine's input open under each input policy: what a file's content
// may make it open.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "engine_io_fixture.h"

namespace zentrova::test {
namespace {

class GuardedInputOpen : public EngineIoTest {
 protected:
  // A playlist in the test's folder naming a transport stream beside it.
  std::string Playlist(const std::string& name) {
    ClipSpec spec = Mp4H264Aac(1.0);
    spec.format = "mpegts";
    Clip("seg.ts", spec);
    const std::string path = dir_.File(name);
    WriteFile(path, "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:1,\nseg.ts\n#EXT-X-ENDLIST\n");
    return path;
  }
};

TEST_F(GuardedInputOpen, FollowsThePolicy) {
  const std::string clip = Clip("clip.mp4", Mp4H264Aac(1.0));
  const std::string disguised = Playlist("list.mp4");
  const std::string honest = Playlist("list.m3u8");
  const std::string fifo = dir_.File("fifo.ts");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  struct Case {
    TInputPolicy policy;
    std::string name;
    std::string format;  // the demuxer that opened it; empty: refused
    std::string error;   // a part of the refusal
    std::string options = {};
  };
  const Case cases[] = {
      {TInputPolicy::LocalFiles, clip, "mov,mp4,m4a,3gp,3g2,mj2", ""},
      {TInputPolicy::LocalFiles, "file:" + clip, "mov,mp4,m4a,3gp,3g2,mj2", ""},
      {TInputPolicy::LocalFiles, honest, "hls", ""},
      {TInputPolicy::LocalFiles, disguised, "", "list.mp4: holds \"hls\" data, which opens other files"},
      {TInputPolicy::LocalFiles, disguised, "", "opened only when its name says so"},
      // Told to read a playlist, the whitelist still refuses it.
      {TInputPolicy::LocalFiles, clip, "", "clip.mp4: Invalid argument", "-f hls"},
      {TInputPolicy::LocalFiles, clip, "", "opened only when its name says so", "-f concat"},
      {TInputPolicy::LocalFiles, fifo, "", fifo + ": a FIFO, not a regular file"},
      {TInputPolicy::LocalFiles, "concat:" + clip, "", "the \"concat\" protocol is not allowed"},
      {TInputPolicy::LocalFiles, "http://127.0.0.1:9/x.mp4", "", "network addresses are not opened"},
      // Library callers keep the whole language: the content decides.
      {TInputPolicy::Full, disguised, "hls", ""},
      {TInputPolicy::Full, "concat:" + clip, "mov,mp4,m4a,3gp,3g2,mj2", ""},
  };
  for (const Case& c : cases) {
    TestEngine engine;
    engine.FInputPolicy = c.policy;
    const OpenResult result = OpenInput(engine, c.options, c.name);
    if (c.format.empty()) {
      EXPECT_LT(result.code, 0) << c.name;
      EXPECT_NE(result.error.find(c.error), std::string::npos) << c.name << ": " << result.error;
      EXPECT_TRUE(engine.Finput_files.empty()) << c.name;
    } else {
      ASSERT_EQ(result.code, 0) << c.name << ": " << result.error;
      EXPECT_STREQ(engine.Finput_files[0]->ctx->iformat->name, c.format.c_str()) << c.name;
    }
  }
}

}  // namespace
}  // namespace zentrova::test

// The engine's default conversion, end to end, on generated clips.
#include <gtest/gtest.h>

#include <cmath>

#include "media/test_media.h"
#include "support/libraries.h"
#include "support/temp_dir.h"
#include "transcode/engine_run.h"

namespace zentrova::test {
namespace {

TEST(DefaultConversion, MakesAnH264Mp3Mp4OfTheSameDuration) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string source = dir.File("source.mp4");
  MakeClip(source, Mp4H264Aac(10.0));
  const std::string output = dir.File("out.mp4");

  const EngineRun run = RunEngine({{source, ""}}, output, kDefaultConversion);
  ASSERT_TRUE(run.opened) << run.message;
  EXPECT_TRUE(run.finished) << run.message << "\n" << run.LogText();
  EXPECT_FALSE(run.fatal) << run.message;
  EXPECT_TRUE(run.Logged("Stream mapping:"));
  EXPECT_TRUE(run.Logged("  Stream #0:0 -> #0:0 (h264 (native) -> h264 (libx264)) (Video)")) << run.LogText();
  EXPECT_TRUE(run.Logged("  Stream #0:1 -> #0:1 (aac (native) -> mp3 (libmp3lame)) (Audio)"))
      << run.LogText();
  EXPECT_TRUE(run.Logged("muxing overhead: "));
  EXPECT_TRUE(run.Logged("frames successfully decoded, 0 decoding errors"));

  const ProbedFile in = ProbeFile(source);
  const ProbedFile out = ProbeFile(output);
  ASSERT_EQ(out.streams.size(), 2u);
  EXPECT_EQ(out.streams[0].codec, "h264");
  EXPECT_EQ(out.streams[1].codec, "mp3");
  EXPECT_NEAR(static_cast<double>(out.duration_us), static_cast<double>(in.duration_us), 100000.0);
  EXPECT_EQ(CountVideoFrames(output), 250);
}

}  // namespace
}  // namespace zentrova::test

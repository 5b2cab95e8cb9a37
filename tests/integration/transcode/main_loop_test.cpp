// The main loop: how it ends, stop and pause from another thread, real-time
// pacing, timestamp jumps in the input.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "media/test_media.h"
#include "support/libraries.h"
#include "support/temp_dir.h"
#include "transcode/engine_run.h"
#include "transcode/packet_probe.h"
#include "transcode/remux_fixture.h"

namespace zentrova::test {
namespace {

using std::chrono::milliseconds;

std::string Default(const std::string& extra) {
  return std::string(kDefaultConversion) + " " + extra;
}

TEST(MainLoop, SaysWhyItEnded) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string source = dir.File("source.mp4");
  MakeClip(source, Mp4H264Aac(2.0));
  const EngineRun full = RunEngine({{source, ""}}, dir.File("full.mp4"), kDefaultConversion);
  ASSERT_TRUE(full.finished) << full.message;
  EXPECT_TRUE(full.Logged("No more inputs to read from, finishing.")) << full.LogText();

  const EngineRun limited = RunEngine({{source, ""}}, dir.File("limited.mp4"), Default("-frames:v 10 -an"));
  ASSERT_TRUE(limited.finished) << limited.message;
  EXPECT_TRUE(limited.Logged("No more output streams to write to, finishing.")) << limited.LogText();
  EXPECT_EQ(PacketsOf(ReadPackets(dir.File("limited.mp4")), AVMEDIA_TYPE_VIDEO).size(), 10u);
}

TEST(MainLoop, StopLeavesACompleteShorterOutputAndNoFailure) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string source = dir.File("long.mp4");
  MakeClip(source, Mp4H264Aac(30.0));
  const std::string output = dir.File("stopped.mp4");
  const EngineRun run =
      RunEngine({{source, ""}}, output, kDefaultConversion, TLogLevel::llInfo, {}, [](TCustomFFmpeg& engine) {
        std::this_thread::sleep_for(milliseconds(1000));
        engine.Stop();
      });
  ASSERT_TRUE(run.opened) << run.message;
  EXPECT_FALSE(run.finished);
  EXPECT_FALSE(run.fatal) << run.message;
  const double seconds = ProbeFile(output).duration_us / 1e6;  // readable: the trailer was written
  EXPECT_GT(seconds, 0.5);
  EXPECT_LT(seconds, 29.0);
}

TEST(MainLoop, PausedTimeDoesNotCountForRealTimeInput) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string source = dir.File("source.mp4");
  MakeClip(source, Mp4H264Aac(5.0));
  const EngineRun run = RunEngine({{source, "-re"}}, dir.File("paced.mp4"), kDefaultConversion,
                                  TLogLevel::llInfo, {}, [](TCustomFFmpeg& engine) {
                                    std::this_thread::sleep_for(milliseconds(1000));
                                    engine.Pause();
                                    std::this_thread::sleep_for(milliseconds(2000));
                                    engine.Resume();
                                  });
  ASSERT_TRUE(run.finished) << run.message;
  // 5 s of media in real time plus 2 s of pause.
  EXPECT_GT(run.wall_s, 6.5);
  EXPECT_LT(run.wall_s, 8.5);
}

TEST(MainLoop, TransportStreamJumpIsAbsorbed) {
  LoadMediaLibraries();
  TempDir dir;
  ClipSpec spec = Mp4H264Aac(10.0);
  spec.format = "mpegts";
  const std::string clean = dir.File("clean.ts");
  MakeClip(clean, spec);
  // The second half is stamped 30 s later.
  const std::string jumping = dir.File("jump.ts");
  RemuxPackets(clean, jumping, [](const AVStream& st, AVPacket& pkt) {
    const std::int64_t half = ff::av_rescale_q(5 * AV_TIME_BASE + 1400000, {1, AV_TIME_BASE}, st.time_base);
    const std::int64_t jump = ff::av_rescale_q(30 * AV_TIME_BASE, {1, AV_TIME_BASE}, st.time_base);
    if (pkt.dts != AV_NOPTS_VALUE && pkt.dts >= half) {
      pkt.dts += jump;
      if (pkt.pts != AV_NOPTS_VALUE) pkt.pts += jump;
    }
    return true;
  });
  const std::string output = dir.File("out.mp4");
  const EngineRun run = RunEngine({{jumping, ""}}, output, kDefaultConversion);
  ASSERT_TRUE(run.finished) << run.message << "\n" << run.LogText();
  EXPECT_NEAR(ProbeFile(output).duration_us / 1e6, 10.0, 0.2);
}

}  // namespace
}  // namespace zentrova::test

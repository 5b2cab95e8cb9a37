// Frame-rate fitting (duplication, drops), copied timestamps that go
// backwards, and input streams whose format changes mid-way.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "media/test_media.h"
#include "support/libraries.h"
#include "support/temp_dir.h"
#include "transcode/engine_run.h"
#include "transcode/packet_probe.h"
#include "transcode/remux_fixture.h"

namespace zentrova::test {
namespace {

constexpr AVMediaType V = AVMEDIA_TYPE_VIDEO;

std::string Default(const std::string& extra) {
  return std::string(kDefaultConversion) + " " + extra;
}

// An all-intra video-only Matroska clip, so that frames can be left out freely.
std::string MakeIntraClip(const TempDir& dir, const std::string& name, double seconds, int width,
                          int height) {
  ClipSpec spec;
  spec.format = "matroska";
  spec.duration_s = seconds;
  VideoSpec video;
  video.gop = 1;
  video.width = width;
  video.height = height;
  spec.video = video;
  const std::string path = dir.File(name);
  MakeClip(path, spec);
  return path;
}

double Seconds(const AVStream& st, std::int64_t ts) {
  return static_cast<double>(ts) * av_q2d(st.time_base);
}

TEST(VideoSync, ConstantRateOutputFillsGapsOfAVariableRateInput) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string cfr = MakeIntraClip(dir, "cfr.mkv", 4.2, 320, 240);
  // Pictures up to 1.96 s, then one at 3.2 s and one at 4.0 s.
  const std::string vfr = dir.File("vfr.mkv");
  RemuxPackets(cfr, vfr, [](const AVStream& st, AVPacket& pkt) {
    const double t = Seconds(st, pkt.pts);
    return t < 1.99 || std::abs(t - 3.2) < 0.01 || std::abs(t - 4.0) < 0.01;
  });
  const std::string output = dir.File("cfr.mp4");
  const EngineRun run = RunEngine({{vfr, ""}}, output, Default("-r 25"));
  ASSERT_TRUE(run.finished) << run.message << "\n" << run.LogText();
  EXPECT_NEAR(static_cast<double>(PacketsOf(ReadPackets(output), V).size()), 100.0, 1.5);
  EXPECT_GT(run.frames_dup, 0);
  EXPECT_TRUE(run.Logged(" dup!")) << run.LogText();
}

TEST(VideoSync, OverlongGapIsNotFilled) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string cfr = MakeIntraClip(dir, "cfr.mkv", 21.2, 160, 120);
  // One second of pictures, then one picture 20 s later.
  const std::string gap = dir.File("gap.mkv");
  RemuxPackets(cfr, gap, [](const AVStream& st, AVPacket& pkt) {
    const double t = Seconds(st, pkt.pts);
    return t < 0.99 || std::abs(t - 21.0) < 0.01;
  });
  const EngineRun run = RunEngine({{gap, ""}}, dir.File("gap.mp4"), Default("-r 25"));
  ASSERT_TRUE(run.finished) << run.message;
  EXPECT_TRUE(run.Logged("frame duplication too large, skipping")) << run.LogText();
  EXPECT_GE(run.frames_drop, 1);
}

TEST(StreamCopy, DtsGoingBackwardsIsWrittenStrictlyIncreasing) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string clean = MakeIntraClip(dir, "clean.mkv", 2.0, 320, 240);
  // Matroska keeps one time per block: one going back 3 frames makes the
  // demuxed dts go backwards there.
  const std::string backwards = dir.File("backwards.mkv");
  int index = 0;
  RemuxPackets(clean, backwards, [&index](const AVStream&, AVPacket& pkt) {
    if (index == 20) pkt.pts -= 120;
    pkt.dts = index++;  // the muxer only needs increasing dts; Matroska does not store them
    return true;
  });
  const std::vector<ProbedPacket> in = PacketsOf(ReadPackets(backwards), V);
  bool goes_back = false;
  for (std::size_t i = 1; i < in.size(); ++i) goes_back = goes_back || in[i].dts < in[i - 1].dts;
  ASSERT_TRUE(goes_back) << "the fixture's dts never go backwards";

  const std::string output = dir.File("copy.mp4");
  const EngineRun run = RunEngine({{backwards, ""}}, output, "-c copy");
  ASSERT_TRUE(run.finished) << run.message << "\n" << run.LogText();
  const std::vector<ProbedPacket> out = PacketsOf(ReadPackets(output), V);
  ASSERT_EQ(out.size(), in.size());
  for (std::size_t i = 0; i < out.size(); ++i) {
    EXPECT_GE(out[i].pts, out[i].dts) << i;
    if (i > 0) {
      EXPECT_GT(out[i].dts, out[i - 1].dts) << i;
    }
  }
}

std::string MakeTsPart(const TempDir& dir, const std::string& name, int width, int height, int sample_rate) {
  ClipSpec spec;
  spec.format = "mpegts";
  spec.duration_s = 2.0;
  if (width) {
    VideoSpec video;
    video.width = width;
    video.height = height;
    spec.video = video;
  }
  if (sample_rate) {
    AudioSpec audio;
    audio.sample_rate = sample_rate;
    spec.audio.push_back(audio);
  }
  const std::string path = dir.File(name);
  MakeClip(path, spec);
  return path;
}

TEST(Decoding, PictureSizeChangeKeepsTheOutputSize) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string joined = dir.File("sizes.ts");
  ConcatenateFiles({MakeTsPart(dir, "small.ts", 320, 240, 0), MakeTsPart(dir, "large.ts", 640, 480, 0)},
                   joined);
  const std::string output = dir.File("out.mp4");
  const EngineRun run = RunEngine({{joined, ""}}, output, Default("-an"));
  ASSERT_TRUE(run.finished) << run.message << "\n" << run.LogText();
  EXPECT_TRUE(
      run.Logged("Input stream #0:0 frame changed from size:320x240 fmt:yuv420p to size:640x480 fmt:yuv420p"))
      << run.LogText();
  EXPECT_FALSE(run.Logged("does not fit the encoder"));
  const ProbedFile out = ProbeFile(output);
  ASSERT_EQ(out.streams.size(), 1u);
  EXPECT_EQ(out.streams[0].width, 320);
  EXPECT_EQ(out.streams[0].height, 240);
  // Every picture of both parts was encoded (a picture of another size could not be).
  EXPECT_NEAR(static_cast<double>(CountVideoFrames(output)), 100.0, 2.0);
}

TEST(Decoding, SampleRateChangeKeepsTheOutputRate) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string joined = dir.File("rates.ts");
  ConcatenateFiles({MakeTsPart(dir, "a.ts", 0, 0, 44100), MakeTsPart(dir, "b.ts", 0, 0, 48000)}, joined);
  const std::string output = dir.File("out.mp4");
  const EngineRun run = RunEngine({{joined, ""}}, output, Default("-vn"));
  ASSERT_TRUE(run.finished) << run.message << "\n" << run.LogText();
  EXPECT_TRUE(run.Logged("Input stream #0:0 frame changed from rate:44100")) << run.LogText();
  const ProbedFile out = ProbeFile(output);
  ASSERT_EQ(out.streams.size(), 1u);
  EXPECT_EQ(out.streams[0].sample_rate, 44100);
  EXPECT_NEAR(out.duration_us / 1e6, 4.0, 0.1);
}

TEST(Subtitles, FixSubDurationEndsEachCueBeforeTheNext) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string source = dir.File("overlap.srt");
  WriteFile(source,
            "1\n00:00:00,000 --> 00:00:03,000\none\n\n"
            "2\n00:00:01,000 --> 00:00:04,000\ntwo\n\n"
            "3\n00:00:02,500 --> 00:00:06,000\nthree\n\n"
            "4\n00:00:07,000 --> 00:00:08,000\nfour\n\n");
  const std::string output = dir.File("fixed.srt");
  const EngineRun run = RunEngine({{source, "-fix_sub_duration"}}, output, "");
  ASSERT_TRUE(run.finished) << run.message << "\n" << run.LogText();
  const std::vector<ProbedPacket> cues = PacketsOf(ReadPackets(output), AVMEDIA_TYPE_SUBTITLE);
  ASSERT_GE(cues.size(), 3u);
  for (std::size_t i = 0; i + 1 < cues.size(); ++i)
    EXPECT_LE(cues[i].pts + cues[i].duration, cues[i + 1].pts) << "cue " << i << " overlaps the next";
}

}  // namespace
}  // namespace zentrova::test

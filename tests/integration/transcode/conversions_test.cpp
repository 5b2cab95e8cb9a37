// Real conversions with timing, filtering and stream selection options,
// each probed back: streams, codecs, duration, frame counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "media/test_media.h"
#include "support/libraries.h"
#include "support/temp_dir.h"
#include "transcode/engine_run.h"
#include "transcode/packet_probe.h"

namespace zentrova::test {
namespace {

constexpr AVMediaType V = AVMEDIA_TYPE_VIDEO;
constexpr AVMediaType A = AVMEDIA_TYPE_AUDIO;

struct ConversionCase {
  const char* name;
  const char* input_options;
  const char* output;
  std::string output_options;
  std::vector<std::pair<AVMediaType, std::string>> streams;
  double duration_s;
  std::int64_t frames;  ///< video frames decoded back; < 0: not checked
  int width = 320;      ///< of the video stream
  int frame_rate = 25;  ///< of the video stream
};

std::string Default(const std::string& extra) {
  return std::string(kDefaultConversion) + " " + extra;
}

TEST(Conversions, TimingFilteringAndSelectionOptions) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string source = dir.File("source.mp4");
  MakeClip(source, Mp4H264Aac(10.0));
  const ConversionCase cases[] = {
      {"-ss on input", "-ss 2", "ss_in.mp4", kDefaultConversion, {{V, "h264"}, {A, "mp3"}}, 8.0, 200},
      {"-t on input", "-t 3", "t_in.mp4", kDefaultConversion, {{V, "h264"}, {A, "mp3"}}, 3.0, 75},
      {"-ss on output", "", "ss_out.mp4", Default("-ss 2"), {{V, "h264"}, {A, "mp3"}}, 8.0, 200},
      {"-t on output", "", "t_out.mp4", Default("-t 3"), {{V, "h264"}, {A, "mp3"}}, 3.0, 75},
      {"-vf scale",
       "",
       "scaled.mp4",
       Default("-vf scale=160:120"),
       {{V, "h264"}, {A, "mp3"}},
       10.0,
       250,
       160},
      {"-r 15", "", "r15.mp4", Default("-r 15"), {{V, "h264"}, {A, "mp3"}}, 10.0, -1, 320, 15},
      {"-an", "", "an.mp4", Default("-an"), {{V, "h264"}}, 10.0, 250},
      {"-vn", "", "vn.mp4", Default("-vn"), {{A, "mp3"}}, 10.0, -1},
      {"copy remux MP4 to MKV", "", "copy.mkv", "-c copy", {{V, "h264"}, {A, "aac"}}, 10.0, 250},
      {"audio only to MP3", "", "audio.mp3", "-vn -c:a libmp3lame -b:a 128k", {{A, "mp3"}}, 10.0, -1},
      {"audio only to WAV", "", "audio.wav", "-vn", {{A, "pcm_s16le"}}, 10.0, -1},
      {"audio only to FLAC", "", "audio.flac", "-vn", {{A, "flac"}}, 10.0, -1},
      {"audio only to AAC in M4A", "", "audio.m4a", "-vn -c:a aac", {{A, "aac"}}, 10.0, -1},
  };
  for (const ConversionCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string output = dir.File(c.output);
    const EngineRun run = RunEngine({{source, c.input_options}}, output, c.output_options);
    ASSERT_TRUE(run.opened) << run.message;
    ASSERT_TRUE(run.finished) << run.message << "\n" << run.LogText();
    const ProbedFile out = ProbeFile(output);
    ASSERT_EQ(out.streams.size(), c.streams.size());
    for (std::size_t i = 0; i < c.streams.size(); ++i) {
      EXPECT_EQ(out.streams[i].type, c.streams[i].first);
      EXPECT_EQ(out.streams[i].codec, c.streams[i].second);
      if (out.streams[i].type == V) {
        EXPECT_EQ(out.streams[i].width, c.width);
        EXPECT_EQ(av_q2d(out.streams[i].frame_rate), c.frame_rate);
      }
    }
    EXPECT_NEAR(out.duration_us / 1e6, c.duration_s, 0.15);
    if (c.frames >= 0) {
      EXPECT_NEAR(static_cast<double>(CountVideoFrames(output)), static_cast<double>(c.frames), 1.0);
    }
  }
}

TEST(Conversions, FrameLimitWritesExactlyThatManyVideoPacketsAndEndsTheAudioWithIt) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string source = dir.File("source.mp4");
  MakeClip(source, Mp4H264Aac(10.0));
  const std::string output = dir.File("frames.mp4");
  const EngineRun run = RunEngine({{source, ""}}, output, Default("-frames:v 100"));
  ASSERT_TRUE(run.finished) << run.message << "\n" << run.LogText();
  const std::vector<ProbedPacket> packets = ReadPackets(output);
  EXPECT_EQ(PacketsOf(packets, V).size(), 100u);
  const std::vector<ProbedPacket> audio = PacketsOf(packets, A);
  ASSERT_FALSE(audio.empty());
  EXPECT_NEAR(audio.back().PtsSeconds(), 4.0, 0.15);
}

TEST(Conversions, ForcedKeyFramesLandAtTheListedTimes) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string source = dir.File("source.mp4");
  MakeClip(source, Mp4H264Aac(8.0));
  const std::string output = dir.File("keys.mp4");
  const EngineRun run = RunEngine({{source, ""}}, output, Default("-force_key_frames 1,3,5"));
  ASSERT_TRUE(run.finished) << run.message;
  std::vector<double> keys;
  for (const ProbedPacket& p : PacketsOf(ReadPackets(output), V))
    if (p.key) keys.push_back(p.PtsSeconds());
  std::sort(keys.begin(), keys.end());
  for (double wanted : {0.0, 1.0, 3.0, 5.0}) {
    const bool found =
        std::any_of(keys.begin(), keys.end(), [&](double k) { return std::abs(k - wanted) <= 0.041; });
    EXPECT_TRUE(found) << "no key frame at " << wanted << " s";
  }
}

TEST(Conversions, ForcedKeyFramesAtChapterStartsWithAnOffset) {
  LoadMediaLibraries();
  TempDir dir;
  ClipSpec spec = Mp4H264Aac(9.0);
  spec.format = "matroska";
  spec.chapters = 3;  // at 0, 3 and 6 s
  const std::string source = dir.File("chapters.mkv");
  MakeClip(source, spec);
  const std::string output = dir.File("keys.mp4");
  const EngineRun run = RunEngine({{source, ""}}, output, Default("-force_key_frames chapters+2"));
  ASSERT_TRUE(run.finished) << run.message << "\n" << run.LogText();
  std::vector<double> keys;
  for (const ProbedPacket& p : PacketsOf(ReadPackets(output), V))
    if (p.key) keys.push_back(p.PtsSeconds());
  for (double wanted : {2.0, 5.0, 8.0}) {
    const bool found =
        std::any_of(keys.begin(), keys.end(), [&](double k) { return std::abs(k - wanted) <= 0.041; });
    EXPECT_TRUE(found) << "no key frame at " << wanted << " s";
  }
}

TEST(Conversions, HardwareDecodingRequestFallsBackToSoftware) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string source = dir.File("source.mp4");
  MakeClip(source, Mp4H264Aac(2.0));
  const std::string output = dir.File("out.mp4");
  const EngineRun run = RunEngine({{source, "-hwaccel qsv"}}, output, kDefaultConversion);
  ASSERT_TRUE(run.opened) << run.message;
  ASSERT_TRUE(run.finished) << run.message << "\n" << run.LogText();
  // A software encoder is no one-to-one path: the decoder gets no device.
  EXPECT_TRUE(
      run.Logged("QSV transcoding is not initialized. -hwaccel qsv should only be used for one-to-one") ||
      run.Logged("Intel QSV transcoding is not avaiable because libmfx is not loaded."))
      << run.LogText();
  EXPECT_NEAR(static_cast<double>(CountVideoFrames(output)), 50.0, 1.0);
}

TEST(Conversions, VideoStatisticsFileHasALinePerFrame) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string source = dir.File("source.mp4");
  MakeClip(source, Mp4H264Aac(2.0));
  const std::string stats = dir.File("vstats.txt");
  const EngineRun run = RunEngine({{source, ""}}, dir.File("out.mp4"), Default("-vstats_file " + stats));
  ASSERT_TRUE(run.finished) << run.message << "\n" << run.LogText();
  std::ifstream in(stats);
  std::string line;
  int lines = 0;
  while (std::getline(in, line)) {
    EXPECT_EQ(line.rfind("frame= ", 0), 0u) << line;
    EXPECT_NE(line.find(" type= "), std::string::npos) << line;
    ++lines;
  }
  EXPECT_EQ(lines, 50);
}

TEST(Conversions, StreamLoopPlaysTheInputAgain) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string source = dir.File("source.mp4");
  MakeClip(source, Mp4H264Aac(2.0));
  const std::string output = dir.File("looped.mp4");
  const EngineRun run = RunEngine({{source, "-stream_loop 1"}}, output, kDefaultConversion);
  ASSERT_TRUE(run.finished) << run.message << "\n" << run.LogText();
  EXPECT_NEAR(ProbeFile(output).duration_us / 1e6, 4.0, 0.15);
  EXPECT_NEAR(static_cast<double>(CountVideoFrames(output)), 100.0, 1.0);
}

TEST(Conversions, FirstPassWritesTheStatisticsLog) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string source = dir.File("source.mp4");
  MakeClip(source, Mp4H264Aac(2.0));
  const std::string prefix = dir.File("twopass");
  const EngineRun run =
      RunEngine({{source, ""}}, dir.File("pass1.mp4"), Default("-an -pass 1 -passlogfile " + prefix));
  ASSERT_TRUE(run.finished) << run.message << "\n" << run.LogText();
  // libx264 keeps its own statistics file beside the prefix.
  bool found = false;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    if (entry.path().filename().string().starts_with("twopass") && entry.file_size() > 0) found = true;
  EXPECT_TRUE(found);
}

TEST(Conversions, SecondAudioStreamByMap) {
  LoadMediaLibraries();
  TempDir dir;
  ClipSpec spec = Mp4H264Aac(3.0);
  spec.format = "matroska";
  AudioSpec second;
  second.sample_rate = 44100;
  second.channels = 1;
  spec.audio.push_back(second);
  const std::string source = dir.File("two_audio.mkv");
  MakeClip(source, spec);
  const std::string output = dir.File("second.mp4");
  const EngineRun run = RunEngine({{source, ""}}, output, Default("-map 0:a:1"));
  ASSERT_TRUE(run.finished) << run.message;
  const ProbedFile out = ProbeFile(output);
  ASSERT_EQ(out.streams.size(), 1u);
  EXPECT_EQ(out.streams[0].codec, "mp3");
  EXPECT_EQ(out.streams[0].sample_rate, 44100);
  EXPECT_EQ(out.streams[0].channels, 1);
}

TEST(Conversions, PictureToVideo) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string picture = dir.File("still.png");
  MakeClip(picture, PngStill());
  const std::string output = dir.File("still.mp4");
  const EngineRun run = RunEngine({{picture, "-loop 1"}}, output, Default("-t 3"));
  ASSERT_TRUE(run.finished) << run.message << "\n" << run.LogText();
  const ProbedFile out = ProbeFile(output);
  ASSERT_EQ(out.streams.size(), 1u);
  EXPECT_EQ(out.streams[0].codec, "h264");
  EXPECT_NEAR(out.duration_us / 1e6, 3.0, 0.15);
  EXPECT_NEAR(static_cast<double>(CountVideoFrames(output)), 75.0, 1.0);
}

TEST(Conversions, ShortestEndsWithTheShortestInput) {
  LoadMediaLibraries();
  TempDir dir;
  ClipSpec video_only = Mp4H264Aac(10.0);
  video_only.audio.clear();
  const std::string video = dir.File("video.mp4");
  MakeClip(video, video_only);
  const std::string audio = dir.File("audio.wav");
  MakeClip(audio, WavS16(5.0));
  const std::string output = dir.File("shortest.mp4");
  const EngineRun run = RunEngine({{video, ""}, {audio, ""}}, output, Default("-shortest"));
  ASSERT_TRUE(run.finished) << run.message << "\n" << run.LogText();
  const ProbedFile out = ProbeFile(output);
  ASSERT_EQ(out.streams.size(), 2u);
  EXPECT_NEAR(out.duration_us / 1e6, 5.0, 0.2);
}

}  // namespace
}  // namespace zentrova::test

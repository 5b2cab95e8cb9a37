// Every output format the application offers, converted from one generated
// H.264 + AAC clip and probed back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media/test_media.h"
#include "support/libraries.h"
#include "support/temp_dir.h"
#include "transcode/engine_run.h"

namespace zentrova::test {
namespace {

struct ExpectedStream {
  AVMediaType type;
  std::string codec;
};

struct FormatCase {
  const char* name;
  const char* output;   ///< file name in the test folder
  const char* options;  ///< output option string
  std::vector<ExpectedStream> streams;
  double duration_s;    ///< < 0: not checked (raw streams without an index)
  std::int64_t frames;  ///< video frames decoded back; < 0: not checked
};

constexpr AVMediaType V = AVMEDIA_TYPE_VIDEO;
constexpr AVMediaType A = AVMEDIA_TYPE_AUDIO;

TEST(OutputFormats, EveryOfferedFormatConvertsAndProbesBack) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string source = dir.File("source.mp4");
  MakeClip(source, Mp4H264Aac(2.0));
  const FormatCase cases[] = {
      {"MP4", "out.mp4", kDefaultConversion, {{V, "h264"}, {A, "mp3"}}, 2.0, 50},
      {"MKV", "out.mkv", "-c:v libx264 -c:a libmp3lame", {{V, "h264"}, {A, "mp3"}}, 2.0, 50},
      {"AVI", "out.avi", "-c:v libx264 -c:a libmp3lame", {{V, "h264"}, {A, "mp3"}}, 2.0, 50},
      {"FLV", "out.flv", "-c:v libx264 -c:a libmp3lame -ar 44100", {{V, "h264"}, {A, "mp3"}}, 2.0, 50},
      {"MOV", "out.mov", "-c:v libx264 -c:a libmp3lame", {{V, "h264"}, {A, "mp3"}}, 2.0, 50},
      {"OGG", "out.ogg", "-c:v libtheora -c:a libvorbis", {{V, "theora"}, {A, "vorbis"}}, 2.0, 50},
      {"WebM", "out.webm", "-f webm -c:v libvpx -c:a libvorbis", {{V, "vp8"}, {A, "vorbis"}}, 2.0, 50},
      {"WMV", "out.wmv", "-c:v wmv2 -c:a wmav2", {{V, "wmv2"}, {A, "wmav2"}}, 2.0, 50},
      {"3GP",
       "out.3gp",
       "-b:a 12.2k -ac 1 -ar 8000 -s 128x96 -c:v libx264 -c:a aac",
       {{V, "h264"}, {A, "aac"}},
       2.0,
       50},
      {"MPEG (DVD)",
       "out_pal_dvd.mpg",
       "-target pal-dvd",
       {{AVMEDIA_TYPE_DATA, "dvd_nav_packet"}, {V, "mpeg2video"}, {A, "ac3"}},
       2.0,
       50},
      {"MPEG (VCD)", "out_pal_vcd.mpg", "-target pal-vcd", {{V, "mpeg1video"}, {A, "mp2"}}, 2.0, 50},
      {"RM10", "out_rv10.rm", "-c:v rv10 -c:a ac3", {{V, "rv10"}, {A, "ac3"}}, 2.0, 50},
      {"RM20", "out_rv20.rm", "-c:v rv20 -c:a ac3", {{V, "rv20"}, {A, "ac3"}}, 2.0, 50},
      {"SWF", "out.swf", "-c:v flv -c:a libmp3lame -ar 44100", {{A, "mp3"}, {V, "flv1"}}, -1, 50},
      {"M1V", "out.m1v", "-c:v mpeg1video", {{V, "mpeg1video"}}, -1, 50},
      {"M2V", "out.m2v", "-c:v mpeg2video", {{V, "mpeg2video"}}, -1, 50},
      {"AAC", "out.aac", "", {{A, "aac"}}, -1, -1},
      {"AC3", "out.ac3", "", {{A, "ac3"}}, 2.0, -1},
      {"MP2", "out.mp2", "", {{A, "mp2"}}, 2.0, -1},
      {"MP3", "out.mp3", "-vn -c:a libmp3lame", {{A, "mp3"}}, 2.0, -1},
      {"WAV", "out.wav", "", {{A, "pcm_s16le"}}, 2.0, -1},
      {"WMA", "out.wma", "-vn -c:a wmav2", {{A, "wmav2"}}, 2.0, -1},
      {"FLAC", "out.flac", "", {{A, "flac"}}, 2.0, -1},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string output = dir.File(c.output);
    const EngineRun run = RunEngine({{source, ""}}, output, c.options);
    ASSERT_TRUE(run.opened) << run.message;
    ASSERT_TRUE(run.finished) << run.message << "\n" << run.LogText();
    const ProbedFile out = ProbeFile(output);
    ASSERT_EQ(out.streams.size(), c.streams.size());
    for (std::size_t i = 0; i < c.streams.size(); ++i) {
      EXPECT_EQ(out.streams[i].type, c.streams[i].type) << i;
      EXPECT_EQ(out.streams[i].codec, c.streams[i].codec) << i;
    }
    if (c.duration_s > 0) {
      EXPECT_NEAR(out.duration_us / 1e6, c.duration_s, 0.15);
    }
    if (c.frames >= 0) {
      EXPECT_NEAR(static_cast<double>(CountVideoFrames(output)), static_cast<double>(c.frames), 1.0);
    }
  }
}

}  // namespace
}  // namespace zentrova::test

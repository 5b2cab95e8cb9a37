// Settings that cannot work fail the task before the loop with the
// system's own texts, and leave no empty output behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "media/error_text.h"
#include "media/test_media.h"
#include "support/libraries.h"
#include "support/temp_dir.h"
#include "transcode/engine_run.h"
#include "transcode/packet_probe.h"

namespace zentrova::test {
namespace {

struct InitErrorCase {
  const char* name;
  std::string options;
  EngineHooks hooks;
  std::string message;  ///< the fatal message (a prefix when `prefix_only`)
  bool prefix_only;
  bool mapping_logged;  ///< "Stream mapping:" in the log
};

TEST(TranscodeInit, RefusesSettingsThatCannotWork) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string source = dir.File("source.mp4");
  MakeClip(source, Mp4H264Aac(2.0));
  const InitErrorCase cases[] = {
      {"video copy with a video hook",
       "-c:v copy",
       {.video_hook = true},
       "-vcodec copy and VideoHook are incompatible (frames are not decoded)",
       false,
       false},
      {"video copy with preview",
       "-c:v copy",
       {.preview = true},
       "-vcodec copy and Preview are incompatible (frames are not decoded)",
       false,
       false},
      {"audio copy with a volume change",
       "-c:a copy -vol 512",
       {},
       "-acodec copy and -vol are incompatible (frames are not decoded)",
       false,
       false},
      {"audio copy with an audio hook",
       "-c:a copy",
       {.audio_hook = true},
       "-acodec copy and AudioHook are incompatible (frames are not decoded)",
       false,
       false},
      // The Ogg muxer cannot tell from its codec query, so the header fails.
      {"header refused by the muxer",
       "-c:a pcm_s16le -f ogg",
       {},
       "Could not write header for output file #0 \"" + dir.File("out.mp4") +
           "\" (incorrect codec parameters ?): " + error_code_text(AVERROR(EINVAL)) +
           ": ogg: Unsupported codec id in stream 1",  // the muxer's own line names the cause
       false,
       true},
      {"unknown disposition flag",
       std::string(kDefaultConversion) + " -disposition:a:0 bogusflag",
       {},
       "transcode_init() error: ",
       true,
       true},
  };
  for (const InitErrorCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string output = dir.File("out.mp4");
    const EngineRun run = RunEngine({{source, ""}}, output, c.options, TLogLevel::llVerbose, c.hooks);
    ASSERT_TRUE(run.opened) << run.message;
    EXPECT_FALSE(run.finished);
    EXPECT_TRUE(run.fatal);
    if (c.prefix_only)
      EXPECT_EQ(run.message.substr(0, c.message.size()), c.message) << run.message;
    else
      EXPECT_EQ(run.message, c.message);
    EXPECT_EQ(run.Logged("Stream mapping:"), c.mapping_logged);
    EXPECT_FALSE(std::filesystem::exists(output)) << "an empty output stayed on disk";
  }
}

TEST(TranscodeInit, HeaderFailureLogsTheLibraryReason) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string source = dir.File("source.mp4");
  MakeClip(source, Mp4H264Aac(2.0));
  const EngineRun run = RunEngine({{source, ""}}, dir.File("out.mp4"), "-c:a pcm_s16le -f ogg");
  EXPECT_TRUE(run.Logged("Could not write header for output file #0 \"" + dir.File("out.mp4") +
                         "\" (incorrect codec parameters ?): "))
      << run.LogText();
}

TEST(TranscodeInit, AudioEncoderWithoutItsOwnDefaultGets128k) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string source = dir.File("source.mp4");
  MakeClip(source, Mp4H264Aac(2.0));
  const std::string output = dir.File("out.asf");
  const EngineRun run = RunEngine({{source, ""}}, output, "-vn -c:a wmav2 -f asf");
  ASSERT_TRUE(run.finished) << run.message;
  EXPECT_EQ(StreamBitRate(output, 0), 128000);
}

TEST(TranscodeInit, NothingEncodedWarnsAndLeavesNoEmptyFile) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string source = dir.File("source.mp4");
  MakeClip(source, Mp4H264Aac(2.0));
  const std::string output = dir.File("out.raw");
  const EngineRun run = RunEngine({{source, ""}}, output, "-an -f rawvideo -ss 100");
  ASSERT_TRUE(run.opened) << run.message;
  EXPECT_TRUE(
      run.Logged("Output file is empty, nothing was encoded (check -ss / -t / -frames parameters if used)"))
      << run.LogText();
  EXPECT_FALSE(std::filesystem::exists(output));
}

}  // namespace
}  // namespace zentrova::test

// Sources players and encoders find hard, converted by zentrova-cli with the
// dialog's defaults or a chosen format and read back with the decoder
// component: 10-bit and 4:4:4 pictures, odd frame sizes, interlaced
// pictures, audio files with cover art.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

#include "cli/cli_options.h"
#include "cli/source_probe.h"
#include "cli_process.h"
#include "convert/build_env.h"
#include "media/test_media.h"
#include "read_back.h"
#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova::test {
namespace {

const std::string kCli = ZENTROVA_CLI_PROGRAM;

// The generated sources, made once for the program (1 s each).
class HardSources : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    LoadMediaLibraries();
    sources_ = std::make_unique<TempDir>();
    for (const auto& [preset, name] :
         {std::pair{"10bit", "tenbit.mp4"}, std::pair{"odd", "odd.mkv"}, std::pair{"odd444", "odd444.mkv"},
          std::pair{"interlaced", "fields.ts"}, std::pair{"ts", "frames.ts"},
          std::pair{"cover-mp3", "song.mp3"}, std::pair{"cover-m4a", "song.m4a"}})
      MakeClip(sources_->File(name), PresetByName(preset, 1.0));
  }
  static void TearDownTestSuite() { sources_.reset(); }

  static std::string Source(const std::string& name) { return sources_->File(name); }

  // Converts `source` with `args` into the test's folder; the output's name there.
  std::string Convert(const std::string& source, std::vector<std::string> args, const std::string& output) {
    args.insert(args.begin(), {"-q", "--out", out_.Path().string()});
    args.push_back(Source(source));
    const CliResult result = RunCli(kCli, args);
    EXPECT_EQ(result.exit_code, 0) << result.err;
    return out_.File(output);
  }

  static std::unique_ptr<TempDir> sources_;
  TempDir out_;
};

std::unique_ptr<TempDir> HardSources::sources_;

const ReadStream* OnlyVideo(const ReadFile& file) {
  const auto video = file.Moving(AVMEDIA_TYPE_VIDEO);
  EXPECT_EQ(video.size(), 1u);
  return video.empty() ? nullptr : video[0];
}

// 10-bit and 4:4:4 sources give the 8-bit 4:2:0 H.264 every player shows;
// odd sizes are made even with the display aspect kept.
TEST_F(HardSources, PicturesBecomeEvenSized8Bit420) {
  struct Case {
    const char* source;
    const char* format;
    const char* output;
    const char* codec;
    int width, height;
  } cases[] = {
      {"tenbit.mp4", "MP4", "tenbit_(new).mp4", "h264", 160, 120},
      {"odd.mkv", "MP4", "odd_(new).mp4", "h264", 852, 478},
      {"odd.mkv", "WMV", "odd_(new).wmv", "wmv2", 852, 478},
      {"odd444.mkv", "MP4", "odd444_(new).mp4", "h264", 852, 478},
      {"odd.mkv", "RM20", "odd_(new)_rv20.rm", "rv20", 848, 464},
  };
  const double kOddAspect = 853.0 / 479;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.source) + " to " + c.format);
    const std::string output = Convert(c.source, {"--format", c.format}, c.output);
    const ReadFile file = ReadBack(output);
    const ReadStream* video = OnlyVideo(file);
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->codec, c.codec);
    EXPECT_EQ(video->pix_fmt, "yuv420p");
    EXPECT_EQ(video->width, c.width);
    EXPECT_EQ(video->height, c.height);
    // The source's display aspect within 0.5 % (the sample aspect is stored as
    // a small fraction); RealMedia stores none, its player shows the stored size.
    if (c.width == c.height * 4 / 3) {
      EXPECT_NEAR(video->DisplayAspect(), 4.0 / 3, 0.01);
    } else if (std::string(c.codec) != "rv20") {
      EXPECT_NEAR(video->DisplayAspect() / kOddAspect, 1.0, 0.005);
    }
    EXPECT_NEAR(file.container_duration_s, 1.0, 0.1);
  }
}

// The plan the command line makes for an interlaced source deinterlaces its
// interlaced frames; a progressive one is left alone. The output is made of
// progressive pictures.
TEST_F(HardSources, InterlacedSourcesAreDeinterlaced) {
  struct Case {
    const char* source;
    bool deinterlaced;
  } cases[] = {{"fields.ts", true}, {"frames.ts", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    const cli::TParseOutcome parsed = cli::ParseCommandLine({Source(c.source)});
    ASSERT_TRUE(parsed.Error.empty()) << parsed.Error;
    const auto tasks = cli::PlanConversion(parsed.Options, cli::MakeDecoderProbe(TInputPolicy::LocalFiles),
                                           app::SystemBuildEnv(nullptr));
    ASSERT_EQ(tasks.size(), 1u);
    EXPECT_EQ(tasks[0].Output.Options.find("yadif=deint=interlaced") != std::string::npos, c.deinterlaced)
        << tasks[0].Output.Options;
  }
  ASSERT_TRUE(AnyPictureInterlaced(Source("fields.ts"), 5)) << "the source is interlaced";
  const std::string output = Convert("fields.ts", {}, "fields_(new).mp4");
  EXPECT_FALSE(AnyPictureInterlaced(output, 25));
  EXPECT_NEAR(ReadBack(output).container_duration_s, 1.0, 0.1);
}

enum class TCover { None, Picture, Attachment };

// The sound converts in every format; the cover is carried as cover art
// where the format has it and left out elsewhere, never as moving video.
TEST_F(HardSources, CoverArtStaysCoverArt) {
  struct Case {
    const char* source;
    const char* format;
    const char* output;
    const char* audio;
    TCover cover;
  } cases[] = {
      {"song.mp3", "MP4", "song_(new).mp4", "mp3", TCover::Picture},
      {"song.m4a", "MP4", "song_(new).mp4", "mp3", TCover::Picture},
      {"song.mp3", "MP3", "song_(new).mp3", "mp3", TCover::Picture},
      {"song.m4a", "MKV", "song_(new).mkv", "mp3", TCover::Attachment},
      {"song.mp3", "AVI", "song_(new).avi", "mp3", TCover::None},
      {"song.m4a", "WAV", "song_(new).wav", "pcm_s16le", TCover::None},
      {"song.m4a", "OGG", "song_(new).ogg", "vorbis", TCover::None},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.source) + " to " + c.format);
    const std::string output = Convert(c.source, {"--format", c.format}, c.output);
    const ReadFile file = ReadBack(output);
    EXPECT_TRUE(file.Moving(AVMEDIA_TYPE_VIDEO).empty()) << "the picture is no moving video";
    const auto audio = file.Moving(AVMEDIA_TYPE_AUDIO);
    ASSERT_EQ(audio.size(), 1u);
    EXPECT_EQ(audio[0]->codec, c.audio);
    const ReadStream* cover = file.AttachedPicture();
    EXPECT_EQ(cover != nullptr, c.cover != TCover::None);
    if (cover) {
      EXPECT_EQ(cover->codec, "png");
      EXPECT_EQ(cover->width, 160);
      EXPECT_EQ(cover->height, 120);
      // Matroska: an image attachment, read back as an attached picture with its MIME type.
      EXPECT_EQ(cover->mimetype, c.cover == TCover::Attachment ? "image/png" : "");
    }
    EXPECT_NEAR(DecodedDuration(output, AVMEDIA_TYPE_AUDIO), 1.0, 0.1);
  }
}

}  // namespace
}  // namespace zentrova::test

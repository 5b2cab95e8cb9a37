// Sound at the rates and channel counts sources commonly have, into the
// formats whose encoders or containers cannot take them as they are,
// converted by zentrova-cli and read back with the decoder component: the
// rate and channel count the output carries, a picture where the format
// needs one, and the playing time.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "cli_process.h"
#include "media/test_media.h"
#include "read_back.h"
#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova::test {
namespace {

const std::string kCli = ZENTROVA_CLI_PROGRAM;
constexpr double kSourceSeconds = 0.5;

ClipSpec Sound(int sample_rate, int channels) {
  ClipSpec spec;
  spec.format = "wav";
  spec.duration_s = kSourceSeconds;
  AudioSpec audio;
  audio.codec = "pcm_s16le";
  audio.sample_rate = sample_rate;
  audio.channels = channels;
  spec.audio.push_back(audio);
  return spec;
}

ClipSpec PictureOnly() {
  ClipSpec spec;
  spec.format = "matroska";
  spec.duration_s = kSourceSeconds;
  VideoSpec video;
  video.codec = "mpeg4";
  video.width = 160;
  video.height = 120;
  spec.video = video;
  return spec;
}

class AudioSources : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    LoadMediaLibraries();
    sources_ = std::make_unique<TempDir>();
    MakeClip(sources_->File("tel8k.wav"), Sound(8000, 1));
    MakeClip(sources_->File("tel11k.wav"), Sound(11025, 1));
    MakeClip(sources_->File("hi96k.wav"), Sound(96000, 6));
    MakeClip(sources_->File("mute.mkv"), PictureOnly());
  }
  static void TearDownTestSuite() { sources_.reset(); }

  static std::unique_ptr<TempDir> sources_;
  TempDir out_;
};

std::unique_ptr<TempDir> AudioSources::sources_;

// One conversion: source, the command line's choices, and what the output holds.
struct Case {
  const char* source;
  std::vector<std::string> args;
  const char* output;
  const char* audio_codec;
  int sample_rate;
  int channels;
  const char* video_codec;  ///< nullptr: no video
};

TEST_F(AudioSources, EveryFormatCarriesTheSound) {
  const Case cases[] = {
      // MP3 below 16 kHz is not carried by MP4: the rate is doubled.
      {"tel8k.wav", {"--format", "MP4"}, "tel8k_(new).mp4", "mp3", 16000, 1, nullptr},
      {"tel11k.wav", {"--format", "MP4"}, "tel11k_(new).mp4", "mp3", 22050, 1, nullptr},
      // A chosen low rate stays; the hidden default MP3 gives way to AAC.
      {"hi96k.wav",
       {"--format", "MP4", "--sample-rate", "11025"},
       "hi96k_(new).mp4",
       "aac",
       11025,
       6,
       nullptr},
      // Vorbis: the bit rate is capped for low rates, 96 kHz becomes 48 kHz.
      {"tel8k.wav", {"--format", "OGG"}, "tel8k_(new).ogg", "vorbis", 8000, 1, nullptr},
      {"tel11k.wav", {"--format", "WebM"}, "tel11k_(new).webm", "vorbis", 11025, 1, nullptr},
      {"hi96k.wav", {"--format", "OGG"}, "hi96k_(new).ogg", "vorbis", 48000, 6, nullptr},
      {"hi96k.wav", {"--format", "WebM"}, "hi96k_(new).webm", "vorbis", 48000, 6, nullptr},
      // A chosen rate and channel count are kept; the bit rate fits them.
      {"tel11k.wav",
       {"--format", "OGG", "--sample-rate", "8000", "--channels", "stereo", "--ab", "320"},
       "tel11k_(new).ogg",
       "vorbis",
       8000,
       2,
       nullptr},
      // WMA v2: at most 48 kHz and two channels.
      {"hi96k.wav", {"--format", "WMA"}, "hi96k_(new).wma", "wmav2", 48000, 2, nullptr},
      {"hi96k.wav", {"--format", "WMV"}, "hi96k_(new).wmv", "wmav2", 48000, 2, nullptr},
      // PSP and the discs need a picture: a black one for the length of the sound.
      {"tel8k.wav", {"--format", "PSP"}, "tel8k_(new)_psp.mp4", "aac", 24000, 1, "mpeg4"},
      {"hi96k.wav", {"--format", "VCD"}, "hi96k_(new)_auto_vcd.mpg", "mp2", 44100, 2, "mpeg1video"},
      {"tel8k.wav", {"--format", "DVD"}, "tel8k_(new)_auto_dvd.mpg", "ac3", 48000, 1, "mpeg2video"},
      // PSP needs sound too: silence for the length of the picture.
      {"mute.mkv", {"--format", "PSP"}, "mute_(new)_psp.mp4", "aac", 24000, 2, "mpeg4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.source) + " with " + c.args[1] + (c.args.size() > 2 ? " and choices" : ""));
    std::vector<std::string> args{"-q", "--out", out_.Path().string()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.push_back(sources_->File(c.source));
    const CliResult result = RunCli(kCli, args);
    EXPECT_EQ(result.exit_code, 0) << result.err;
    if (result.exit_code != 0) continue;

    const std::string output = out_.File(c.output);
    const ReadFile file = ReadBack(output);
    const auto audio = file.Moving(AVMEDIA_TYPE_AUDIO);
    EXPECT_EQ(audio.size(), 1u);
    if (audio.empty()) continue;
    EXPECT_EQ(audio[0]->codec, c.audio_codec);
    EXPECT_EQ(audio[0]->sample_rate, c.sample_rate);
    EXPECT_EQ(audio[0]->channels, c.channels);
    const auto video = file.Moving(AVMEDIA_TYPE_VIDEO);
    EXPECT_EQ(video.size(), c.video_codec ? 1u : 0u);
    if (c.video_codec && !video.empty()) {
      EXPECT_EQ(video[0]->codec, c.video_codec);
    }
    EXPECT_NEAR(DecodedDuration(output, AVMEDIA_TYPE_AUDIO), kSourceSeconds, 0.1);
  }
}

}  // namespace
}  // namespace zentrova::test

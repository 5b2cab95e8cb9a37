#include "convert/audio_limits.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace zentrova::app {
namespace {

// The values after the format's rules, and what fitting makes of them.
struct LimitCase {
  const char* name;
  TOutputFormat format;
  const char* encoder;
  int source_rate, source_channels;
  std::string rate, channels;  ///< set before fitting (chosen or by the format); empty: the source's
  const char* kbps;            ///< the bit rate as typed
  std::string want_rate, want_channels;
  const char* want_kbps;
  const char* want_encoder;
  bool codec_chosen = false;
};

const LimitCase kLimitCases[] = {
    {"MP3 at 8 kHz in MP4 is doubled", TOutputFormat::MP4, "libmp3lame", 8000, 1, "", "", "128", "16000", "",
     "128", "libmp3lame"},
    {"MP3 at 11025 Hz in PSP", TOutputFormat::PSP, "libmp3lame", 11025, 2, "", "", "128", "22050", "", "128",
     "libmp3lame"},
    {"MP3 at 8 kHz in MOV stays", TOutputFormat::MOV, "libmp3lame", 8000, 1, "", "", "128", "", "", "128",
     "libmp3lame"},
    {"MP3 at 16 kHz in MP4 stays", TOutputFormat::MP4, "libmp3lame", 16000, 1, "", "", "128", "", "", "128",
     "libmp3lame"},
    {"a chosen low rate in MP4 takes AAC", TOutputFormat::MP4, "libmp3lame", 44100, 2, "8000", "", "128",
     "8000", "", "128", "aac"},
    {"a chosen low rate and chosen MP3", TOutputFormat::MP4, "libmp3lame", 44100, 2, "8000", "", "128",
     "8000", "", "128", "libmp3lame", true},
    {"AAC at 8 kHz in MP4 stays", TOutputFormat::MP4, "aac", 8000, 1, "", "", "128", "", "", "128", "aac"},
    {"Vorbis at 96 kHz", TOutputFormat::OGG, "libvorbis", 96000, 2, "", "", "128", "48000", "", "128",
     "libvorbis"},
    {"Vorbis mono 8 kHz is capped", TOutputFormat::WebM, "libvorbis", 8000, 1, "", "", "128", "", "", "32",
     "libvorbis"},
    {"Vorbis at a chosen rate and channels", TOutputFormat::OGG, "libvorbis", 96000, 6, "11025", "2", "320",
     "11025", "2", "80", "libvorbis"},
    {"Vorbis 5.1 at 48 kHz is not capped", TOutputFormat::OGG, "libvorbis", 48000, 6, "", "", "320", "", "",
     "320", "libvorbis"},
    {"Vorbis bit rate text passes", TOutputFormat::OGG, "libvorbis", 8000, 1, "", "", "abc", "", "", "abc",
     "libvorbis"},
    {"WMA 5.1 at 96 kHz", TOutputFormat::WMA, "wmav2", 96000, 6, "", "", "128", "48000", "2", "128", "wmav2"},
    {"WMA chosen mono stays", TOutputFormat::WMV, "wmav2", 44100, 6, "", "1", "128", "", "1", "128", "wmav2"},
    {"AC3 5.1 at 96 kHz is left to the encoder", TOutputFormat::AC3, "ac3", 96000, 6, "", "", "128", "", "",
     "128", "ac3"},
};

TEST(FitAudioLimits, KeepsTheAudioWithinWhatEncoderAndContainerTake) {
  for (const LimitCase& c : kLimitCases) {
    SourceFacts source;
    source.AudioStreamIndex = 0;
    source.SampleRate = c.source_rate;
    source.Channels = c.source_channels;
    TCollectedValues values;
    values.SampleRate = c.rate;
    values.Channels = c.channels;
    values.AudioBitRate = c.kbps;
    values.AudioCodecChosen = c.codec_chosen;
    EXPECT_EQ(FitAudioLimits(c.format, c.encoder, "aac", source, values), c.want_encoder) << c.name;
    EXPECT_EQ(values.SampleRate, c.want_rate) << c.name;
    EXPECT_EQ(values.Channels, c.want_channels) << c.name;
    EXPECT_EQ(values.AudioBitRate, std::optional<std::string>(c.want_kbps)) << c.name;
  }
}

TEST(FitAudioLimits, ASourceWithoutSoundOrUnknownFactsIsLeftAlone) {
  for (const bool has_audio : {false, true}) {
    SourceFacts source;
    source.AudioStreamIndex = has_audio ? 0 : -1;  // known stream, unknown rate and channels
    TCollectedValues values;
    values.AudioBitRate = "128";
    EXPECT_EQ(FitAudioLimits(TOutputFormat::OGG, "libvorbis", "aac", source, values), "libvorbis");
    EXPECT_EQ(values.SampleRate, "");
    EXPECT_EQ(values.Channels, "");
    EXPECT_EQ(values.AudioBitRate, std::optional<std::string>("128"));
  }
}

}  // namespace
}  // namespace zentrova::app

#include "convert/audio_limits.h"

#include <array>
#include <string>

#include "convert/number_text.h"

namespace zentrova::app {
namespace {

// The highest sample rate of the encoders that refuse more (the others
// pick the nearest rate they take themselves).
constexpr int kVorbisAndWmaMaxRate = 48000;
// The lowest MP3 rate the MP4-family containers carry.
constexpr int kMp4Mp3MinRate = 16000;

// The Vorbis encoder's highest bit rate a channel, kb/s, up to each rate
// (measured over mono, stereo and 5.1 with the library's setups).
struct TVorbisCap {
  int UpToRate;
  double KbpsPerChannel;
};
constexpr std::array<TVorbisCap, 6> kVorbisCaps{{
    {8000, 32},
    {11025, 40},
    {16000, 48},
    {24000, 64},
    {32000, 96},
    {kVorbisAndWmaMaxRate, 128},
}};

double VorbisMaxKbps(int rate, int channels) {
  for (const TVorbisCap& cap : kVorbisCaps)
    if (rate <= cap.UpToRate) return cap.KbpsPerChannel * channels;
  return kVorbisCaps.back().KbpsPerChannel * channels;
}

bool Mp4FamilyRefusesLowMp3(TOutputFormat format) {
  return format == TOutputFormat::MP4 || format == TOutputFormat::ThreeGP || format == TOutputFormat::iPod ||
         format == TOutputFormat::PSP;
}

// The output's value: the one set (chosen or by the format), else the source's.
int OutputValue(const std::string& set, int source_value) {
  if (set.empty()) return source_value;
  return ParseDecimalInteger(set).value_or(0);
}

}  // namespace

std::string FitAudioLimits(TOutputFormat format, std::string encoder, std::string_view aac_encoder,
                           const SourceFacts& source, TCollectedValues& values) {
  const bool mp3_rate_limited = encoder == "libmp3lame" && Mp4FamilyRefusesLowMp3(format);
  if (mp3_rate_limited && !values.AudioCodecChosen && !values.SampleRate.empty() &&
      OutputValue(values.SampleRate, 0) < kMp4Mp3MinRate)
    encoder = aac_encoder;
  if (!source.HasAudio() || encoder.empty()) return encoder;
  const bool vorbis = encoder == "libvorbis";
  const bool wma = encoder == "wmav2";

  int rate = OutputValue(values.SampleRate, source.SampleRate);
  if (values.SampleRate.empty() && rate > 0) {
    int fitted = rate;
    if ((vorbis || wma) && fitted > kVorbisAndWmaMaxRate) fitted = kVorbisAndWmaMaxRate;
    if (mp3_rate_limited)
      while (fitted < kMp4Mp3MinRate) fitted *= 2;
    if (fitted != rate) values.SampleRate = std::to_string(rate = fitted);
  }

  int channels = OutputValue(values.Channels, source.Channels);
  if (values.Channels.empty() && wma && channels > 2) values.Channels = std::to_string(channels = 2);

  if (vorbis && rate > 0 && channels > 0) CapNumberText(values.AudioBitRate, VorbisMaxKbps(rate, channels));
  return encoder;
}

}  // namespace zentrova::app

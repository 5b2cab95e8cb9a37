#include "convert/option_builder.h"

#include <fmt/format.h>

#include <array>
#include <utility>

#include "convert/audio_limits.h"
#include "convert/clip_times.h"
#include "convert/filter_escape.h"
#include "convert/format_rules.h"
#include "convert/number_text.h"
#include "convert/output_naming.h"
#include "convert/track_selection.h"
#include "convert/video_filter_chain.h"
#include "log/plain_text.h"

namespace zentrova::app {
namespace {

// An option string under construction: every option is appended after one blank.
class TOptionText {
 public:
  void Add(std::string_view option) {
    text_ += ' ';
    text_ += option;
  }
  std::string Take() && { return std::move(text_); }

 private:
  std::string text_;
};

// The text of a chosen item, or empty for the "Auto" item (index 0).
std::string ValueUnlessAuto(TChoice choice, int index) {
  if (ValidIndex(choice, index) == 0) return {};
  return std::string(ItemText(choice, index));
}

TCollectedValues Collect(const OutputSettings& settings) {
  TCollectedValues values;
  values.AudioBitRate = settings.AudioBitRate;
  values.VideoBitRate = settings.VideoBitRate;
  switch (static_cast<TAudioChannels>(
      ValidIndex(TChoice::AudioChannels, static_cast<int>(settings.AudioChannels)))) {
    case TAudioChannels::Mono:
      values.Channels = "1";
      break;
    case TAudioChannels::Stereo:
      values.Channels = "2";
      break;
    case TAudioChannels::Auto:
      break;
  }
  values.SampleRate = ValueUnlessAuto(TChoice::AudioSampleRate, settings.AudioSampleRate);
  // "320x240 - qvga" gives "320x240".
  values.FrameSize = ValueUnlessAuto(TChoice::FrameSize, settings.FrameSize);
  if (const auto blank = values.FrameSize.find(' '); blank != std::string::npos && blank > 0)
    values.FrameSize.resize(blank);
  values.FrameRate = ValueUnlessAuto(TChoice::FrameRate, settings.FrameRate);
  values.AudioCodec = LowerAscii(ValueUnlessAuto(TChoice::AudioCodec, static_cast<int>(settings.AudioCodec)));
  values.VideoCodec = LowerAscii(ValueUnlessAuto(TChoice::VideoCodec, static_cast<int>(settings.VideoCodec)));
  values.AudioCodecChosen = settings.AudioCodecChosen;
  values.VideoCodecChosen = settings.VideoCodecChosen;
  values.Extension = "." + LowerAscii(ItemText(settings.Format));
  return values;
}

TOutputFormat ChosenFormat(const OutputSettings& settings) {
  return static_cast<TOutputFormat>(ValidIndex(TChoice::OutputFormat, static_cast<int>(settings.Format)));
}

// The codec item texts that name an encoder differently.
std::string EncoderName(std::string codec) {
  if (codec == "mp3") return "libmp3lame";
  if (codec == "xvid") return "libxvid";
  if (codec == "x264") return "libx264";
  if (codec == "qsv") return "h264_qsv";
  return codec;
}

// The disc norm for the source. Without pictures the engine has no rate
// to guess the norm from, and any norm carries the sound: Auto gives PAL.
TNorm DiscNorm(TNorm chosen, const SourceFacts& source) {
  if (!source.HasVideo()) return chosen == TNorm::Auto ? TNorm::PAL : chosen;
  const double fps =
      source.FrameRateDen > 0 ? static_cast<double>(source.FrameRateNum) / source.FrameRateDen : 0;
  return TargetNorm(chosen, fps);
}

// A format that must hold a picture and sound gets what the source lacks
// for the length of what it has: a black picture at the format's size and
// rate, or silence. `audio_map` names the source's audio to go with a
// black picture.
std::string MissingStreamOptions(TOutputFormat format, const SourceFacts& source,
                                 const TCollectedValues& values, const std::string& audio_map) {
  if (!source.HasVideo() && source.HasAudio() && NeedsPicture(format)) {
    std::string picture = "color=c=black";
    if (!values.FrameSize.empty()) picture += ":s=" + values.FrameSize;
    if (!values.FrameRate.empty()) picture += ":r=" + values.FrameRate;
    return "-filter_complex " + picture + "[v] -map [v] -map " + audio_map + " -shortest";
  }
  if (source.HasVideo() && !source.HasAudio() && NeedsSound(format))
    return "-filter_complex anullsrc[a] -map 0:v:0 -map [a] -shortest";
  return {};
}

// The bitmap subtitle track laid over the source's first video stream,
// then `chain` (a watermark graph reads its picture from [in] and ends in
// [out]); the graph's output is [out].
std::string BitmapBurnGraph(int track, const std::string& chain) {
  const std::string overlay = fmt::format("[0:v:0][0:s:{}]overlay", track);
  if (chain.empty()) return overlay + "[out]";
  if (chain.find("[in]") != std::string::npos) return overlay + "[in]; " + chain;
  return overlay + "," + chain + "[out]";
}

// The volume edit counts 256 as unchanged. The volume filter takes the
// factor; a text that is no number goes to the filter as it is, which
// reports it.
std::string VolumeFilter(const std::string& volume_text) {
  if (const std::optional<int> volume = ParseDecimalInteger(volume_text))
    return "volume=" + DecimalText(*volume / 256.0);
  return QuoteForOptionSplitter("volume=" + EscapeFilterGraphText(EscapeFilterOptionValue(volume_text)));
}

// The video filters (burnt subtitles among them) and, where streams are
// mapped, the maps of the picture and the sound. A picture or sound made
// up for the format (`made_streams`) brings its own maps.
void AddPictureFiltersAndMaps(TOptionText& options, const OutputSettings& settings, const SourceFacts& source,
                              const std::string& frame_size, TOutputFormat format, const BuildEnv& env,
                              const TTrackSelection& tracks, bool made_streams) {
  const bool burn_text = tracks.BurnTrack && tracks.BurnCoding == TSubtitleCoding::scText;
  const bool burn_bitmap = tracks.BurnTrack && tracks.BurnCoding == TSubtitleCoding::scBitmap;
  const std::string subtitles_filter =
      burn_text ? TextSubtitleFilter(source, *tracks.BurnTrack,
                                     ClipApplies(settings, source) ? clip_start_offset(source) : 0)
                : std::string();
  // No chain without source pictures (a made black picture included).
  const std::string chain =
      source.HasVideo() ? BuildVideoFilterChain(settings, source, frame_size, FrameSizeMultiple(format),
                                                env.FileExists, subtitles_filter)
                        : std::string();
  if (burn_bitmap)
    options.Add("-filter_complex " + QuoteForOptionSplitter(BitmapBurnGraph(*tracks.BurnTrack, chain)));
  else if (!chain.empty())
    options.Add("-vf " + QuoteForOptionSplitter(chain));
  if (!tracks.Mapped || made_streams) return;
  if (burn_bitmap)
    options.Add("-map [out]");
  else if (source.HasVideo() && !InputDropsVideo(format))
    options.Add("-map 0:v:0");
  if (!tracks.AudioMap.empty()) options.Add("-map " + tracks.AudioMap);
}

}  // namespace

std::string choose_aac_encoder(const std::function<bool(std::string_view)>& has_encoder) {
  constexpr std::array<std::string_view, 4> kPreferred{"libfdk_aac", "libaacplus", "libfaac", "libvo_aacenc"};
  if (has_encoder)
    for (std::string_view name : kPreferred)
      if (has_encoder(name)) return std::string(name);
  return "aac";
}

TInputOptions BuildInputOptions(const OutputSettings& settings, const SourceFacts& source) {
  TInputOptions input;
  input.FileName = source.FileName;
  TOptionText options;
  if (!source.ForceFormat.empty()) options.Add("-f " + source.ForceFormat);
  if (ClipApplies(settings, source))
    options.Add("-ss " + DecimalText(static_cast<double>(clip_start_offset(source)) / 1000000));
  if (InputDropsVideo(ChosenFormat(settings))) options.Add("-vn");
  input.Options = std::move(options).Take();
  return input;
}

TOutputOptions BuildOutputOptions(const OutputSettings& settings, const SourceFacts& source,
                                  const BuildEnv& env) {
  const TOutputFormat format = ChosenFormat(settings);
  TCollectedValues values = Collect(settings);
  const std::string aac_encoder = choose_aac_encoder(env.HasEncoder);
  const std::string format_option =
      ApplyFormatRules(format, DiscNorm(settings.Norm, source), aac_encoder, values);
  const std::string audio_codec =
      FitAudioLimits(format, EncoderName(values.AudioCodec), aac_encoder, source, values);
  const TTrackSelection tracks = SelectTracks(settings, source, format);

  TOptionText options;
  if (values.AudioBitRate) options.Add("-b:a " + *values.AudioBitRate + "k");
  if (values.VideoBitRate) options.Add("-b:v " + *values.VideoBitRate + "k");
  if (settings.AudioVolume) options.Add("-af " + VolumeFilter(settings.AudioVolumeText));
  if (const std::string aspect = ValueUnlessAuto(TChoice::AspectRatio, settings.AspectRatio); !aspect.empty())
    options.Add("-aspect " + aspect);
  if (ClipApplies(settings, source))
    options.Add("-t " + DecimalText(static_cast<double>(clip_duration(source)) / 1000000));

  if (!format_option.empty()) options.Add(format_option);
  const std::string missing =
      MissingStreamOptions(format, source, values, tracks.AudioMap.empty() ? "0:a:0" : tracks.AudioMap);
  if (!missing.empty()) options.Add(missing);
  if (!values.Channels.empty()) options.Add("-ac " + values.Channels);
  if (!values.SampleRate.empty()) options.Add("-ar " + values.SampleRate);
  if (!values.FrameRate.empty()) options.Add("-r " + values.FrameRate);

  if (!audio_codec.empty()) options.Add("-c:a " + audio_codec);
  if (audio_codec == "aac") options.Add("-astrict experimental");

  std::string video_codec = EncoderName(values.VideoCodec);
  if (video_codec == "divx") {
    video_codec.clear();
    options.Add("-c:v mpeg4 -tag:v DIVX -vstrict unofficial");
    if (values.FrameRate.empty()) options.Add("-r 15000/1001");
  }
  if (!video_codec.empty()) options.Add("-c:v " + video_codec);
  // Pictures every player shows: 8-bit 4:2:0 (a QSV encoder takes its own 4:2:0 layout).
  const bool has_video = source.HasVideo() && !IsAudioOnlyFormat(format);
  if (has_video && video_codec != "h264_qsv") options.Add("-pix_fmt yuv420p");

  AddPictureFiltersAndMaps(options, settings, source, values.FrameSize, format, env, tracks,
                           !missing.empty());
  options.Add(tracks.SubtitleOptions);
  if (settings.AudioHook) {
    if (audio_codec == "libvo_aacenc")
      options.Add("-sample_fmt s16");
    else if (format == TOutputFormat::MP3 || audio_codec == "libmp3lame")
      options.Add("-sample_fmt s16p");
  }

  TOutputOptions output;
  output.Options = std::move(options).Take();
  output.FileName = ChooseOutputFileName(OutputBaseName(source.FileName, settings.OutPath),
                                         TargetExtension(format, settings.Norm, values.Extension),
                                         settings.Overwrite, env.FileExists, env.NameClaimed);
  output.AudioOutputHook = settings.AudioHook;
  output.VideoInputHook = settings.VideoInputHook;
  output.VideoOutputHook = settings.VideoOutputHook;
  return output;
}

}  // namespace zentrova::app

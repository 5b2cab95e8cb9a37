#include "convert/track_selection.h"

#include <fmt/format.h>

#include "convert/filter_escape.h"
#include "convert/format_rules.h"
#include "convert/language_codes.h"
#include "convert/library_names.h"
#include "convert/number_text.h"

namespace zentrova::app {
namespace {

// What a format's container holds besides one picture and one sound.
struct TTrackCarriage {
  bool SeveralAudio = false;
  std::string_view TextSubtitleCodec;  ///< the codec text subtitles get ("copy": as they are); empty: none
  bool BitmapSubtitles = false;        ///< bitmap subtitles are copied as they are
};

TTrackCarriage CarriageOf(TOutputFormat format) {
  switch (format) {
    case TOutputFormat::MKV:
      return {true, "copy", true};
    case TOutputFormat::MP4:
    case TOutputFormat::MOV:
      return {true, "mov_text", false};
    case TOutputFormat::WebM:
      return {true, "webvtt", false};
    case TOutputFormat::AVI:
    case TOutputFormat::DVD:
    case TOutputFormat::OGG:
    case TOutputFormat::WMV:
      return {true, "", false};
    default:
      return {};
  }
}

std::string FormatName(TOutputFormat format) {
  return std::string(ItemText(format));
}

// "1 (eng), 2 (fre), 3": the source's audio tracks as they can be named.
std::string AudioTrackList(const TSourceTracks& tracks) {
  std::string list;
  for (std::size_t i = 0; i < tracks.Audio.size(); ++i) {
    if (!list.empty()) list += ", ";
    list += std::to_string(i + 1);
    if (!tracks.Audio[i].Language.empty()) list += " (" + tracks.Audio[i].Language + ")";
  }
  return list.empty() ? "none" : list;
}

// The engine's own pick: the most channels, the first of equals.
std::size_t EnginesAudioTrack(const TSourceTracks& tracks) {
  std::size_t best = 0;
  for (std::size_t i = 1; i < tracks.Audio.size(); ++i)
    if (tracks.Audio[i].Channels > tracks.Audio[best].Channels) best = i;
  return best;
}

// The audio track `wanted` names (a number from 1 or a language), or an error.
std::optional<std::size_t> NamedAudioTrack(const std::string& wanted, const SourceFacts& source,
                                           std::string& error) {
  const auto& audio = source.Tracks.Audio;
  if (const std::optional<int> number = ParseDecimalInteger(wanted)) {
    if (*number >= 1 && static_cast<std::size_t>(*number) <= audio.size())
      return static_cast<std::size_t>(*number - 1);
    error = fmt::format("{}: there is no audio track {} (audio tracks: {})", source.FileName, wanted,
                        AudioTrackList(source.Tracks));
    return std::nullopt;
  }
  for (std::size_t i = 0; i < audio.size(); ++i)
    if (SameLanguage(audio[i].Language, wanted)) return i;
  error = fmt::format("{}: there is no audio track in language \"{}\" (audio tracks: {})", source.FileName,
                      wanted, AudioTrackList(source.Tracks));
  return std::nullopt;
}

void SelectAudio(const OutputSettings& settings, const SourceFacts& source, TOutputFormat format,
                 TTrackSelection& selection) {
  if (!settings.AudioTrack.empty()) {
    if (const auto track = NamedAudioTrack(settings.AudioTrack, source, selection.Error))
      selection.AudioMap = fmt::format("0:a:{}", *track);
    return;
  }
  if (source.Tracks.Audio.empty()) return;
  if (settings.AllAudio && source.Tracks.Audio.size() > 1) {
    if (CarriageOf(format).SeveralAudio) {
      selection.AudioMap = "0:a";
      return;
    }
    selection.Warnings.push_back(fmt::format("{}: {} holds one audio track: only the first is converted",
                                             source.FileName, FormatName(format)));
    selection.AudioMap = "0:a:0";
    return;
  }
  selection.AudioMap = fmt::format("0:a:{}", EnginesAudioTrack(source.Tracks));
}

void KeepSubtitles(const SourceFacts& source, TOutputFormat format, TTrackSelection& selection) {
  const TTrackCarriage carriage = CarriageOf(format);
  std::string options;
  int kept = 0;
  bool bitmap_dropped = false;
  for (std::size_t i = 0; i < source.Tracks.Subtitles.size(); ++i) {
    const TSubtitleTrack& track = source.Tracks.Subtitles[i];
    std::string_view codec;
    if (track.Coding == TSubtitleCoding::scText) {
      codec = carriage.TextSubtitleCodec;
      // MP4's text codec has no place in Matroska: it becomes SubRip there.
      if (codec == "copy" && track.Codec == "mov_text") codec = "subrip";
    }
    if (track.Coding == TSubtitleCoding::scBitmap) {
      if (carriage.BitmapSubtitles)
        codec = "copy";
      else
        bitmap_dropped = true;
    }
    if (codec.empty()) continue;
    options += fmt::format(" -map 0:s:{} -c:s:{} {}", i, kept++, codec);
  }
  if (kept == 0) {
    selection.SubtitleOptions = "-sn";
    if (!source.Tracks.Subtitles.empty() && !bitmap_dropped)
      selection.Warnings.push_back(
          fmt::format("{}: {} holds no subtitles: they are left out", source.FileName, FormatName(format)));
  } else {
    selection.SubtitleOptions = options.substr(1);
    selection.Mapped = true;
  }
  if (bitmap_dropped)
    selection.Warnings.push_back(fmt::format("{}: {} holds no bitmap subtitles: they are left out",
                                             source.FileName, FormatName(format)));
}

void BurnSubtitles(const SourceFacts& source, TOutputFormat format, TTrackSelection& selection) {
  selection.SubtitleOptions = "-sn";
  const auto& subtitles = source.Tracks.Subtitles;
  if (subtitles.empty() || !source.HasVideo() || IsAudioOnlyFormat(format)) {
    selection.Warnings.push_back(fmt::format("{}: no subtitles to draw into the picture", source.FileName));
    return;
  }
  if (subtitles.front().Coding == TSubtitleCoding::scOther) {
    selection.Warnings.push_back(
        fmt::format("{}: the first subtitle track cannot be drawn into the picture", source.FileName));
    return;
  }
  selection.BurnTrack = 0;
  selection.BurnCoding = subtitles.front().Coding;
  // Bitmap subtitles are laid over the picture in a graph of their own, whose output is mapped.
  if (selection.BurnCoding == TSubtitleCoding::scBitmap) selection.Mapped = true;
}

}  // namespace

TTrackSelection SelectTracks(const OutputSettings& settings, const SourceFacts& source,
                             TOutputFormat format) {
  TTrackSelection selection;
  switch (settings.Subtitles) {
    case TSubtitleMode::smNone:
      selection.SubtitleOptions = "-sn";
      break;
    case TSubtitleMode::smKeep:
      KeepSubtitles(source, format, selection);
      break;
    case TSubtitleMode::smBurn:
      BurnSubtitles(source, format, selection);
      break;
  }
  if (!settings.AudioTrack.empty() || settings.AllAudio) selection.Mapped = true;
  if (selection.Mapped) SelectAudio(settings, source, format, selection);
  return selection;
}

std::string TextSubtitleFilter(const SourceFacts& source, int track, std::int64_t clip_start_us) {
  const std::string draw =
      fmt::format("subtitles=filename={}:si={}",
                  EscapeFilterGraphText(EscapeFilterOptionValue(LocalFileUrl(source.FileName))), track);
  if (clip_start_us <= 0) return draw;
  const std::string shift = DecimalText(static_cast<double>(clip_start_us) / 1000000);
  return fmt::format("setpts=PTS+{0}/TB,{1},setpts=PTS-{0}/TB", shift, draw);
}

}  // namespace zentrova::app

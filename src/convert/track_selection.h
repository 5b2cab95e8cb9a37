// Which of the source's tracks go into the output: the audio track chosen
// by number or language, every audio track, and the subtitle tracks kept or
// burnt into the picture (OutputSettings' track fields).
//
// Without a track choice the engine picks the streams itself, as it always
// did. With one, every output stream is mapped: the first video stream, the
// audio track(s), the kept subtitle tracks; where no audio track is named,
// the one the engine would pick (the most channels, the first of equals).
//
// Pure functions of their arguments; any thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "convert/option_items.h"
#include "convert/output_settings.h"
#include "convert/source_facts.h"

namespace zentrova::app {

struct TTrackSelection {
  /// The task cannot be made: the named audio track does not exist. Says
  /// which tracks the source has.
  std::string Error;
  /// What was left out ("WebM holds no bitmap subtitles", ...), for the log.
  std::vector<std::string> Warnings;
  /// Streams are mapped explicitly (the options below apply).
  bool Mapped = false;
  /// The engine's stream specifier of the audio to map: "0:a:1", "0:a" for
  /// all; empty when the source has none.
  std::string AudioMap;
  /// "-map 0:s:0 -c:s:0 mov_text ..." for the kept tracks, or "-sn".
  std::string SubtitleOptions;
  /// The subtitle track drawn into the picture (its number among the
  /// source's subtitle tracks, from 0) and how it is coded.
  std::optional<int> BurnTrack;
  TSubtitleCoding BurnCoding = TSubtitleCoding::scText;
};

TTrackSelection SelectTracks(const OutputSettings& settings, const SourceFacts& source, TOutputFormat format);

/// The filter that draws text subtitle track `track` of `source` into the
/// picture: "subtitles=filename=...:si=N", escaped for a -vf chain (see
/// filter_escape.h). A clip that starts at `clip_start_us` shifts the
/// pictures' times to the source's around it, so the cues stay in place.
std::string TextSubtitleFilter(const SourceFacts& source, int track, std::int64_t clip_start_us);

}  // namespace zentrova::app

// What the option-string builders know about the probed source.
//
// Filled by the options dialog's source state (source_state.h) from the
// decoder; a plain value with no thread affinity. Times are microseconds.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace zentrova::app {

/// The media library's "no time" value.
inline constexpr std::int64_t kNoTimeValue = std::numeric_limits<std::int64_t>::min();
/// A clip start or first-picture time that was never set.
inline constexpr std::int64_t kTimeNotSet = std::numeric_limits<std::int64_t>::max();

/// How a subtitle track is coded: text can be converted to another text
/// codec or drawn by the subtitles filter, pictures only copied or overlaid;
/// a track of neither kind is left out.
enum class TSubtitleCoding { scText, scBitmap, scOther };

struct TAudioTrack {
  std::string Language;  ///< the "language" tag; empty: none
  int Channels = 0;      ///< not positive: unknown
};
struct TSubtitleTrack {
  TSubtitleCoding Coding = TSubtitleCoding::scOther;
  std::string Codec;  ///< the codec's short name ("subrip", "mov_text", "dvd_subtitle")
};
/// The source's audio and subtitle tracks, each kind in file order: the
/// first is track 1 of its kind ("0:a:0" in the engine's stream specifiers).
struct TSourceTracks {
  std::vector<TAudioTrack> Audio;
  std::vector<TSubtitleTrack> Subtitles;
};

struct SourceFacts {
  std::string FileName;       ///< the decoder's file name
  std::string ForceFormat;    ///< input format forced when the file was opened; empty: probed
  int VideoStreamIndex = -1;  ///< first video stream; negative when the source has none
  int Width = 0;              ///< of the first video stream
  int Height = 0;
  int SarNum = 0;  ///< sample aspect ratio of the first video stream; not positive: unknown
  int SarDen = 1;
  int FrameRateNum = 0;  ///< average frame rate of the first video stream; not positive: unknown
  int FrameRateDen = 1;
  bool Interlaced = false;               ///< its field order or its first decoded pictures say interlaced
  int AudioStreamIndex = -1;             ///< first audio stream; negative when the source has none
  int SampleRate = 0;                    ///< of the first audio stream, Hz; not positive: unknown
  int Channels = 0;                      ///< of the first audio stream; not positive: unknown
  std::int64_t StartTime = kTimeNotSet;  ///< clip start mark
  std::int64_t EndTime = kNoTimeValue;   ///< clip end mark
  std::int64_t FirstPTS = kTimeNotSet;   ///< time of the first picture shown for the source
  TSourceTracks Tracks;

  bool HasVideo() const { return VideoStreamIndex >= 0; }
  bool HasAudio() const { return AudioStreamIndex >= 0; }
};

}  // namespace zentrova::app

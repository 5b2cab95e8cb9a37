// The decoder component's information records: the file, and each audio,
// video and subtitle stream. Plain value records, filled by `TCustomDecoder`
// queries; a cleared record carries the "no value" numbers documented per
// field.
#pragma once

#include <cstdint>
#include <string>

#include "media/av_types.h"

namespace zentrova {

/// The library's "no time stamp" value (-2^63).
inline constexpr std::int64_t kNoTimeStamp = AV_NOPTS_VALUE;

/// The file as a whole. Times are microseconds.
struct TFileStreamInfo {
  std::int64_t StartTime = kNoTimeStamp;
  std::int64_t Duration = -1;  ///< -1 when the file has none
  std::int32_t BitRate = -1;   ///< bits per second
  std::int32_t Year = -1;      ///< the "year" tag as a number (0 when not a number)
  std::int32_t Track = -1;     ///< the "track" tag as a number (0 when not a number)
  std::string Title, Author, Copyright, Comment, Album, Genre;
};

/// What audio and video stream records share. The plain times are in the
/// stream's time base, the scaled ones in microseconds; -1 when cleared.
struct TTimedStreamInfo {
  std::string Language;
  std::string CodecName;
  std::int64_t StartTime = -1;
  std::int64_t StartTimeScaled = -1;
  std::int64_t Duration = -1;
  std::int64_t DurationScaled = -1;
  std::int32_t BitRate = -1;
};

/// One audio stream; -1 everywhere when cleared.
struct TAudioStreamInfo : TTimedStreamInfo {
  std::int32_t Channels = -1;
  std::int32_t SampleRate = -1;
  AVSampleFormat SampleFormat = AV_SAMPLE_FMT_NONE;
};

/// One video stream; cleared: numbers -1, aspect quotients -1.0, SAR and
/// DAR 0/1, FrameRate 0/1.
struct TVideoStreamInfo : TTimedStreamInfo {
  std::int32_t Height = -1;
  std::int32_t Width = -1;
  float SampleAspectRatio = -1.0f;
  float DisplayAspectRatio = -1.0f;
  AVRational SAR{0, 1};
  AVRational DAR{0, 1};
  AVPixelFormat PixFmt = AV_PIX_FMT_NONE;
  AVRational FrameRate{0, 1};
};

/// One subtitle stream.
struct TSubtitleStreamInfo {
  std::string Language;
  std::string CodecName;
  std::int32_t SubFormat = -1;  ///< 0 bitmap subtitles, 1 text subtitles, -1 neither
};

}  // namespace zentrova

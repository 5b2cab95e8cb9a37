// Records of the decoder's audio output.
#pragma once

#include <cstdint>

#include "decoder/stream_info.h"
#include "media/av_deleters.h"

namespace zentrova {

/// The PCM of the last decoded audio packet, in the desired output format.
/// `Buffer` is owned by the decoder and valid until the next decode, seek,
/// change of the desired format, or close.
struct TWaveInfo {
  std::int32_t Channels = 0;  ///< desired output channels
  std::int32_t SampleRate = 0;
  AVSampleFormat SampleFormat = AV_SAMPLE_FMT_S16;
  std::int32_t BytesPerSample = 0;
  std::int32_t BytesPerSecond = 0;
  std::int64_t PTS = kNoTimeStamp;          ///< microseconds from the stream's start
  std::int64_t OriginalDTS = kNoTimeStamp;  ///< stream time base
  std::int64_t OriginalPTS = kNoTimeStamp;  ///< stream time base
  std::int32_t StreamIndex = -1;
  bool Ready = false;
  const std::uint8_t* Buffer = nullptr;
  std::int32_t Size = 0;                 ///< bytes in Buffer
  std::int64_t Duration = kNoTimeStamp;  ///< microseconds of audio in Buffer
};

/// The source format the resampler was made for; -1 / empty layout when none.
struct TAudioParam {
  std::int32_t freq = -1;
  std::int32_t channels = -1;
  AVChannelLayout channel_layout{};  ///< owned; uninitialised with av_channel_layout_uninit
  AVSampleFormat fmt = AV_SAMPLE_FMT_NONE;
  SwrContextPtr swr_ctx;
  std::int32_t st_idx = -1;
};

}  // namespace zentrova

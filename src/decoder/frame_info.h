// Records and flags of the decoder's video decoding: the current picture,
// what `Decode(TDecodeType)` delivered, and seek flags.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "decoder/stream_info.h"
#include "media/av_types.h"
#include "picture/av_picture.h"

namespace zentrova {

/// The current picture of a decoder. Owned by the decoder; valid until the
/// next decode, seek or close.
struct TFrameInfo {
  AVPixelFormat PixFmt = AV_PIX_FMT_NONE;
  std::int32_t Width = -1;
  std::int32_t Height = -1;
  bool IsKeyFrame = false;
  bool IsInterlaced = false;
  bool IsTopFieldFirst = false;
  AVPictureType PictureType = AV_PICTURE_TYPE_NONE;
  std::int64_t PTS = kNoTimeStamp;          ///< microseconds from the stream's start
  std::int64_t OriginalDTS = kNoTimeStamp;  ///< stream time base
  std::int64_t OriginalPTS = kNoTimeStamp;  ///< stream time base
  std::int32_t StreamIndex = -1;
  std::int64_t Position = -1;  ///< byte position of the picture's packet; -1 unknown
  bool Ready = false;
  TAVPicture Picture;              ///< planes over Buffer
  std::uint8_t* Buffer = nullptr;  ///< the picture's bytes (owned by the decoder)
  std::int32_t Size = 0;           ///< bytes in Buffer
  const AVFrame* Frame = nullptr;  ///< the library frame the picture came from
};

enum class TDecodeType { dtBoth, dtVideo, dtAudio };
enum class TDecodeResult { drVideo, drAudio, drError };

/// Seek flags; the values are the library's seek flag bits.
enum class TSeekFlag : int {
  sfBackward = AVSEEK_FLAG_BACKWARD,
  sfByte = AVSEEK_FLAG_BYTE,
  sfAny = AVSEEK_FLAG_ANY,
  sfFrame = AVSEEK_FLAG_FRAME,
};

/// A set of seek flags: `Seek(t, {})`, `Seek(0, {TSeekFlag::sfByte})`.
class TSeekFlags {
 public:
  constexpr TSeekFlags() = default;
  constexpr TSeekFlags(std::initializer_list<TSeekFlag> flags) {
    for (TSeekFlag flag : flags) bits_ |= static_cast<int>(flag);
  }
  constexpr bool Contains(TSeekFlag flag) const { return (bits_ & static_cast<int>(flag)) != 0; }
  /// The library's seek flag bits.
  constexpr int Bits() const { return bits_; }

 private:
  int bits_ = 0;
};

}  // namespace zentrova

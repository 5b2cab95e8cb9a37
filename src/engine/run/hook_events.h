// The events a running conversion raises, and the post-hook set.
//
// Every event runs on the run's thread (see ffmpeg_task.h) and receives the
// engine task as its sender. Handlers are assigned by the owner before the
// run starts; pictures and bitmaps handed to them are valid for the call
// only.
#pragma once

#include <cstdint>
#include <functional>

#include "media/ff.h"
#include "picture/av_picture.h"
#include "picture/bitmap.h"

namespace zentrova {

class TFFmpegTask;

/// An audio frame: pts (µs), the frame (samples changeable in place), bytes
/// of samples (channels × samples × bytes per sample), rate, channels, format.
using TFFAudioHookEvent =
    std::function<void(TFFmpegTask* sender, std::int64_t pts_us, AVFrame* frame, int size, int sample_rate,
                       int channels, AVSampleFormat sample_format)>;

/// A picture as a bitmap the handler may draw on: frame number, pts (µs),
/// `update` (in: true; false keeps the picture as it was), `stop_hook` (in:
/// false; true: no more calls of this hook in this run).
using TFFVideoHookEvent = std::function<void(TFFmpegTask* sender, TBitmap& bitmap, int frame_number,
                                             std::int64_t pts_us, bool& update, bool& stop_hook)>;

/// A picture as raw planes: picture, pixel format, frame number, width,
/// height, pts (µs).
using TFFFrameHookEvent = std::function<void(TFFmpegTask* sender, TAVPicture& picture, AVPixelFormat pix_fmt,
                                             int frame_number, int width, int height, std::int64_t pts_us)>;

/// A preview picture handed out as a bitmap: bitmap, frame number, pts (µs).
using TFFPreviewBitmapEvent =
    std::function<void(TFFmpegTask* sender, const TBitmap& bitmap, int frame_number, std::int64_t pts_us)>;

/// The state of the run: file index (-1 on the last report), frame number,
/// frames per second, quality, bit rate (kbit/s), bytes written so far,
/// duration written so far (µs), duration the output is expected to have (µs).
using TFFProgressEvent = std::function<void(TFFmpegTask* sender, int file_index, int frame_number, int fps,
                                            float quality, float bit_rate, std::int64_t current_size,
                                            std::int64_t current_duration, std::int64_t total_duration)>;

/// An event with the sender only (termination, destruction).
using TNotifyEvent = std::function<void(TFFmpegTask* sender)>;

/// What is done with the pictures about to be encoded, besides encoding.
enum class TPostHook : unsigned {
  phPreview = 1,  ///< paint them in the preview window
  phBitmap = 2,   ///< hand them out through OnPreviewBitmap (wins over phPreview)
  phHBITMAP = 4,  ///< no effect in the engine
};

/// A set of post hooks (bit values of TPostHook).
class TPostHooks {
 public:
  constexpr TPostHooks() = default;
  constexpr explicit TPostHooks(unsigned bits) : bits_(bits & 7u) {}
  constexpr TPostHooks(TPostHook hook) : bits_(static_cast<unsigned>(hook)) {}  // NOLINT: a one-hook set

  constexpr bool Has(TPostHook hook) const { return (bits_ & static_cast<unsigned>(hook)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr unsigned Bits() const { return bits_; }
  constexpr TPostHooks With(TPostHook hook) const { return TPostHooks(bits_ | static_cast<unsigned>(hook)); }
  constexpr TPostHooks Without(TPostHook hook) const {
    return TPostHooks(bits_ & ~static_cast<unsigned>(hook));
  }
  friend constexpr bool operator==(TPostHooks, TPostHooks) = default;

 private:
  unsigned bits_ = 0;
};

}  // namespace zentrova

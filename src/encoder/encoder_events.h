// The records and event types the encoder component raises (see
// custom_encoder.h for when and on which thread).
//
// The records belong to the component; a handler receives a reference that
// is valid only during the call and must copy what it keeps. Bitmaps and
// pictures are the engine's and valid for the call only.
#pragma once

#include <cstdint>
#include <functional>

#include "encoder/progress_info.h"
#include "encoder/terminate_info.h"
#include "picture/av_picture.h"
#include "media/av_types.h"
#include "picture/bitmap.h"

namespace zentrova {

class TCustomEncoder;
class TFFmpeg;

/// A video hook picture as a bitmap.
struct THookInfo {
  std::int32_t TaskIndex = -1;
  /// The picture as a bitmap the handler may draw on.
  TBitmap* Bitmap = nullptr;
  /// Number of the picture in its stream, from 1.
  std::int32_t FrameNumber = 0;
  /// Time stamp in microseconds.
  std::int64_t PTS = 0;
  /// In/out: the handler changed the bitmap and the picture is to take the
  /// drawing (in: true).
  bool Update = true;
  /// In/out: deliver no more pictures of this hook in this task (in: false).
  bool StopHook = false;
};

/// A frame hook picture as raw planes the handler may change in place.
struct TFrameHookInfo {
  std::int32_t TaskIndex = -1;
  std::int32_t FrameNumber = 0;
  TAVPicture* Picture = nullptr;
  AVPixelFormat PixFmt = AV_PIX_FMT_NONE;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::int64_t PTS = 0;  ///< microseconds
};

/// A preview picture.
struct TPreviewInfo {
  std::int32_t TaskIndex = -1;
  const TBitmap* Bitmap = nullptr;
  std::int32_t FrameNumber = 0;
  std::int64_t PTS = 0;  ///< microseconds
};

/// Audio hook: task index, pts (µs), the frame (samples changeable in
/// place), bytes of samples, sample rate, channels, sample format.
using TEncAudioHookEvent =
    std::function<void(TCustomEncoder* sender, int task_index, std::int64_t pts_us, AVFrame* frame, int size,
                       int sample_rate, int channels, AVSampleFormat sample_format)>;
using TEncVideoHookEvent = std::function<void(TCustomEncoder* sender, THookInfo& info)>;
using TEncFrameHookEvent = std::function<void(TCustomEncoder* sender, TFrameHookInfo& info)>;
using TEncPreviewBitmapEvent = std::function<void(TCustomEncoder* sender, const TPreviewInfo& info)>;
using TEncProgressEvent = std::function<void(TCustomEncoder* sender, TProgressInfo& info)>;
using TTerminateEvent = std::function<void(TCustomEncoder* sender, const TTerminateInfo& info)>;
/// Raised on the task's own thread when the task is about to run and the
/// name of its output (as given to `SetOutput`) is being written by another
/// running conversion, in this process or another. Returns the next name to
/// claim in the same form, or an empty text to fail the task with the
/// message that the name is in use. Raised again while the name returned is
/// held too.
using TOutputNameHeldEvent =
    std::function<std::string(TCustomEncoder* sender, int task_index, const std::string& held_name)>;
/// Raised while an input of a task is being opened, after the file is open
/// and before its streams are probed; the sender is the task's engine. The
/// handler may set options on the format context.
using TEncBeforeFindStreamInfoEvent = std::function<void(TFFmpeg* sender, AVFormatContext* format_context)>;

}  // namespace zentrova

// What the options dialog's preview needs of the probed source: stepping,
// seeking and copying pictures.
//
// The main window's decoder provides it (decoder_source.h); tests give
// their own pictures. Used on the GUI thread only; the source belongs to the
// main window, which keeps it alive as long as the dialog.
#pragma once

#include <cstdint>

#include "picture/bitmap.h"

namespace zentrova::ui {

/// How a seek may land: the key frame at or after the time, at or before
/// it, or on any frame.
enum class TPreviewSeek { Plain, Backward, Any };

class IFrameSource {
 public:
  virtual ~IFrameSource() = default;
  /// Decodes the next picture of the first video stream.
  virtual bool DecodeNext() = 0;
  /// Decodes the picture before the current one.
  virtual bool DecodePrevious() = 0;
  /// Seeks to `pts` microseconds; the next decode gives a picture near it.
  virtual bool Seek(std::int64_t pts, TPreviewSeek mode) = 0;
  /// Time of the current picture, microseconds.
  virtual std::int64_t CurrentPTS() const = 0;
  /// Copies the current picture into `bitmap` (resizing it).
  virtual bool CopyToBitmap(TBitmap& bitmap) = 0;
};

}  // namespace zentrova::ui

#include "app/ui/decoder_source.h"

namespace zentrova::ui {

bool TDecoderFrameSource::DecodeNext() {
  return decoder_.Decode(-1);
}

bool TDecoderFrameSource::DecodePrevious() {
  return decoder_.DecodePreviousFrame(-1);
}

bool TDecoderFrameSource::Seek(std::int64_t pts, TPreviewSeek mode) {
  switch (mode) {
    case TPreviewSeek::Plain:
      return decoder_.Seek(pts, {});
    case TPreviewSeek::Backward:
      return decoder_.Seek(pts, {TSeekFlag::sfBackward});
    case TPreviewSeek::Any:
      return decoder_.Seek(pts, {TSeekFlag::sfAny});
  }
  return false;
}

std::int64_t TDecoderFrameSource::CurrentPTS() const {
  return decoder_.FrameInfo().PTS;
}

bool TDecoderFrameSource::CopyToBitmap(TBitmap& bitmap) {
  return decoder_.CopyToBitmap(bitmap);
}

}  // namespace zentrova::ui

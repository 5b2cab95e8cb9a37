// The main window's decoder as the options dialog's preview sees it: the
// pictures of its file (what it probed is `app::ProbeOfDecoder`).
//
// GUI thread only, like the decoder. The decoder is the caller's and must
// outlive the frame source.
#pragma once

#include "app/ui/frame_source.h"
#include "decoder/ridarivir.h"

namespace zentrova::ui {

/// The first video stream's pictures of the decoder's file.
class TDecoderFrameSource : public IFrameSource {
 public:
  explicit TDecoderFrameSource(TRIDarivir& decoder) : decoder_(decoder) {}

  bool DecodeNext() override;
  bool DecodePrevious() override;
  bool Seek(std::int64_t pts, TPreviewSeek mode) override;
  std::int64_t CurrentPTS() const override;
  bool CopyToBitmap(TBitmap& bitmap) override;

 private:
  TRIDarivir& decoder_;
};

}  // namespace zentrova::ui

// The main window's decoder as the options dialog sees it: what it probed
// (`ProbeSource`) and its pictures (`TDecoderFrameSource`).
//
// GUI thread only, like the decoder. The decoder is the caller's and must
// outlive the frame source.
#pragma once

#include "app/options/source_state.h"
#include "app/ui/frame_source.h"
#include "decoder/ridarivir.h"

namespace zentrova::ui {

/// What the dialog takes over from a decoder with a file loaded.
app::TSourceProbe ProbeSource(TRIDarivir& decoder);

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

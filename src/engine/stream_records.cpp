// Destructors of the stream records: the library objects they hold without
// a smart pointer of their own.
#include "engine/input_stream.h"
#include "engine/output_stream.h"

namespace zentrova {

TInputStream::~TInputStream() {
  // Only what was filled needs the library (a record that never got one
  // must not depend on the library still being bound).
  if (prev_sub.subtitle.rects || prev_sub.subtitle.num_rects) ff::avsubtitle_free(&prev_sub.subtitle);
  if (resample_ch_layout.order == AV_CHANNEL_ORDER_CUSTOM) ff::av_channel_layout_uninit(&resample_ch_layout);
}

TOutputStream::~TOutputStream() {
  if (forced_keyframes_pexpr) ff::av_expr_free(forced_keyframes_pexpr);
  if (parser) ff::av_parser_close(parser);
}

}  // namespace zentrova

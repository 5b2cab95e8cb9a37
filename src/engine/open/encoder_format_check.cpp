// Refusing an encoder whose codec the output format cannot store, when the
// stream is created: the user learns it before the run, not from the
// muxer's header failure.
#include <fmt/format.h>

#include "engine/open/new_output_streams.h"

namespace zentrova {

void CheckEncoderFitsFormat(TCustomFFmpegOpt& engine, AVFormatContext* oc, const TOutputStream& ost) {
  if (ost.stream_copy || !ost.enc) return;
  // 0 is a refusal; a negative answer means the format cannot tell (raw
  // and MPEG-PS muxers), and its muxer decides.
  if (ff::avformat_query_codec(oc->oformat, ost.enc->id, FF_COMPLIANCE_NORMAL) != 0) return;
  const AVCodecDescriptor* descriptor = ff::avcodec_descriptor_get(ost.enc->id);
  engine.RaiseErrorFmt(
      "Output format {} cannot store {} (encoder {}) in stream #{}:{}; choose a codec the format supports.",
      oc->oformat->name, descriptor ? descriptor->name : "this codec", ost.enc->name, ost.file_index,
      ost.index);
}

}  // namespace zentrova

#include "engine/transcode/qsv_transcode.h"

namespace zentrova {

TQsvTranscode DecideQsvTranscode(const TQsvCandidate& c) {
  if (c.requested != THWAccelID::HWACCEL_QSV) return TQsvTranscode::NotRequested;
  if (!c.runtime_loaded) return TQsvTranscode::RuntimeMissing;
  if (!c.encoder_takes_qsv || c.filter_description != "null" || !c.has_source || c.source_feeds_graph ||
      !c.decoder_gives_qsv || c.source_shared)
    return TQsvTranscode::NotOneToOne;
  return TQsvTranscode::Possible;
}

bool CodecListsPixelFormat(const AVCodec* codec, AVPixelFormat format) {
  if (!codec) return false;
  if (codec->pix_fmts) {
    for (const AVPixelFormat* p = codec->pix_fmts; *p != AV_PIX_FMT_NONE; ++p)
      if (*p == format) return true;
  }
  for (int i = 0;; ++i) {
    const AVCodecHWConfig* config = ff::avcodec_get_hw_config(codec, i);
    if (!config) return false;
    if (config->pix_fmt == format) return true;
  }
}

}  // namespace zentrova

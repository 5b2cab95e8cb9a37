#include "engine/transcode/qsv_transcode.h"

#include <fmt/format.h>

#include "engine/ffmpeg_exception.h"
#include "options/stream_options.h"

namespace zentrova {

TQsvTranscode DecideQsvTranscode(const TQsvCandidate& c) {
  if (c.requested != THWAccelID::HWACCEL_QSV) return TQsvTranscode::NotRequested;
  if (!c.runtime_loaded) return TQsvTranscode::RuntimeMissing;
  if (!c.encoder_takes_qsv || c.filter_description != "null" || c.graph_converts || !c.has_source ||
      c.source_feeds_graph || !c.decoder_gives_qsv || c.source_shared)
    return TQsvTranscode::NotOneToOne;
  return TQsvTranscode::Possible;
}

TQsvCandidate QsvCandidateOf(const TOutputStream& ost, const TInputStream& ist,
                             const std::vector<std::unique_ptr<TOutputStream>>& outputs, bool deinterlace) {
  TQsvCandidate c;
  c.requested = ist.hwaccel_id;
  c.runtime_loaded = ff::MFXInit != nullptr;
  c.encoder_takes_qsv = CodecListsPixelFormat(ost.enc, AV_PIX_FMT_QSV);
  if (ost.avfilter) c.filter_description = *ost.avfilter;
  const AVCodecContext* enc = ost.enc_ctx.get();
  c.graph_converts = deinterlace || (enc && (enc->width || enc->height)) ||
                     (enc && enc->pix_fmt != AV_PIX_FMT_NONE && enc->pix_fmt != AV_PIX_FMT_QSV) ||
                     (ist.autorotate && ist.st && stream_rotation(ist.st) != 0);
  c.has_source = ost.source_index >= 0;
  c.source_feeds_graph = !ist.filters.empty();
  c.decoder_gives_qsv = CodecListsPixelFormat(ist.avdec, AV_PIX_FMT_QSV);
  for (const std::unique_ptr<TOutputStream>& other : outputs)
    if (other.get() != &ost && other->source_index == ost.source_index) c.source_shared = true;
  return c;
}

bool TakeFramesPool(TInputStream& ist, const AVFrame& frame) {
  if (!frame.hw_frames_ctx || (ist.hw_frames_ctx && ist.hw_frames_ctx->data == frame.hw_frames_ctx->data))
    return false;
  ist.hw_frames_ctx.reset(ff::av_buffer_ref(frame.hw_frames_ctx));
  if (!ist.hw_frames_ctx)
    throw FFmpegException(fmt::format("av_buffer_ref() failed for the frames pool of input stream #{}:{}",
                                      ist.file_index, ist.st ? ist.st->index : -1));
  return true;
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

// copy_packet: a packet of a copied stream, re-timed for its output.
#include <algorithm>

#include "engine/custom_ffmpeg.h"
#include "engine/transcode/mux_timestamps.h"
#include "media/time_base.h"

namespace zentrova {
namespace {

// Keeps the end of the latest copied packet: its pts plus its duration, or
// plus one picture of the input's frame rate where the container gave none.
void NoteCopyEnd(const TInputStream& ist, TOutputStream& ost, const AVPacket& out) {
  if (out.pts == AV_NOPTS_VALUE) return;
  std::int64_t duration = out.duration;
  if (duration <= 0 && ist.st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
    const AVRational rate = ist.st->avg_frame_rate.num > 0 ? ist.st->avg_frame_rate : ist.st->r_frame_rate;
    if (rate.num > 0 && rate.den > 0) duration = ff::av_rescale_q(1, av_inv_q(rate), ost.st->time_base);
  }
  const std::int64_t end = out.pts + std::max<std::int64_t>(duration, 0);
  if (ost.copy_end_pts == AV_NOPTS_VALUE || end > ost.copy_end_pts) ost.copy_end_pts = end;
}

}  // namespace

void TCustomFFmpeg::copy_packet(TInputStream& ist, TOutputStream& ost, const AVPacket* pkt) {
  const TOutputFile& of = *Foutput_files[static_cast<std::size_t>(ost.file_index)];
  const TInputFile& f = *Finput_files[static_cast<std::size_t>(ist.file_index)];
  const AVRational ist_tb = ist.st->time_base;
  const AVRational ost_tb = ost.st->time_base;
  const std::int64_t start = of.start_time == AV_NOPTS_VALUE ? 0 : of.start_time;
  const std::int64_t start_tb = ff::av_rescale_q(start, kMicroseconds, ost_tb);

  // Nothing is written before the first key frame, nor before the output's
  // start unless asked (-copypriorss). A joined input after the first keeps
  // nothing from before its own start: it would lie over the previous one.
  if (!ost.copy_started && !ost.copy_initial_nonkeyframes && !(pkt->flags & AV_PKT_FLAG_KEY)) return;
  const bool prior_kept =
      ost.copy_prior_start > 0 || (ost.copy_prior_start < 0 && !(FJoinMode && ist.file_index > 0));
  if (!ost.copy_started && !prior_kept) {
    std::int64_t comp_start = std::max(start, f.join_offset);
    if (Fcopy_ts && f.ctx->start_time != AV_NOPTS_VALUE)
      comp_start = std::max(start, f.ctx->start_time + f.ts_offset);
    if (pkt->pts == AV_NOPTS_VALUE ? ist.pts < comp_start
                                   : pkt->pts < ff::av_rescale_q(comp_start, kMicroseconds, ist_tb))
      return;
  }
  if (of.recording_time != INT64_MAX && ist.pts >= of.recording_time + start) {
    end_stream_encoding(ost);
    return;
  }
  if (f.recording_time != INT64_MAX) {
    std::int64_t input_start = f.ctx->start_time == AV_NOPTS_VALUE ? 0 : f.ctx->start_time;
    if (Fcopy_ts && f.start_time != AV_NOPTS_VALUE) input_start += f.start_time;
    if (ist.pts >= f.recording_time + input_start) {
      end_stream_encoding(ost);
      return;
    }
  }

  if (ost.st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) ost.sync_opts++;

  AVPacketPtr out = MakePacket();
  if (ff::av_packet_ref(out.get(), pkt) < 0) RaiseError("av_buffer_create() failed");
  out->pts =
      pkt->pts != AV_NOPTS_VALUE ? ff::av_rescale_q(pkt->pts, ist_tb, ost_tb) - start_tb : AV_NOPTS_VALUE;
  out->dts = (pkt->dts == AV_NOPTS_VALUE ? ff::av_rescale_q(ist.dts, kMicroseconds, ost_tb)
                                         : ff::av_rescale_q(pkt->dts, ist_tb, ost_tb)) -
             start_tb;
  const AVCodecParameters* par = ist.st->codecpar;
  if (par->codec_type == AVMEDIA_TYPE_AUDIO && pkt->dts != AV_NOPTS_VALUE && par->sample_rate > 0) {
    // Sample-exact times for audio, whatever the containers' clocks.
    int duration = ff::av_get_audio_frame_duration2(ist.st->codecpar, pkt->size);
    if (!duration) duration = par->frame_size;
    const AVRational sample_tb{1, par->sample_rate};
    out->dts = out->pts = ff::av_rescale_delta(ist_tb, pkt->dts, sample_tb, duration,
                                               &ist.filter_in_rescale_delta_last, ost_tb) -
                          start_tb;
  }
  out->duration = ff::av_rescale_q(pkt->duration, ist_tb, ost_tb);
  KeepDtsIncreasing(out->pts, out->dts, ost.last_dts);
  NoteCopyEnd(ist, ost, *out);
  ost.copy_started = 1;
  mux_packet(Foutput_files[static_cast<std::size_t>(ost.file_index)]->ctx.get(), out.get(), ost);
}

}  // namespace zentrova

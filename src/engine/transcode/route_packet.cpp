// route_packet: one input packet (or the end of a stream) to its decoder and
// to every output stream that copies it, keeping the stream's clocks.
#include <fmt/format.h>

#include "engine/custom_ffmpeg.h"
#include "log/logger.h"
#include "media/time_base.h"

namespace zentrova {
namespace {

// The duration of one video frame from the decoder's frame rate, in µs
// (0 when unknown); a parser's repeat count stretches it.
std::int64_t DecoderFrameDuration(const TInputStream& ist) {
  const AVCodecContext* dec = ist.dec_ctx.get();
  if (!dec || dec->framerate.num == 0 || dec->framerate.den == 0) return 0;
  const AVCodecParserContext* parser = ff::av_stream_get_parser(ist.st);
  const int ticks_per_frame = dec->ticks_per_frame > 0 ? dec->ticks_per_frame : 1;
  const int ticks = parser ? parser->repeat_pict + 1 : ticks_per_frame;
  return static_cast<std::int64_t>(AV_TIME_BASE) * dec->framerate.den * ticks / dec->framerate.num /
         ticks_per_frame;
}

}  // namespace

bool TCustomFFmpeg::stream_accepts_input(const TInputStream& ist, const TOutputStream& ost) const {
  const TInputFile& f = *Finput_files[static_cast<std::size_t>(ist.file_index)];
  if (ost.source_index != f.ist_index + ist.st->index) return false;
  if (ost.finished) return false;
  const TOutputFile& of = *Foutput_files[static_cast<std::size_t>(ost.file_index)];
  return of.start_time == AV_NOPTS_VALUE || ist.pts >= of.start_time;
}

bool TCustomFFmpeg::route_packet(TInputStream& ist, const AVPacket* pkt, bool no_eof) {
  const AVMediaType type = ist.st->codecpar->codec_type;
  const AVRational tb = ist.st->time_base;
  if (!ist.saw_first_ts) {
    const int delay = ist.dec_ctx ? ist.dec_ctx->has_b_frames : 0;
    ist.dts = ist.st->avg_frame_rate.num
                  ? static_cast<std::int64_t>(-delay * AV_TIME_BASE / av_q2d(ist.st->avg_frame_rate))
                  : 0;
    ist.pts = 0;
    if (pkt && pkt->pts != AV_NOPTS_VALUE && !ist.decoding_needed) {
      ist.dts += ff::av_rescale_q(pkt->pts, tb, kMicroseconds);
      ist.pts = ist.dts;
    }
    ist.saw_first_ts = 1;
  }
  if (ist.next_dts == AV_NOPTS_VALUE) ist.next_dts = ist.dts;
  if (ist.next_pts == AV_NOPTS_VALUE) ist.next_pts = ist.pts;
  if (pkt && pkt->dts != AV_NOPTS_VALUE) {
    ist.next_dts = ist.dts = ff::av_rescale_q(pkt->dts, tb, kMicroseconds);
    if (type != AVMEDIA_TYPE_VIDEO || !ist.decoding_needed) ist.next_pts = ist.pts = ist.dts;
  }

  bool got_output = false;
  if (ist.decoding_needed && ist.dec_ctx) {
    ist.pts = ist.next_pts;
    ist.dts = ist.next_dts;
    int ret = 0;
    std::int64_t frames_out = 0;
    switch (type) {
      case AVMEDIA_TYPE_AUDIO:
        ret = decode_packet(ist, pkt, got_output, frames_out, 0);
        break;
      case AVMEDIA_TYPE_VIDEO: {
        const std::int64_t duration = pkt && pkt->duration
                                          ? ff::av_rescale_q(pkt->duration, tb, kMicroseconds)
                                          : DecoderFrameDuration(ist);
        ret = decode_packet(ist, pkt, got_output, frames_out, duration);
        // The decode clock moves one frame per packet (per frame while draining).
        const std::int64_t steps = pkt ? 1 : frames_out;
        if (ist.dts != AV_NOPTS_VALUE && duration)
          ist.next_dts += duration * steps;
        else if (steps)
          ist.next_dts = AV_NOPTS_VALUE;
        break;
      }
      case AVMEDIA_TYPE_SUBTITLE:
        ret = decode_subtitle_packet(ist, pkt, got_output);
        break;
      default:
        ret = -1;
        break;
    }
    if (ret < 0 && ret != AVERROR_EOF) {
      const std::string text = fmt::format("Error while decoding stream #{}:{}: {}", ist.file_index,
                                           ist.st->index, error_code_text(ret));
      Log(TLogLevel::llError, text);
      if (Fexit_on_error) RaiseError(text);
    }
  }

  if (!pkt && ist.decoding_needed && !got_output && !no_eof) {
    const int ret = end_filter_inputs(ist);
    if (ret < 0) RaiseError("Error marking filters as finished");
  }

  if (!ist.decoding_needed) {
    // A copied stream's clock advances by what the packet holds.
    ist.dts = ist.next_dts;
    switch (type) {
      case AVMEDIA_TYPE_AUDIO: {
        const AVCodecParameters* par = ist.st->codecpar;
        if (par->sample_rate > 0)
          ist.next_dts += static_cast<std::int64_t>(AV_TIME_BASE) * par->frame_size / par->sample_rate;
        break;
      }
      case AVMEDIA_TYPE_VIDEO:
        if (ist.framerate.num) {
          const AVRational frame = av_inv_q(ist.framerate);
          const std::int64_t n = ff::av_rescale_q(ist.next_dts, kMicroseconds, frame);
          ist.next_dts = ff::av_rescale_q(n + 1, frame, kMicroseconds);
        } else if (pkt && pkt->duration) {
          ist.next_dts += ff::av_rescale_q(pkt->duration, tb, kMicroseconds);
        } else {
          ist.next_dts += DecoderFrameDuration(ist);
        }
        break;
      default:
        break;
    }
    ist.pts = ist.dts;
    ist.next_pts = ist.next_dts;
  }

  if (pkt) {
    for (int i = Fost_from_idx; i <= Fost_to_idx; ++i) {
      TOutputStream& ost = *Foutput_streams[static_cast<std::size_t>(i)];
      if (!stream_accepts_input(ist, ost) || ost.encoding_needed) continue;
      copy_packet(ist, ost, pkt);
    }
  }
  return got_output;
}

}  // namespace zentrova

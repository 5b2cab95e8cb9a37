// mux_packet: the one way every packet reaches a muxer: frame limits,
// durations, bitstream filters, timestamp repairs, the write itself. A
// write error ends every stream and makes the run fail.
#include <fmt/format.h>
#include <cstring>

#include "engine/custom_ffmpeg.h"
#include "engine/transcode/mux_timestamps.h"
#include "options/time_text.h"
#include "engine/transcode/video_sync.h"
#include "log/logger.h"
#include "options/media_text.h"

namespace zentrova {
namespace {

constexpr const char* kSeeLog =
    "Please check error log message(reported by ZOVuzodi) to find out more detail information.";

std::uint32_t ReadLe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint64_t ReadLe64(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(ReadLe32(p)) | static_cast<std::uint64_t>(ReadLe32(p + 4)) << 32;
}

}  // namespace

void TCustomFFmpeg::mux_packet(AVFormatContext* s, AVPacket* pkt, TOutputStream& ost) {
  const AVMediaType type = ost.st->codecpar->codec_type;
  if ((type == AVMEDIA_TYPE_VIDEO && Fvideo_sync_method == VSYNC_DROP) ||
      (type == AVMEDIA_TYPE_AUDIO && Faudio_sync_method < 0))
    pkt->pts = pkt->dts = AV_NOPTS_VALUE;

  // Encoded video counts its frames in do_video_out; everything else here.
  if (!(type == AVMEDIA_TYPE_VIDEO && ost.encoding_needed)) {
    if (ost.frame_number >= ost.max_frames) {
      ff::av_packet_unref(pkt);
      return;
    }
    ost.frame_number++;
  }

  if (type == AVMEDIA_TYPE_VIDEO) {
    std::size_t size = 0;
    const std::uint8_t* sd = ff::av_packet_get_side_data(pkt, AV_PKT_DATA_QUALITY_STATS, &size);
    ost.quality = sd && size >= 6 ? static_cast<int>(ReadLe32(sd)) : -1;
    ost.pict_type = sd && size >= 6 ? sd[4] : 0;
    for (int i = 0; i < 4; ++i) {
      const bool present = sd && i < sd[5] && size >= static_cast<std::size_t>(16 + 8 * i);
      ost.error[i] = present ? static_cast<std::int64_t>(ReadLe64(sd + 8 + 8 * i)) : -1;
    }
    // Packets of this library generation carry no duration: one frame of
    // the output rate, also for variable-rate outputs.
    if (ost.frame_rate.num && ost.frame_rate.den) {
      const std::int64_t frame = ff::av_rescale_q(1, av_inv_q(ost.frame_rate), ost.st->time_base);
      if (ost.is_cfr) {
        if (pkt->duration > 0)
          Log(TLogLevel::llWarning, "Overriding packet duration by frame rate, this should not happen");
        pkt->duration = frame;
      } else if (pkt->duration <= 0 && ost.encoding_needed) {
        pkt->duration = frame;
      }
    }
  }
  filter_packet(s, pkt, ost);
}

void TCustomFFmpeg::filter_packet(AVFormatContext* s, AVPacket* pkt, TOutputStream& ost, std::size_t first) {
  TBitstreamFilterChain& chain = *ost.bitstream_filters;
  if (first >= chain.size()) {
    if (pkt) write_packet(s, pkt, ost);
    return;
  }
  AVBSFContext* bsf = chain[first].get();
  int ret = ff::av_bsf_send_packet(bsf, pkt);
  if (ret < 0) {
    const std::string text = error_code_text(
        ret, fmt::format("Error applying bitstream filters to an output packet for stream #{}:{}",
                         ost.file_index, ost.index));
    if (Fexit_on_error) RaiseError(text);
    Log(TLogLevel::llError, text);
    // The packet goes on without this filter.
    filter_packet(s, pkt, ost, first + 1);
    return;
  }
  AVPacketPtr out = MakePacket();
  while ((ret = ff::av_bsf_receive_packet(bsf, out.get())) >= 0) filter_packet(s, out.get(), ost, first + 1);
  if (ret != AVERROR(EAGAIN) && ret != AVERROR_EOF) {
    const std::string text = error_code_text(
        ret, fmt::format("Error applying bitstream filters to an output packet for stream #{}:{}",
                         ost.file_index, ost.index));
    if (Fexit_on_error) RaiseError(text);
    Log(TLogLevel::llError, text);
  }
  if (!pkt) filter_packet(s, nullptr, ost, first + 1);  // drain the rest of the chain
}

void TCustomFFmpeg::write_packet(AVFormatContext* s, AVPacket* pkt, TOutputStream& ost) {
  if (pkt->size == 0 && pkt->side_data_elems == 0) {
    ff::av_packet_unref(pkt);
    return;
  }
  AVCodecParameters* par = ost.st->codecpar;
  const AVCodecContext* avctx = ost.encoding_needed ? ost.enc_ctx.get() : nullptr;
  if (!par->extradata_size && avctx && avctx->extradata_size > 0) {
    par->extradata = static_cast<std::uint8_t*>(
        ff::av_mallocz(static_cast<std::size_t>(avctx->extradata_size) + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!par->extradata) {
      Log(TLogLevel::llError, "Could not allocate extradata buffer to copy parser data.");
      RaiseError("Could not allocate extradata buffer to copy parser data.");
    }
    std::memcpy(par->extradata, avctx->extradata, static_cast<std::size_t>(avctx->extradata_size));
    par->extradata_size = avctx->extradata_size;
  }

  const AVMediaType type = par->codec_type;
  if (!(s->oformat->flags & AVFMT_NOTIMESTAMPS)) {
    const bool timed = (type == AVMEDIA_TYPE_AUDIO || type == AVMEDIA_TYPE_VIDEO) &&
                       !(par->codec_id == AV_CODEC_ID_VP9 && ost.stream_copy);
    const std::int64_t in_pts = pkt->pts;
    const std::int64_t in_dts = pkt->dts;
    const TMuxTimestampRepair r =
        RepairMuxTimestamps(in_pts, in_dts, ost.last_mux_dts, timed, type == AVMEDIA_TYPE_VIDEO,
                            !(s->oformat->flags & AVFMT_TS_NONSTRICT));
    if (r.invalid_dts)
      Log(TLogLevel::llWarning,
          fmt::format("Invalid DTS: {} PTS: {} in output stream {}:{}, replacing by guess", in_dts, in_pts,
                      ost.file_index, ost.index));
    if (r.non_monotonic) {
      const std::int64_t current = r.invalid_dts ? ost.last_mux_dts : in_dts;
      const std::string text =
          fmt::format("Non-monotonous DTS in output stream {}:{}; previous: {}, current: {}", ost.file_index,
                      ost.index, ost.last_mux_dts, current);
      if (Fexit_on_error) {
        Log(TLogLevel::llFatal, "aborting.");
        RaiseError(text);
      }
      const TLogLevel level = r.loud ? TLogLevel::llWarning : TLogLevel::llDebug;
      if (DefaultLogger()->WouldDeliver(level))
        Log(level,
            fmt::format("{}; changing to {}. This may result in incorrect timestamps in the output file.",
                        text, r.accepted_dts));
    }
    pkt->pts = r.pts;
    pkt->dts = r.dts;
  }
  ost.last_mux_dts = pkt->dts;
  ost.data_size += pkt->size;
  ost.packets_written++;
  pkt->stream_index = ost.index;
  if (Fdebug_ts)
    Log(TLogLevel::llInfo,
        fmt::format("muxer <- type:{} pkt_pts:{} pkt_pts_time:{} pkt_dts:{} pkt_dts_time:{} size:{}",
                    ff::av_get_media_type_string(type) ? ff::av_get_media_type_string(type) : "?",
                    ts_text(pkt->pts), ts_time_text(pkt->pts, ost.st->time_base), ts_text(pkt->dts),
                    ts_time_text(pkt->dts, ost.st->time_base), pkt->size));

  FLastWrite = ff::av_gettime_relative();
  const int ret = ff::av_interleaved_write_frame(s, pkt);
  if (ret < 0) {
    const std::string text =
        fmt::format("{}. {}", error_code_text(ret, "av_interleaved_write_frame()"), kSeeLog);
    Log(TLogLevel::llError, text);
    stop_all_streams(ost, TStreamFinished::Both(), {.encoder = true});
    // A stop request interrupts a blocked write: that is not a failure.
    if (!(ret == AVERROR_EXIT && FBroken)) RecordRunFailure(text);
  }
  ff::av_packet_unref(pkt);
}

void TCustomFFmpeg::stop_all_streams(TOutputStream& ost, TStreamFinished mine, TStreamFinished others) {
  for (const std::unique_ptr<TOutputStream>& other : Foutput_streams)
    other->finished |= other.get() == &ost ? mine : others;
}

bool TCustomFFmpeg::within_recording_time(TOutputStream& ost) {
  const TOutputFile& of = *Foutput_files[static_cast<std::size_t>(ost.file_index)];
  const AVRational tb = ost.enc_ctx->time_base;
  if (of.recording_time != INT64_MAX && tb.num > 0 && tb.den > 0 &&
      ff::av_compare_ts(ost.sync_opts - ost.first_pts, tb, of.recording_time, AVRational{1, AV_TIME_BASE}) >=
          0) {
    end_stream_encoding(ost);
    return false;
  }
  return true;
}

void TCustomFFmpeg::end_stream_encoding(TOutputStream& ost) {
  ost.finished.encoder = true;
  TOutputFile& of = *Foutput_files[static_cast<std::size_t>(ost.file_index)];
  if (!of.shortest) return;
  const AVRational tb = ost.enc_ctx ? ost.enc_ctx->time_base : AVRational{0, 1};
  if (tb.num <= 0 || tb.den <= 0) return;
  const std::int64_t end = ff::av_rescale_q(ost.sync_opts - ost.first_pts, tb, AVRational{1, AV_TIME_BASE});
  of.recording_time = std::min(of.recording_time, end);
}

}  // namespace zentrova

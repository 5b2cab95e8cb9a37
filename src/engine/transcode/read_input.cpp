// Reading one packet from an input file: pacing (-re), looping
// (-stream_loop), the end of a file, and the repairs every packet gets
// before it is decoded or copied.
#include <fmt/format.h>
#include <algorithm>
#include <cstring>

#include "engine/custom_ffmpeg.h"
#include "engine/transcode/input_timestamps.h"
#include "options/time_text.h"
#include "log/logger.h"
#include "media/time_base.h"
#include "options/media_text.h"

namespace zentrova {
namespace {

struct PacketUnref {
  AVPacket* pkt;
  ~PacketUnref() { ff::av_packet_unref(pkt); }
};

}  // namespace

int TCustomFFmpeg::fetch_packet(TInputFile& f, AVPacket* pkt) {
  if (f.rate_emu) {
    // A stream ahead of the wall clock (paused time excluded) waits.
    for (int i = 0; i < f.nb_streams; ++i) {
      const TInputStream& ist = *Finput_streams[static_cast<std::size_t>(f.ist_index + i)];
      const std::int64_t now = ff::av_gettime_relative() - ist.start - FTotalPauseTime;
      if (ist.dts > now) return AVERROR(EAGAIN);
    }
  }
  return ff::av_read_frame(f.ctx.get(), pkt);
}

int TCustomFFmpeg::rewind_for_loop(TInputFile& f) {
  AVFormatContext* ic = f.ctx.get();
  int ret = ff::av_seek_frame(ic, -1, ic->start_time == AV_NOPTS_VALUE ? 0 : ic->start_time, 0);
  if (ret < 0) return ret;
  bool has_audio = false;
  for (int i = 0; i < f.nb_streams; ++i) {
    TInputStream& ist = *Finput_streams[static_cast<std::size_t>(f.ist_index + i)];
    if (ist.decoding_needed && ist.dec_ctx) {
      route_packet(ist, nullptr, true);
      ff::avcodec_flush_buffers(ist.dec_ctx.get());
      ist.decoder_flushed = 0;
    }
    if (ist.st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && ist.nb_samples) has_audio = true;
  }
  for (int i = 0; i < f.nb_streams; ++i) {
    const TInputStream& ist = *Finput_streams[static_cast<std::size_t>(f.ist_index + i)];
    const AVRational tb = ist.st->time_base;
    std::int64_t duration = 1;
    if (has_audio) {
      if (ist.st->codecpar->codec_type != AVMEDIA_TYPE_AUDIO || !ist.nb_samples) continue;
      duration = ff::av_rescale_q(ist.nb_samples, AVRational{1, ist.st->codecpar->sample_rate}, tb);
    } else if (ist.framerate.num) {
      duration = ff::av_rescale_q(1, av_inv_q(ist.framerate), tb);
    } else if (ist.st->avg_frame_rate.num) {
      duration = ff::av_rescale_q(1, av_inv_q(ist.st->avg_frame_rate), tb);
    }
    if (!f.duration) f.time_base = tb;
    if (ist.max_pts == INT64_MIN || ist.min_pts == INT64_MAX) continue;
    const std::int64_t candidate = duration + ist.max_pts - ist.min_pts;
    if (!f.duration || ff::av_compare_ts(candidate, tb, f.duration, f.time_base) > 0) {
      f.duration = candidate;
      f.time_base = tb;
    }
  }
  if (f.loop > 0) --f.loop;
  return 0;
}

void TCustomFFmpeg::warn_new_stream(int file_index, const AVPacket& pkt) {
  TInputFile& f = *Finput_files[static_cast<std::size_t>(file_index)];
  if (pkt.stream_index < f.nb_streams_warn) return;
  const AVStream* st = f.ctx->streams[pkt.stream_index];
  const char* type = ff::av_get_media_type_string(st->codecpar->codec_type);
  Log(TLogLevel::llWarning,
      fmt::format("New {} stream {}:{} at pos:{} and DTS:{}s", type ? type : "unknown", file_index,
                  pkt.stream_index, pkt.pos, ts_time_text(pkt.dts, st->time_base)));
  f.nb_streams_warn = pkt.stream_index + 1;
}

int TCustomFFmpeg::read_input_file(int file_index) {
  TInputFile& f = *Finput_files[static_cast<std::size_t>(file_index)];
  AVFormatContext* ic = f.ctx.get();
  AVPacketPtr packet = MakePacket();
  AVPacket& pkt = *packet;

  FLastRead = ff::av_gettime_relative();
  int ret = fetch_packet(f, &pkt);
  if (ret == AVERROR(EAGAIN)) {
    f.eagain = 1;
    return ret;
  }
  if (ret < 0 && f.loop) {
    const int rewound = rewind_for_loop(f);
    if (rewound < 0) return rewound;
    ret = fetch_packet(f, &pkt);
    if (ret == AVERROR(EAGAIN)) {
      f.eagain = 1;
      return ret;
    }
  }
  if (ret < 0) {
    const bool stopped = ret == AVERROR_EXIT && FBroken;
    if (ret != AVERROR_EOF && !stopped) {
      const std::string text = error_code_text(ret, ic->url ? ic->url : "");
      if (Fexit_on_error) RaiseError(text);
      Log(TLogLevel::llError, text);
      RecordRunFailure(text);  // what was read is still written, but the run is not a success
    }
    for (int i = 0; i < f.nb_streams; ++i) {
      TInputStream& ist = *Finput_streams[static_cast<std::size_t>(f.ist_index + i)];
      if (ist.decoding_needed && ist.dec_ctx && route_packet(ist, nullptr, false)) return 0;
      for (const std::unique_ptr<TOutputStream>& ost : Foutput_streams) {
        if (ost->source_index != f.ist_index + i) continue;
        if (ost->stream_copy || (ost->enc && ost->enc->type == AVMEDIA_TYPE_SUBTITLE)) finish_stream(*ost);
      }
    }
    f.eof_reached = 1;
    return AVERROR(EAGAIN);
  }
  PacketUnref unref{&pkt};

  clear_blocked();
  if (Fdo_pkt_dump)
    ff::av_pkt_dump_log2(nullptr, AV_LOG_INFO, &pkt, Fdo_hex_dump, ic->streams[pkt.stream_index]);

  if (pkt.stream_index >= f.nb_streams) {
    warn_new_stream(file_index, pkt);
    return 0;
  }
  TInputStream& ist = *Finput_streams[static_cast<std::size_t>(f.ist_index + pkt.stream_index)];
  ist.data_size += pkt.size;
  ist.nb_packets++;
  if (ist.discard) return 0;

  if (Fexit_on_error && (pkt.flags & AV_PKT_FLAG_CORRUPT))
    RaiseErrorFmt("{}: corrupt input packet in stream {}", ic->url ? ic->url : "", pkt.stream_index);

  const AVRational tb = ist.st->time_base;
  if (Fdebug_ts)
    Log(TLogLevel::llInfo,
        fmt::format(
            "demuxer -> ist_index:{} type:{} next_dts:{} next_dts_time:{} next_pts:{} next_pts_time:{} "
            "pkt_pts:{} pkt_pts_time:{} pkt_dts:{} pkt_dts_time:{} off:{} off_time:{}",
            f.ist_index + pkt.stream_index, media_type_text(ist.st->codecpar->codec_type),
            ts_text(ist.next_dts), ts_time_text(ist.next_dts, kMicroseconds), ts_text(ist.next_pts),
            ts_time_text(ist.next_pts, kMicroseconds), ts_text(pkt.pts), ts_time_text(pkt.pts, tb),
            ts_text(pkt.dts), ts_time_text(pkt.dts, tb), ts_text(f.ts_offset),
            ts_time_text(f.ts_offset, kMicroseconds)));

  // The stream's side data travels with its first packet.
  if (ist.nb_packets == 1) {
    for (int i = 0; i < ist.st->nb_side_data; ++i) {
      const AVPacketSideData& sd = ist.st->side_data[i];
      if (ff::av_packet_get_side_data(&pkt, sd.type, nullptr)) continue;
      if (ist.autorotate && sd.type == AV_PKT_DATA_DISPLAYMATRIX) continue;
      std::uint8_t* dst = ff::av_packet_new_side_data(&pkt, sd.type, sd.size);
      if (!dst) RaiseError("av_packet_new_side_data() failed");
      std::memcpy(dst, sd.data, sd.size);
    }
  }

  TTimestampPolicy policy;
  policy.copy_ts = Fcopy_ts != 0;
  policy.join_mode = FJoinMode;
  policy.dts_delta_threshold = Fdts_delta_threshold;
  policy.dts_error_threshold = Fdts_error_threshold;
  RepairInputTimestamps(f, ist, pkt, policy);

  if (Fdebug_ts)
    Log(TLogLevel::llInfo,
        fmt::format("demuxer+derodorir -> ist_index:{} type:{} pkt_pts:{} pkt_pts_time:{} pkt_dts:{} "
                    "pkt_dts_time:{} off:{} off_time:{}",
                    f.ist_index + pkt.stream_index, media_type_text(ist.st->codecpar->codec_type),
                    ts_text(pkt.pts), ts_time_text(pkt.pts, tb), ts_text(pkt.dts), ts_time_text(pkt.dts, tb),
                    ts_text(f.ts_offset), ts_time_text(f.ts_offset, kMicroseconds)));

  sub2video_heartbeat(ist, pkt.pts);
  route_packet(ist, &pkt, false);
  return 0;
}

}  // namespace zentrova

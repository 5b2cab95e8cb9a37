#include "engine/transcode/input_timestamps.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "log/logger.h"
#include "media/time_base.h"

namespace zentrova {
namespace {

std::int64_t ToMicroseconds(std::int64_t ts, AVRational time_base) {
  return ff::av_rescale_q_rnd(ts, time_base, kMicroseconds,
                              static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
}

bool OutsideThreshold(std::int64_t delta_us, float threshold_s) {
  const double limit = static_cast<double>(threshold_s) * AV_TIME_BASE;
  return static_cast<double>(delta_us) < -limit || static_cast<double>(delta_us) > limit;
}

// Moves both timestamps back by `delta_us` (the file's offset already took it).
void Shift(AVPacket& pkt, std::int64_t delta_us, AVRational time_base) {
  const std::int64_t delta = ff::av_rescale_q(delta_us, kMicroseconds, time_base);
  if (pkt.dts != AV_NOPTS_VALUE) pkt.dts -= delta;
  if (pkt.pts != AV_NOPTS_VALUE) pkt.pts -= delta;
}

// A transport stream starts its clock anywhere; when the enabled streams all
// start later than the file, the file's start moves to the earliest of them.
void CorrectStartTime(TInputFile& file, const TInputStream& ist) {
  const AVFormatContext* ctx = file.ctx.get();
  if (ist.next_dts != AV_NOPTS_VALUE || file.ts_offset != -ctx->start_time ||
      !(ctx->iformat->flags & AVFMT_TS_DISCONT))
    return;
  std::int64_t new_start = INT64_MAX;
  for (unsigned i = 0; i < ctx->nb_streams; ++i) {
    const AVStream* st = ctx->streams[i];
    if (st->discard == AVDISCARD_ALL || st->start_time == AV_NOPTS_VALUE) continue;
    new_start = std::min(new_start, ff::av_rescale_q(st->start_time, st->time_base, kMicroseconds));
  }
  if (new_start != INT64_MAX && new_start > ctx->start_time) {
    LogFmt(TLogLevel::llVerbose, "Correcting start time by {}", new_start - ctx->start_time);
    file.ts_offset = -new_start;
  }
}

// Timestamps of a stream whose counter wrapped before the file's start.
void CorrectWrap(TInputFile& file, TInputStream& ist, AVPacket& pkt) {
  const AVFormatContext* ctx = file.ctx.get();
  const int bits = ist.st->pts_wrap_bits;
  if (ist.wrap_correction_done || ctx->start_time == AV_NOPTS_VALUE || bits >= 64 || bits <= 0) return;
  CorrectStartTime(file, ist);
  const std::int64_t stime = ff::av_rescale_q(ctx->start_time, kMicroseconds, ist.st->time_base);
  const std::uint64_t wrap = 1ULL << bits;
  const auto stime2 = static_cast<std::int64_t>(static_cast<std::uint64_t>(stime) + wrap);
  ist.wrap_correction_done = 1;
  std::int64_t half_point = 0;
  if (stime2 <= stime || __builtin_add_overflow(stime, std::int64_t{1} << (bits - 1), &half_point)) return;
  for (std::int64_t* ts : {&pkt.dts, &pkt.pts}) {
    if (*ts != AV_NOPTS_VALUE && *ts > half_point) {
      *ts = static_cast<std::int64_t>(static_cast<std::uint64_t>(*ts) - wrap);
      ist.wrap_correction_done = 0;
    }
  }
}

bool HasClock(const TInputStream& ist) {
  const AVMediaType type = ist.st->codecpar->codec_type;
  return type == AVMEDIA_TYPE_VIDEO || type == AVMEDIA_TYPE_AUDIO;
}

}  // namespace

void RepairInputTimestamps(TInputFile& file, TInputStream& ist, AVPacket& pkt,
                           const TTimestampPolicy& policy) {
  const AVFormatContext* ctx = file.ctx.get();
  const AVRational tb = ist.st->time_base;
  const bool discontinuous = (ctx->iformat->flags & AVFMT_TS_DISCONT) != 0;
  CorrectWrap(file, ist, pkt);

  const std::int64_t offset = ff::av_rescale_q(file.ts_offset, kMicroseconds, tb);
  for (std::int64_t* ts : {&pkt.dts, &pkt.pts}) {
    if (*ts == AV_NOPTS_VALUE) continue;
    *ts += offset;
    if (ist.ts_scale != 1.0) *ts = std::llrint(static_cast<double>(*ts) * ist.ts_scale);
  }

  // A jump between streams: the first packet of a stream far from the file's last one.
  std::int64_t dts_us = ToMicroseconds(pkt.dts, tb);
  if (HasClock(ist) && dts_us != AV_NOPTS_VALUE && ist.next_dts == AV_NOPTS_VALUE && !policy.copy_ts &&
      discontinuous && file.last_ts != AV_NOPTS_VALUE && !policy.join_mode) {
    const std::int64_t delta = dts_us - file.last_ts;
    if (OutsideThreshold(delta, policy.dts_delta_threshold)) {
      file.ts_offset -= delta;
      LogFmt(TLogLevel::llDebug, "Inter stream timestamp discontinuity {}, new offset= {}", delta,
             file.ts_offset);
      Shift(pkt, delta, tb);
    }
  }

  // Looping: every pass starts where the previous one ended.
  const std::int64_t loop_offset = ff::av_rescale_q(file.duration, file.time_base, tb);
  if (pkt.pts != AV_NOPTS_VALUE) {
    pkt.pts += loop_offset;
    ist.max_pts = std::max(pkt.pts, ist.max_pts);
    ist.min_pts = std::min(pkt.pts, ist.min_pts);
  }
  if (pkt.dts != AV_NOPTS_VALUE) pkt.dts += loop_offset;

  // A jump within a stream.
  dts_us = ToMicroseconds(pkt.dts, tb);
  if (HasClock(ist) && dts_us != AV_NOPTS_VALUE && ist.next_dts != AV_NOPTS_VALUE && !policy.copy_ts) {
    std::int64_t delta = dts_us - ist.next_dts;
    if (discontinuous && !policy.join_mode) {
      if (OutsideThreshold(delta, policy.dts_delta_threshold) ||
          dts_us + AV_TIME_BASE / 10 < std::max(ist.pts, ist.dts)) {
        file.ts_offset -= delta;
        LogFmt(TLogLevel::llDebug, "timestamp discontinuity {}, new offset= {}", delta, file.ts_offset);
        Shift(pkt, delta, tb);
      }
    } else {
      if (OutsideThreshold(delta, policy.dts_error_threshold)) {
        LogFmt(TLogLevel::llWarning, "DTS {}, next:{} st:{} invalid dropping", pkt.dts, ist.next_dts,
               pkt.stream_index);
        pkt.dts = AV_NOPTS_VALUE;
      }
      if (pkt.pts != AV_NOPTS_VALUE) {
        delta = ff::av_rescale_q(pkt.pts, tb, kMicroseconds) - ist.next_dts;
        if (OutsideThreshold(delta, policy.dts_error_threshold)) {
          LogFmt(TLogLevel::llWarning, "PTS {}, next:{} invalid dropping st:{}", pkt.pts, ist.next_dts,
                 pkt.stream_index);
          pkt.pts = AV_NOPTS_VALUE;
        }
      }
    }
  }

  if (pkt.dts != AV_NOPTS_VALUE) file.last_ts = ff::av_rescale_q(pkt.dts, tb, kMicroseconds);
}

}  // namespace zentrova

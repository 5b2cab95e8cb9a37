// do_video_out: a filtered picture fitted to the output's frame clock
// (duplicated or dropped), given its forced key frame, hooks, then encoded.
#include <fmt/format.h>
#include <cmath>

#include "engine/custom_ffmpeg.h"
#include "engine/transcode/forced_key_frames.h"
#include "options/time_text.h"
#include "engine/transcode/video_sync.h"
#include "log/logger.h"
#include "media/time_base.h"

namespace zentrova {
void TCustomFFmpeg::do_video_out(AVFormatContext* s, TOutputStream& ost, AVFrame* next_picture,
                                 double sync_ipts) {
  AVCodecContext* enc = ost.enc_ctx.get();
  TInputStream* ist =
      ost.source_index >= 0 ? Finput_streams[static_cast<std::size_t>(ost.source_index)].get() : nullptr;
  const double tb = av_q2d(enc->time_base);

  // The expected duration of the picture, in encoder ticks.
  double duration = 0;
  if (ost.filter && ost.filter->filter) {
    const AVRational rate = ff::av_buffersink_get_frame_rate(ost.filter->filter);
    if (rate.num > 0 && rate.den > 0) duration = 1 / (av_q2d(rate) * tb);
  }
  if (ist && ist->st->start_time != AV_NOPTS_VALUE && ist->saw_first_ts && ost.frame_rate.num) {
    const double frame = 1 / (av_q2d(ost.frame_rate) * tb);
    duration = duration == 0 ? frame : std::min(duration, frame);
  }
  // Without filters the packet's own duration is the best guess. It stays
  // exact: rounded to whole ticks, a 25 fps picture at 15 fps would last a
  // whole frame and no picture would be dropped.
  if (!ost.filters && !ost.filters_script && next_picture && ist) {
    const double packet = static_cast<double>(next_picture->pkt_duration) * av_q2d(ist->st->time_base) / tb;
    if (packet > 0) duration = packet;
  }

  const TInputFile* ifile = ist ? Finput_files[static_cast<std::size_t>(ist->file_index)].get() : nullptr;
  const bool single_source = ifile && ifile->ctx->nb_streams == 1 && ifile->input_ts_offset == 0;
  const int method = ResolveVideoSyncMethod(Fvideo_sync_method, s->oformat->name, s->oformat->flags,
                                            single_source, Fcopy_ts != 0);
  ost.is_cfr = method == VSYNC_CFR || method == VSYNC_VSCFR;

  if (next_picture && method == VSYNC_PASSTHROUGH && ost.sync_ist) {
    const TOutputFile& of = *Foutput_files[static_cast<std::size_t>(ost.file_index)];
    const std::int64_t start = of.start_time == AV_NOPTS_VALUE ? 0 : of.start_time;
    next_picture->pts = std::llrint(static_cast<double>(ost.sync_ist->pts - start) / AV_TIME_BASE / tb);
    sync_ipts = static_cast<double>(next_picture->pts);
  }

  TVideoSyncInput in;
  in.method = method;
  in.flush = next_picture == nullptr;
  in.sync_ipts = sync_ipts;
  in.duration = duration;
  in.sync_opts = ost.sync_opts;
  in.frame_number = ost.frame_number;
  in.max_frames = ost.max_frames;
  in.frame_drop_threshold = Fframe_drop_threshold;
  in.dts_delta_threshold = Fdts_delta_threshold;
  std::copy(std::begin(ost.last_nb0_frames), std::end(ost.last_nb0_frames), in.last_nb0_frames);
  in.last_dropped = ost.last_dropped != 0;
  if (next_picture) {
    Flast_picture_end[&ost] = sync_ipts + duration;
  } else if (const auto end = Flast_picture_end.find(&ost); end != Flast_picture_end.end()) {
    in.last_picture_end = end->second;
  }
  const TVideoSyncDecision d = DecideVideoSync(in);

  if (d.clip == TVideoSyncClip::PastDurationTooLarge)
    Log(TLogLevel::llWarning, fmt::format("Past duration {:f} too large", d.clipped_by));
  else if (d.clip == TVideoSyncClip::Clipped && DefaultLogger()->WouldDeliver(TLogLevel::llDebug))
    Log(TLogLevel::llDebug, fmt::format("Clipping frame in rate conversion by {:f}", d.clipped_by));
  if (d.initial_frames_not_duplicated)
    Log(TLogLevel::llDebug,
        fmt::format("Not duplicating {} initial frames", d.initial_frames_not_duplicated));
  ost.sync_opts = d.sync_opts;
  std::copy(std::begin(d.last_nb0_frames), std::end(d.last_nb0_frames), ost.last_nb0_frames);

  if (d.dropped_previous) {
    ++Fnb_frames_drop;
    FShowDupOrDrop = true;
    Log(TLogLevel::llVerbose,
        fmt::format("*** dropping frame {} from stream {} at ts {}", ost.frame_number, ost.st->index,
                    ost.last_frame ? ost.last_frame->pts : AV_NOPTS_VALUE));
  }
  if (d.skip_too_large) {
    Log(TLogLevel::llError, fmt::format("{} frame duplication too large, skipping", d.nb - 1));
    ++Fnb_frames_drop;
    return;
  }
  if (d.duplicated) {
    Fnb_frames_dup += static_cast<std::int32_t>(d.duplicated);
    FShowDupOrDrop = true;
    Log(TLogLevel::llVerbose, fmt::format("*** {} dup!", d.nb - 1));
  }
  ost.last_dropped = d.last_dropped ? 1 : 0;

  for (std::int64_t i = 0; i < d.nb; ++i) {
    if (FBroken && i >= 11) {
      Log(TLogLevel::llInfo, "break in do_video_out()");
      break;
    }
    AVFrame* in_picture = (i < d.nb0 && ost.last_frame) ? ost.last_frame.get() : next_picture;
    if (!in_picture) return;
    in_picture->pts = ost.sync_opts;
    if (!within_recording_time(ost)) return;
    // After a graph rebuild a picture must still fit the opened encoder.
    if (in_picture->width != enc->width || in_picture->height != enc->height ||
        in_picture->format != enc->pix_fmt) {
      Log(TLogLevel::llError,
          fmt::format("Picture of {}x{} does not fit the encoder of output stream #{}:{} ({}x{}); skipped",
                      in_picture->width, in_picture->height, ost.file_index, ost.index, enc->width,
                      enc->height));
      ost.sync_opts++;
      continue;
    }
    const int hook_frame_number = ost.frame_number + 1;

    if ((enc->flags & (AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME)) &&
        ost.top_field_first >= 0)
      in_picture->top_field_first = ost.top_field_first != 0;
    AVFieldOrder order = AV_FIELD_PROGRESSIVE;
    if (in_picture->interlaced_frame) {
      if (enc->codec_id == AV_CODEC_ID_MJPEG)
        order = in_picture->top_field_first ? AV_FIELD_TT : AV_FIELD_BB;
      else
        order = in_picture->top_field_first ? AV_FIELD_TB : AV_FIELD_BT;
    }
    enc->field_order = order;
    ost.st->codecpar->field_order = order;

    in_picture->quality = enc->global_quality;
    const bool source_key = in_picture->key_frame != 0;
    in_picture->pict_type = AV_PICTURE_TYPE_NONE;
    const double pts_time =
        in_picture->pts != AV_NOPTS_VALUE ? static_cast<double>(in_picture->pts) * tb : NAN;
    if (DecideForcedKeyFrame(ost, in_picture->pts, pts_time, source_key)) {
      in_picture->pict_type = AV_PICTURE_TYPE_I;
      if (DefaultLogger()->WouldDeliver(TLogLevel::llDebug))
        Log(TLogLevel::llDebug, fmt::format("Forced keyframe at time {:f}", pts_time));
    }

    const std::int64_t hook_time = ff::av_rescale_q(in_picture->pts, enc->time_base, kMicroseconds);
    if (VideoHookAssigned() || FrameHookAssigned() || PostHooksRequested())
      output_video_hooks(ost, in_picture, hook_time, hook_frame_number);

    if (Fdebug_ts)
      Log(TLogLevel::llInfo,
          fmt::format("encoder <- type:video frame_pts:{} frame_pts_time:{} time_base:{}/{}",
                      ts_text(in_picture->pts), ts_time_text(in_picture->pts, enc->time_base),
                      enc->time_base.num, enc->time_base.den));
    ost.frames_encoded++;
    encode_frame(s, ost, in_picture, "video");
    ost.sync_opts++;
    ost.frame_number++;
  }

  // Keep the picture for duplication.
  if (!ost.last_frame) ost.last_frame.reset(ff::av_frame_alloc());
  if (ost.last_frame) ff::av_frame_unref(ost.last_frame.get());
  if (next_picture && ost.last_frame) {
    if (ff::av_frame_ref(ost.last_frame.get(), next_picture) < 0) ost.last_frame.reset();
  } else {
    ost.last_frame.reset();
  }
}

}  // namespace zentrova

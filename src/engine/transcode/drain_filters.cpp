// drain_filters: every frame the filter graphs have ready goes to its
// encoder (without asking the graphs for more input).
#include <fmt/format.h>

#include "engine/custom_ffmpeg.h"
#include "engine/transcode/filtered_frame_time.h"
#include "options/time_text.h"
#include "log/logger.h"

namespace zentrova {

int TCustomFFmpeg::drain_filters(bool flush) {
  for (int i = Fost_from_idx; i <= Fost_to_idx; ++i) {
    TOutputStream& ost = *Foutput_streams[static_cast<std::size_t>(i)];
    if (!ost.filter || !ost.filter->filter || !ost.enc_ctx) continue;
    AVFilterContext* sink = ost.filter->filter;
    const TOutputFile& of = *Foutput_files[static_cast<std::size_t>(ost.file_index)];
    AVFormatContext* os = of.ctx.get();
    AVCodecContext* enc = ost.enc_ctx.get();
    if (!ost.filtered_frame) ost.filtered_frame.reset(ff::av_frame_alloc());
    if (!ost.filtered_frame) return AVERROR(ENOMEM);
    AVFrame* frame = ost.filtered_frame.get();
    for (;;) {
      double exact = static_cast<double>(AV_NOPTS_VALUE);
      ff::av_frame_unref(frame);
      std::unique_lock graph_lock(FGraphLock);
      const int ret = ff::av_buffersink_get_frame_flags(sink, frame, AV_BUFFERSINK_FLAG_NO_REQUEST);
      graph_lock.unlock();
      if (ret < 0) {
        if (ret != AVERROR(EAGAIN) && ret != AVERROR_EOF)
          Log(TLogLevel::llWarning, error_code_text(ret, "Error in av_buffersink_get_frame_flags()"));
        else if (flush && ret == AVERROR_EOF && ff::av_buffersink_get_type(sink) == AVMEDIA_TYPE_VIDEO)
          do_video_out(os, ost, nullptr, exact);
        break;
      }
      if (ost.finished) continue;
      if (frame->pts != AV_NOPTS_VALUE) {
        const std::int64_t start = of.start_time == AV_NOPTS_VALUE ? 0 : of.start_time;
        const TFilteredFrameTime t =
            FilteredFrameTime(frame->pts, ff::av_buffersink_get_time_base(sink), enc->time_base, start);
        exact = t.exact;
        frame->pts = t.pts;
      }
      bool stop = false;
      switch (ff::av_buffersink_get_type(sink)) {
        case AVMEDIA_TYPE_VIDEO:
          if (!ost.frame_aspect_ratio.num) enc->sample_aspect_ratio = frame->sample_aspect_ratio;
          if (Fdebug_ts)
            Log(TLogLevel::llInfo, fmt::format("filter -> pts:{} pts_time:{} exact:{:f} time_base:{}/{}",
                                               ts_text(frame->pts), ts_time_text(frame->pts, enc->time_base),
                                               exact, enc->time_base.num, enc->time_base.den));
          do_video_out(os, ost, frame, exact);
          break;
        case AVMEDIA_TYPE_AUDIO:
          if (!(enc->codec->capabilities & AV_CODEC_CAP_PARAM_CHANGE) &&
              enc->ch_layout.nb_channels != frame->ch_layout.nb_channels) {
            Log(TLogLevel::llError,
                "Audio filter graph output is not normalized and encoder does not support parameter changes");
            stop = true;
            break;
          }
          encode_audio_frame(os, ost, frame);
          break;
        default:
          throw FFmpegException("Never occur");
      }
      if (stop) break;
    }
    ff::av_frame_unref(frame);
  }
  return 0;
}

}  // namespace zentrova

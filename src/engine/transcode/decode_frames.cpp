// Decoding audio and video: packets in, frames out (every frame of a
// packet, send/receive), the stream clocks, format changes and the push
// into the filter graphs.
#include <fmt/format.h>

#include "engine/custom_ffmpeg.h"
#include "engine/open/add_input_streams.h"
#include "engine/transcode/qsv_transcode.h"
#include "options/time_text.h"
#include "log/logger.h"
#include "media/time_base.h"

namespace zentrova {
namespace {

std::string LayoutText(const AVChannelLayout& layout) {
  char text[128] = "";
  if (ff::av_channel_layout_describe(&layout, text, sizeof text) < 0) return "unknown";
  return text;
}

std::string SampleFormatText(int format) {
  const char* name = ff::av_get_sample_fmt_name(static_cast<AVSampleFormat>(format));
  return name ? name : "?";
}

std::string PixelFormatText(int format) {
  const char* name = ff::av_get_pix_fmt_name(static_cast<AVPixelFormat>(format));
  return name ? name : "?";
}

// Hands `frame` to every filter input of the stream (all but the last get a
// new reference). 0, or the first refusal.
int PushToFilters(TInputStream& ist, AVFrame* frame) {
  const std::size_t count = ist.filters.size();
  for (std::size_t i = 0; i < count; ++i) {
    AVFrame* pushed = frame;
    if (i + 1 < count) {
      pushed = ist.filter_frame.get();
      const int ret = ff::av_frame_ref(pushed, frame);
      if (ret < 0) return ret;
    }
    int ret = ff::av_buffersrc_add_frame_flags(ist.filters[i]->filter, pushed, AV_BUFFERSRC_FLAG_PUSH);
    if (ret == AVERROR_EOF) ret = 0;  // that graph wants no more: not an error
    if (pushed != frame) ff::av_frame_unref(pushed);
    if (ret < 0) return ret;
  }
  return 0;
}

}  // namespace

void TCustomFFmpeg::count_decode_result(const TInputStream* ist, bool got_output, const char* what, int ret,
                                        const AVFrame* frame) {
  if (got_output || ret < 0) ++Fdecode_error_stat[ret < 0 ? 1 : 0];
  if (!Fexit_on_error) return;
  if (ret < 0) RaiseErrorFmt("decode {} error", what);
  if (ist && got_output && frame && (frame->decode_error_flags || (frame->flags & AV_FRAME_FLAG_CORRUPT))) {
    const AVFormatContext* ic = Finput_files[static_cast<std::size_t>(ist->file_index)]->ctx.get();
    RaiseErrorFmt("{}: corrupt decoded frame in stream {}", ic->url ? ic->url : "", ist->st->index);
  }
}

int TCustomFFmpeg::decode_packet(TInputStream& ist, const AVPacket* pkt, bool& got_output,
                                 std::int64_t& frames_out, std::int64_t frame_duration_us) {
  AVCodecContext* dec = ist.dec_ctx.get();
  const bool video = dec->codec_type == AVMEDIA_TYPE_VIDEO;
  const char* what = video ? "video" : "audio";
  if (!ist.decoded_frame) ist.decoded_frame.reset(ff::av_frame_alloc());
  if (!ist.filter_frame) ist.filter_frame.reset(ff::av_frame_alloc());
  if (!ist.decoded_frame || !ist.filter_frame) return AVERROR(ENOMEM);
  AVFrame* frame = ist.decoded_frame.get();

  // A video packet without dts gets the stream's, for the best-effort guess.
  const AVPacket* to_send = pkt;
  AVPacketPtr with_dts;
  if (video && pkt && pkt->dts == AV_NOPTS_VALUE && ist.dts != AV_NOPTS_VALUE) {
    with_dts = MakePacket();
    if (ff::av_packet_ref(with_dts.get(), pkt) < 0) return AVERROR(ENOMEM);
    with_dts->dts = ff::av_rescale_q(ist.dts, kMicroseconds, ist.st->time_base);
    to_send = with_dts.get();
  }

  // Sending the end twice is harmless: the decoder is then already draining.
  auto send = [&] {
    const int ret = ff::avcodec_send_packet(dec, to_send);
    return ret == AVERROR_EOF ? 0 : ret;
  };
  int sent = send();
  if (sent < 0 && sent != AVERROR(EAGAIN)) {
    count_decode_result(&ist, false, what, sent, nullptr);
    return sent;
  }
  bool first = true;
  for (;;) {
    int ret = ff::avcodec_receive_frame(dec, frame);
    if (ret == AVERROR(EAGAIN)) {
      if (sent != AVERROR(EAGAIN)) return 0;
      sent = send();  // the decoder had frames waiting: now it takes the packet
      if (sent < 0 && sent != AVERROR(EAGAIN)) {
        count_decode_result(&ist, false, what, sent, nullptr);
        return sent;
      }
      if (sent == AVERROR(EAGAIN)) return AVERROR_BUG;
      continue;
    }
    if (ret == AVERROR_EOF) {
      ist.decoder_flushed = 1;
      return AVERROR_EOF;
    }
    if (ret < 0) {
      count_decode_result(&ist, false, what, ret, nullptr);
      return ret;
    }
    if (!video && (dec->sample_rate <= 0 || frame->sample_rate <= 0)) {
      Log(TLogLevel::llError, fmt::format("Sample rate {} invalid", frame->sample_rate));
      ff::av_frame_unref(frame);
      count_decode_result(&ist, false, what, AVERROR_INVALIDDATA, nullptr);
      return AVERROR_INVALIDDATA;
    }
    got_output = true;
    ++frames_out;
    count_decode_result(&ist, true, what, 0, frame);
    ret = video ? process_video_frame(ist, frame) : process_audio_frame(ist, frame, first, pkt);
    if (video && ist.next_pts != AV_NOPTS_VALUE) ist.next_pts += frame_duration_us;
    ff::av_frame_unref(frame);
    first = false;
    if (ret < 0) return ret;
  }
}

int TCustomFFmpeg::reconfigure_graphs_of(TInputStream& ist) {
  for (const std::unique_ptr<TFilterGraph>& fg : Ffiltergraphs) {
    if (!InputInFilterGraph(fg.get(), &ist)) continue;
    int ret = 0;
    {
      std::lock_guard graph_lock(FGraphLock);
      ret = ConfigureFilterGraph(fg.get());
    }
    if (ret < 0) RaiseError("Error reinitializing filters!");
  }
  return 0;
}

int TCustomFFmpeg::process_audio_frame(TInputStream& ist, AVFrame* frame, bool first_of_packet,
                                       const AVPacket* pkt) {
  AVCodecContext* dec = ist.dec_ctx.get();
  if (frame->nb_samples < 1) RaiseErrorFmt("the decoder \"{}\" return bad result.", ist.avdec->name);
  ist.samples_decoded += frame->nb_samples;
  ist.frames_decoded++;
  const std::int64_t advance =
      static_cast<std::int64_t>(AV_TIME_BASE) * frame->nb_samples / frame->sample_rate;
  if (ist.next_pts != AV_NOPTS_VALUE) ist.next_pts += advance;
  if (ist.next_dts != AV_NOPTS_VALUE) ist.next_dts += advance;

  input_audio_hook(ist, frame, ist.pts);

  const bool changed = frame->format != ist.resample_sample_fmt ||
                       frame->sample_rate != ist.resample_sample_rate ||
                       ff::av_channel_layout_compare(&frame->ch_layout, &ist.resample_ch_layout) != 0 ||
                       dec->ch_layout.nb_channels != ist.resample_ch_layout.nb_channels;
  if (changed) {
    if (!GuessInputChannelLayout(*this, ist))
      RaiseErrorFmt("Unable to find default channel layout for Input Stream #{}.{}", ist.file_index,
                    ist.st->index);
    if (ff::av_channel_layout_compare(&frame->ch_layout, &dec->ch_layout) != 0) {
      ff::av_channel_layout_uninit(&frame->ch_layout);
      ff::av_channel_layout_copy(&frame->ch_layout, &dec->ch_layout);
    }
    Log(TLogLevel::llInfo,
        fmt::format(
            "Input stream #{}:{} frame changed from rate:{} fmt:{} ch:{} chl:{} to rate:{} fmt:{} ch:{} "
            "chl:{}",
            ist.file_index, ist.st->index, ist.resample_sample_rate,
            SampleFormatText(ist.resample_sample_fmt), ist.resample_ch_layout.nb_channels,
            LayoutText(ist.resample_ch_layout), frame->sample_rate, SampleFormatText(frame->format),
            frame->ch_layout.nb_channels, LayoutText(frame->ch_layout)));
    ist.resample_sample_fmt = frame->format;
    ist.resample_sample_rate = frame->sample_rate;
    ff::av_channel_layout_uninit(&ist.resample_ch_layout);
    ff::av_channel_layout_copy(&ist.resample_ch_layout, &frame->ch_layout);
    reconfigure_graphs_of(ist);
  }

  // Gap-free, sample-exact times from the frame's own time when it has one.
  AVRational decoded_tb = ist.st->time_base;
  if (frame->pts == AV_NOPTS_VALUE) {
    if (first_of_packet && pkt && pkt->pts != AV_NOPTS_VALUE) {
      frame->pts = pkt->pts;
    } else {
      frame->pts = ist.dts;
      decoded_tb = kMicroseconds;
    }
  }
  if (frame->pts != AV_NOPTS_VALUE) {
    const AVRational sample_tb{1, frame->sample_rate};
    frame->pts = ff::av_rescale_delta(decoded_tb, frame->pts, sample_tb, frame->nb_samples,
                                      &ist.filter_in_rescale_delta_last, sample_tb);
  }
  ist.nb_samples = frame->nb_samples;
  std::lock_guard graph_lock(FGraphLock);
  return PushToFilters(ist, frame);
}

int TCustomFFmpeg::process_video_frame(TInputStream& ist, AVFrame* frame) {
  AVCodecContext* dec = ist.dec_ctx.get();
  if (dec->has_b_frames > ist.st->codecpar->video_delay) {
    if (dec->codec_id != AV_CODEC_ID_H264)
      Log(TLogLevel::llWarning,
          fmt::format(
              "has_b_frames is larger in decoder than demuxer {} > {}. Please report this file to the "
              "developers with a sample.",
              dec->has_b_frames, ist.st->codecpar->video_delay));
    ist.st->codecpar->video_delay = dec->has_b_frames;
  }
  if ((frame->width != dec->width || frame->height != dec->height || frame->format != dec->pix_fmt) &&
      DefaultLogger()->WouldDeliver(TLogLevel::llDebug))
    Log(TLogLevel::llDebug,
        fmt::format("Frame parameters mismatch context {},{},{} != {},{},{}", frame->width, frame->height,
                    frame->format, dec->width, dec->height, static_cast<int>(dec->pix_fmt)));
  if (ist.top_field_first >= 0) frame->top_field_first = ist.top_field_first;
  ist.frames_decoded++;

  if (ist.hwaccel_retrieve_data && frame->format == ist.hwaccel_pix_fmt) {
    const int ret = ist.hwaccel_retrieve_data(dec, frame);
    if (ret < 0) return ret;
  }
  ist.hwaccel_retrieved_pix_fmt = static_cast<AVPixelFormat>(frame->format);

  const std::int64_t best_effort = frame->best_effort_timestamp;
  if (best_effort != AV_NOPTS_VALUE) {
    frame->pts = best_effort;
    const std::int64_t us = ff::av_rescale_q(best_effort, ist.st->time_base, kMicroseconds);
    if (us != AV_NOPTS_VALUE) ist.next_pts = ist.pts = us;
  }
  if (Fdebug_ts)
    Log(TLogLevel::llInfo,
        fmt::format("decoder -> ist_index:{} type:video frame_pts:{} frame_pts_time:{} best_effort_ts:{} "
                    "best_effort_ts_time:{} keyframe:{} frame_type:{} time_base:{}/{}",
                    ist.st->index, ts_text(frame->pts), ts_time_text(frame->pts, ist.st->time_base),
                    best_effort, ts_time_text(best_effort, ist.st->time_base), frame->key_frame,
                    static_cast<int>(frame->pict_type), ist.st->time_base.num, ist.st->time_base.den));

  pre_process_video_frame(ist, frame);
  if (ist.st->sample_aspect_ratio.num) frame->sample_aspect_ratio = ist.st->sample_aspect_ratio;

  // A new frames pool rebuilds the graphs: their buffer sources need it.
  const bool new_frames_pool = TakeFramesPool(ist, *frame);
  if (new_frames_pool || frame->width != ist.resample_width || frame->height != ist.resample_height ||
      frame->format != ist.resample_pix_fmt) {
    Log(TLogLevel::llInfo,
        fmt::format("Input stream #{}:{} frame changed from size:{}x{} fmt:{} to size:{}x{} fmt:{}",
                    ist.file_index, ist.st->index, ist.resample_width, ist.resample_height,
                    PixelFormatText(ist.resample_pix_fmt), frame->width, frame->height,
                    PixelFormatText(frame->format)));
    ist.resample_width = frame->width;
    ist.resample_height = frame->height;
    ist.resample_pix_fmt = frame->format;
    if (ist.reinit_filters) reconfigure_graphs_of(ist);
  }

  if (!frame->sample_aspect_ratio.num) frame->sample_aspect_ratio = ist.st->sample_aspect_ratio;
  std::unique_lock graph_lock(FGraphLock);
  const int ret = PushToFilters(ist, frame);
  graph_lock.unlock();
  if (ret < 0) RaiseError(error_code_text(ret, "Failed to inject frame into filter network"));
  return 0;
}

int TCustomFFmpeg::end_filter_inputs(TInputStream& ist) {
  for (TInputFilter* filter : ist.filters) {
    if (!filter->filter) continue;
    int ret = 0;
    {
      std::lock_guard graph_lock(FGraphLock);
      ret = ff::av_buffersrc_add_frame_flags(filter->filter, nullptr, 0);
    }
    if (ret == AVERROR_EOF) ret = 0;
    if (ret < 0) return ret;
  }
  return 0;
}

}  // namespace zentrova

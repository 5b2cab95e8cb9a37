// Subtitles: decoding (with -fix_sub_duration), re-encoding for subtitle
// outputs, and the canvas that lets bitmap subtitles feed a video filter
// graph (e.g. "[0:v][0:s]overlay").
#include <fmt/format.h>
#include <algorithm>
#include <cstring>
#include <utility>

#include "engine/custom_ffmpeg.h"
#include "log/logger.h"
#include "media/time_base.h"

namespace zentrova {
namespace {

constexpr AVRational kMilliseconds{1, 1000};

// A blank (transparent) BGRA canvas of the stream's size.
bool BlankCanvas(TInputStream& ist) {
  AVFrame* frame = ist.sub2video.frame.get();
  ff::av_frame_unref(frame);
  const AVCodecContext* dec = ist.dec_ctx.get();
  frame->width = dec && dec->width ? dec->width : ist.sub2video.w;
  frame->height = dec && dec->height ? dec->height : ist.sub2video.h;
  frame->format = AV_PIX_FMT_RGB32;
  if (ff::av_frame_get_buffer(frame, 32) < 0) return false;
  std::memset(frame->data[0], 0, static_cast<std::size_t>(frame->height) * frame->linesize[0]);
  return true;
}

// Draws one bitmap rectangle; one partly outside the canvas is skipped.
void DrawRect(AVFrame* canvas, const AVSubtitleRect& r) {
  if (r.type != SUBTITLE_BITMAP) {
    Log(TLogLevel::llWarning, "sub2video: non-bitmap subtitle");
    return;
  }
  if (r.x < 0 || r.x + r.w > canvas->width || r.y < 0 || r.y + r.h > canvas->height) {
    Log(TLogLevel::llWarning, fmt::format("sub2video: rectangle ({} {} {} {}) overflowing {} {}", r.x, r.y,
                                          r.w, r.h, canvas->width, canvas->height));
    return;
  }
  const auto* palette = reinterpret_cast<const std::uint32_t*>(r.data[1]);
  for (int y = 0; y < r.h; ++y) {
    const std::uint8_t* src = r.data[0] + static_cast<std::ptrdiff_t>(y) * r.linesize[0];
    auto* dst = reinterpret_cast<std::uint32_t*>(canvas->data[0] +
                                                 static_cast<std::ptrdiff_t>(r.y + y) * canvas->linesize[0]) +
                r.x;
    for (int x = 0; x < r.w; ++x) dst[x] = palette && src[x] < r.nb_colors ? palette[src[x]] : 0;
  }
}

}  // namespace

void TCustomFFmpeg::sub2video_push_ref(TInputStream& ist, std::int64_t pts) {
  AVFrame* frame = ist.sub2video.frame.get();
  if (!frame || !frame->data[0]) return;
  ist.sub2video.last_pts = frame->pts = pts;
  for (TInputFilter* filter : ist.filters) {
    if (!filter->filter) continue;
    std::unique_lock graph_lock(FGraphLock);
    const int ret = ff::av_buffersrc_add_frame_flags(filter->filter, frame,
                                                     AV_BUFFERSRC_FLAG_KEEP_REF | AV_BUFFERSRC_FLAG_PUSH);
    graph_lock.unlock();
    if (ret < 0 && ret != AVERROR_EOF)
      Log(TLogLevel::llWarning, error_code_text(ret, "Error while add the frame to buffer source"));
  }
}

void TCustomFFmpeg::sub2video_update(TInputStream& ist, const AVSubtitle* sub) {
  AVFrame* frame = ist.sub2video.frame.get();
  if (!frame) return;
  std::int64_t pts = 0;
  std::int64_t end_pts = 0;
  if (sub) {
    pts = ff::av_rescale_q(sub->pts + sub->start_display_time * 1000LL, kMicroseconds, ist.st->time_base);
    end_pts = ff::av_rescale_q(sub->pts + sub->end_display_time * 1000LL, kMicroseconds, ist.st->time_base);
  } else {
    pts = ist.sub2video.end_pts;
    end_pts = INT64_MAX;
  }
  if (!BlankCanvas(ist)) {
    Log(TLogLevel::llError, "Impossible to get a blank canvas.");
    return;
  }
  if (sub)
    for (unsigned i = 0; i < sub->num_rects; ++i) DrawRect(frame, *sub->rects[i]);
  sub2video_push_ref(ist, pts);
  ist.sub2video.end_pts = end_pts;
}

void TCustomFFmpeg::sub2video_heartbeat(TInputStream& ist, std::int64_t pts) {
  if (pts == AV_NOPTS_VALUE) return;
  const TInputFile& f = *Finput_files[static_cast<std::size_t>(ist.file_index)];
  // Keep every canvas of the file moving with the other streams' time, so
  // that an overlay never waits for a subtitle that is not coming.
  for (int i = 0; i < f.nb_streams; ++i) {
    TInputStream& other = *Finput_streams[static_cast<std::size_t>(f.ist_index + i)];
    if (!other.sub2video.frame) continue;
    const std::int64_t pts2 = ff::av_rescale_q(pts, ist.st->time_base, other.st->time_base) - 1;
    if (pts2 <= other.sub2video.last_pts) continue;
    if (pts2 >= other.sub2video.end_pts || !other.sub2video.frame->data[0]) sub2video_update(other, nullptr);
    unsigned requests = 0;
    {
      std::lock_guard graph_lock(FGraphLock);
      for (TInputFilter* filter : other.filters)
        if (filter->filter) requests += ff::av_buffersrc_get_nb_failed_requests(filter->filter);
    }
    if (requests) sub2video_push_ref(other, pts2);
  }
}

void TCustomFFmpeg::sub2video_flush(TInputStream& ist) {
  if (!ist.sub2video.frame) return;
  if (ist.sub2video.end_pts < INT64_MAX) sub2video_update(ist, nullptr);
  end_filter_inputs(ist);
}

int TCustomFFmpeg::decode_subtitle_packet(TInputStream& ist, const AVPacket* pkt, bool& got_output) {
  AVPacketPtr empty;
  AVPacket* packet = const_cast<AVPacket*>(pkt);
  if (!packet) {
    empty = MakePacket();
    packet = empty.get();
  }
  AVSubtitle subtitle{};
  int got = 0;
  int ret = ff::avcodec_decode_subtitle2(ist.dec_ctx.get(), &subtitle, &got, packet);
  count_decode_result(nullptr, got != 0, "subtitle", ret, nullptr);
  if (ret < 0 || !got) {
    if (!pkt) sub2video_flush(ist);
    return ret;
  }

  if (ist.fix_sub_duration) {
    // A subtitle is held back until the next one shows when it must end.
    int end = 1;
    TISprev_sub& prev = ist.prev_sub;
    if (prev.got_output) {
      end = static_cast<int>(ff::av_rescale(subtitle.pts - prev.subtitle.pts, 1000, AV_TIME_BASE));
      if (end < static_cast<int>(prev.subtitle.end_display_time)) {
        Log(TLogLevel::llDebug,
            fmt::format("Subtitle duration reduced from {} to {}{}", prev.subtitle.end_display_time, end,
                        end <= 0 ? ", dropping it" : ""));
        prev.subtitle.end_display_time = static_cast<std::uint32_t>(std::max(end, 0));
      }
    }
    std::swap(got, prev.got_output);
    std::swap(ret, prev.ret);
    std::swap(subtitle, prev.subtitle);
    if (end <= 0) {
      ff::avsubtitle_free(&subtitle);
      return ret;
    }
  }
  got_output = got != 0;
  if (!got) return ret;

  sub2video_update(ist, &subtitle);
  if (subtitle.num_rects) {
    ist.frames_decoded++;
    for (int i = Fost_from_idx; i <= Fost_to_idx; ++i) {
      TOutputStream& ost = *Foutput_streams[static_cast<std::size_t>(i)];
      if (!stream_accepts_input(ist, ost) || !ost.encoding_needed || !ost.enc ||
          ost.enc->type != AVMEDIA_TYPE_SUBTITLE)
        continue;
      encode_subtitle(Foutput_files[static_cast<std::size_t>(ost.file_index)]->ctx.get(), ost, &subtitle,
                      ist);
    }
  }
  ff::avsubtitle_free(&subtitle);
  return ret;
}

void TCustomFFmpeg::encode_subtitle(AVFormatContext* s, TOutputStream& ost, AVSubtitle* sub, TInputStream&) {
  if (sub->pts == AV_NOPTS_VALUE) {
    if (Fexit_on_error) RaiseError("Subtitle packets must have a pts");
    Log(TLogLevel::llError, "Subtitle packets must have a pts");
    return;
  }
  constexpr int kSubtitleOutSize = 1024 * 1024;
  if (Fsubtitle_out.empty()) {
    try {
      Fsubtitle_out.resize(kSubtitleOutSize);
    } catch (const std::bad_alloc&) {
      RaiseError("Failed to allocate subtitle_out");
    }
  }
  AVCodecContext* enc = ost.enc_ctx.get();
  const bool dvb = enc->codec_id == AV_CODEC_ID_DVB_SUBTITLE;
  const int packets = dvb ? 2 : 1;  // DVB: the second packet clears the display
  const TOutputFile& of = *Foutput_files[static_cast<std::size_t>(ost.file_index)];
  std::int64_t pts = sub->pts;
  if (of.start_time != AV_NOPTS_VALUE) pts -= of.start_time;
  for (int i = 0; i < packets; ++i) {
    const unsigned num_rects = sub->num_rects;
    ost.sync_opts = ff::av_rescale_q(pts, kMicroseconds, enc->time_base);
    if (!within_recording_time(ost)) return;
    sub->pts = pts + ff::av_rescale_q(sub->start_display_time, kMilliseconds, kMicroseconds);
    sub->end_display_time -= sub->start_display_time;
    sub->start_display_time = 0;
    if (i == 1) sub->num_rects = 0;
    ost.frames_encoded++;
    const int size = ff::avcodec_encode_subtitle(enc, Fsubtitle_out.data(), kSubtitleOutSize, sub);
    if (i == 1) sub->num_rects = num_rects;
    if (size < 0) RaiseError("Subtitle encoding failed");
    AVPacketPtr pkt = MakePacket();
    if (ff::av_new_packet(pkt.get(), size) < 0) RaiseError("Failed to allocate subtitle_out");
    std::memcpy(pkt->data, Fsubtitle_out.data(), static_cast<std::size_t>(size));
    pkt->pts = ff::av_rescale_q(sub->pts, kMicroseconds, ost.st->time_base);
    pkt->duration = ff::av_rescale_q(sub->end_display_time, kMilliseconds, ost.st->time_base);
    if (dvb)
      pkt->pts += 90 * static_cast<std::int64_t>(i == 0 ? sub->start_display_time : sub->end_display_time);
    pkt->dts = pkt->pts;
    mux_packet(s, pkt.get(), ost);
  }
}

}  // namespace zentrova

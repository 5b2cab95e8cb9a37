// Encoding: frames into the encoders (send/receive, every packet out),
// audio frames, the final drain of every encoder, two-pass logs and the
// video statistics file.
#include <fmt/format.h>
#include <cmath>
#include <cstdio>

#include "engine/custom_ffmpeg.h"
#include "engine/transcode/mux_timestamps.h"
#include "options/time_text.h"
#include "log/logger.h"

namespace zentrova {

int TCustomFFmpeg::encode_frame(AVFormatContext* s, TOutputStream& ost, const AVFrame* frame,
                                const char* what) {
  AVCodecContext* enc = ost.enc_ctx.get();
  const bool video = enc->codec_type == AVMEDIA_TYPE_VIDEO;
  auto fail = [&](int ret) {
    if (!frame) RaiseErrorFmt("{} encoding failed: {}", what, error_code_text(ret));
    RaiseError(video ? "Video encoding failed" : "Audio encoding failed (avcodec_encode_audio2)");
  };
  int sent = ff::avcodec_send_frame(enc, frame);
  if (sent == AVERROR_EOF && !frame) sent = 0;  // already drained
  if (sent < 0 && sent != AVERROR(EAGAIN)) fail(sent);

  AVPacketPtr packet = MakePacket();
  AVPacket* pkt = packet.get();
  int last_size = 0;
  for (;;) {
    const int ret = ff::avcodec_receive_packet(enc, pkt);
    if (ret == AVERROR(EAGAIN)) {
      if (sent != AVERROR(EAGAIN)) break;
      sent = ff::avcodec_send_frame(enc, frame);  // room made: the frame goes in now
      if (sent < 0 && sent != AVERROR(EAGAIN)) fail(sent);
      if (sent == AVERROR(EAGAIN)) fail(AVERROR_BUG);
      continue;
    }
    if (ret == AVERROR_EOF) break;
    if (ret < 0) fail(ret);
    if (ost.logfile && enc->stats_out) std::fputs(enc->stats_out, ost.logfile.get());
    if (ost.finished.muxer) {
      ff::av_packet_unref(pkt);
      continue;
    }
    if (Fdebug_ts)
      Log(TLogLevel::llInfo,
          fmt::format("encoder -> type:{} pkt_pts:{} pkt_pts_time:{} pkt_dts:{} pkt_dts_time:{}", what,
                      ts_text(pkt->pts), ts_time_text(pkt->pts, enc->time_base), ts_text(pkt->dts),
                      ts_time_text(pkt->dts, enc->time_base)));
    if (video && pkt->pts == AV_NOPTS_VALUE && !(enc->codec->capabilities & AV_CODEC_CAP_DELAY))
      pkt->pts = ost.sync_opts;
    ff::av_packet_rescale_ts(pkt, enc->time_base, ost.st->time_base);
    if (FJoinMode) KeepDtsIncreasing(pkt->pts, pkt->dts, ost.last_dts);
    last_size = pkt->size;
    mux_packet(s, pkt, ost);
    if (video && !Fvstats_filename.empty()) write_video_stats(ost, last_size);
  }
  return last_size;
}

void TCustomFFmpeg::encode_audio_frame(AVFormatContext* s, TOutputStream& ost, AVFrame* frame) {
  AVCodecContext* enc = ost.enc_ctx.get();
  if (!within_recording_time(ost)) return;
  if (frame->pts == AV_NOPTS_VALUE || Faudio_sync_method < 0) frame->pts = ost.sync_opts;
  ost.sync_opts = frame->pts + frame->nb_samples;
  ost.samples_encoded += frame->nb_samples;
  ost.frames_encoded++;
  if (AudioHookAssigned())
    output_audio_hook(ost, frame, ff::av_rescale_q(frame->pts, enc->time_base, AVRational{1, AV_TIME_BASE}));
  if (Fdebug_ts)
    Log(TLogLevel::llInfo, fmt::format("encoder <- type:audio frame_pts:{} frame_pts_time:{} time_base:{}/{}",
                                       ts_text(frame->pts), ts_time_text(frame->pts, enc->time_base),
                                       enc->time_base.num, enc->time_base.den));
  encode_frame(s, ost, frame, "audio");
}

void TCustomFFmpeg::flush_stream_encoders() {
  for (int i = Fost_from_idx; i <= Fost_to_idx; ++i) {
    TOutputStream& ost = *Foutput_streams[static_cast<std::size_t>(i)];
    if (ost.encoder_flushed) continue;
    ost.encoder_flushed = 1;
    if (!ost.encoding_needed || !ost.is_avcodec_opened) continue;
    const AVCodecContext* enc = ost.enc_ctx.get();
    if (enc->codec_type == AVMEDIA_TYPE_AUDIO && enc->frame_size <= 1) continue;
    if (enc->codec_type != AVMEDIA_TYPE_VIDEO && enc->codec_type != AVMEDIA_TYPE_AUDIO) continue;
    encode_frame(Foutput_files[static_cast<std::size_t>(ost.file_index)]->ctx.get(), ost, nullptr,
                 enc->codec_type == AVMEDIA_TYPE_VIDEO ? "video" : "audio");
  }
  // Bitstream filters give up what they hold.
  for (int i = Fost_from_idx; i <= Fost_to_idx; ++i) {
    TOutputStream& ost = *Foutput_streams[static_cast<std::size_t>(i)];
    if (ost.bitstream_filters->empty() || ost.finished.muxer) continue;
    filter_packet(Foutput_files[static_cast<std::size_t>(ost.file_index)]->ctx.get(), nullptr, ost);
  }
}

void TCustomFFmpeg::write_video_stats(TOutputStream& ost, int frame_size) {
  if (!Fvstats_file) {
    Fvstats_file.reset(std::fopen(Fvstats_filename.c_str(), "w"));
    if (!Fvstats_file) RaiseError("fopen() failed: " + Fvstats_filename);
  }
  const AVCodecContext* enc = ost.enc_ctx.get();
  if (enc->codec_type != AVMEDIA_TYPE_VIDEO) return;
  std::string line = fmt::format("frame= {:5d} q= {:2.1f} ", ost.frames_encoded, ost.quality / 118.0);
  if (ost.error[0] >= 0 && (enc->flags & AV_CODEC_FLAG_PSNR))
    line += fmt::format("PSNR= {:6.2f} ", -10.0 * std::log10(static_cast<double>(ost.error[0]) /
                                                             (enc->width * enc->height * 255.0 * 255.0)));
  line += fmt::format("f_size= {:6d} ", frame_size);
  const std::int64_t end_pts = ff::av_rescale_q(ost.sync_opts, enc->time_base, ost.st->time_base);
  const double t = std::max(static_cast<double>(end_pts) * av_q2d(ost.st->time_base), 0.01);
  const double bitrate = frame_size * 8 / av_q2d(enc->time_base) / 1000.0;
  const double avg_bitrate = static_cast<double>(ost.data_size) * 8 / t / 1000.0;
  line += fmt::format("s_size= {:8.0f}kB time= {:0.3f} br= {:7.1f}kbits/s avg_br= {:7.1f}kbits/s ",
                      static_cast<double>(ost.data_size) / 1024, t, bitrate, avg_bitrate);
  line += fmt::format("type= {}\n", ff::av_get_picture_type_char(static_cast<AVPictureType>(ost.pict_type)));
  std::fputs(line.c_str(), Fvstats_file.get());
}

}  // namespace zentrova

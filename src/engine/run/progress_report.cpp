// report_progress: the status line, the progress target (-progress) and the
// progress event of a running task (run's thread).
//
// Reports are rate-limited to one per `FReportInterval`; the last report
// comes anyway (file index -1) and ends with the final statistics.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <fmt/format.h>
#include <string>

#include "engine/run/ffmpeg_task.h"
#include "engine/open/input_file.h"
#include "engine/open/output_file.h"
#include "engine/open/output_stream.h"
#include "log/logger.h"
#include "media/error_text.h"
#include "media/time_base.h"

namespace zentrova {

namespace {

constexpr std::int64_t kNoEndPts = INT64_MIN + 1;  // no stream has written anything yet
constexpr std::size_t kMaxLineLength = 1023;

double Psnr(double d) {
  return -10.0 * std::log10(d);
}

// Size of what the first output file holds so far; -1 when unknown.
std::int64_t WrittenSize(const TOutputFile* of) {
  AVIOContext* pb = of && of->ctx ? of->ctx->pb : nullptr;
  if (!pb) return -1;
  std::int64_t total = ff::avio_size(pb);
  if (total <= 0) total = ff::avio_seek(pb, 0, SEEK_CUR);
  return total;
}

// The "size= time= bitrate=" part of the line and the progress text.
void AppendSizeAndTime(std::string& line, std::string& text, std::int64_t total, std::int64_t pts,
                       double bitrate) {
  line += total < 0 ? std::string("size=N/A time=") : fmt::format("size={:8.0f}kB time=", total / 1024.0);
  if (pts == kNoEndPts) {
    line += "N/A ";
    text += "out_time_ms=N/A\nout_time=N/A\n";
  } else {
    const std::int64_t magnitude = std::llabs(pts);
    const std::int64_t us = magnitude % AV_TIME_BASE;
    std::int64_t secs = magnitude / AV_TIME_BASE;
    std::int64_t mins = secs / 60;
    secs %= 60;
    const std::int64_t hours = mins / 60;
    mins %= 60;
    if (pts < 0) line += "-";
    line += fmt::format("{:02}:{:02}:{:02}.{:03} ", hours, mins, secs, us / 1000);
    text += fmt::format("out_time_ms={}\nout_time={}{:02}:{:02}:{:02}.{:06}\n", pts, pts < 0 ? "-" : "",
                        hours, mins, secs, us);
  }
  if (bitrate < 0) {
    line += "bitrate=N/A";
    text += "bitrate=N/A\n";
  } else {
    line += fmt::format("bitrate={:6.1f}kbits/s", bitrate);
    text += fmt::format("bitrate={:6.1f}kbits/s\n", bitrate);
  }
  text += total < 0 ? std::string("total_size=N/A\n") : fmt::format("total_size={}\n", total);
}

}  // namespace

void TFFmpegTask::report_progress(int file_index, bool is_last, std::int64_t cur_time,
                                  std::int64_t timer_start) {
  if (!Fprint_stats && !is_last && !Fprogress_avio && !OnProgress) return;
  if (!is_last) {
    if (Flast_time == -1) {
      Flast_time = cur_time;
      return;
    }
    if (cur_time - Flast_time < FReportInterval) return;
    Flast_time = cur_time;
  }
  const float t = static_cast<float>(cur_time - timer_start) / 1000000.0f;
  const std::int64_t total = WrittenSize(Foutput_files.empty() ? nullptr : Foutput_files.front().get());

  // The streams this report covers: in join mode those of one input's block.
  int first = 0;
  int last = static_cast<int>(Foutput_streams.size()) - 1;
  if (FJoinMode && Fnb_output_streams_join > 0) {
    const int n = file_index < 0 ? static_cast<int>(Finput_files.size()) - 1 : file_index;
    first = n * Fnb_output_streams_join;
    last = std::min(last, (n + 1) * Fnb_output_streams_join - 1);
  }

  std::string line;
  std::string text;
  int frame_number = -1;
  float fps = -1;
  float q = -1;
  std::int64_t current_duration = 0;
  std::int64_t pts = kNoEndPts;
  bool video_reported = false;
  for (int i = first; i <= last; ++i) {
    TOutputStream& ost = *Foutput_streams[static_cast<std::size_t>(i)];
    const AVCodecContext* enc = ost.enc_ctx.get();
    const bool video = ost.st && ost.st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
    q = ost.stream_copy ? -1.0f : static_cast<float>(ost.quality) / FF_QP2LAMBDA;
    if (video_reported && video) {
      line += fmt::format("q={:2.1f} ", q);
      text += fmt::format("stream_{}_{}_q={:.1f}\n", ost.file_index, ost.index, q);
    }
    if (!video_reported && video && !ost.not_show_fps) {
      if (ost.frame_number < 1) continue;
      frame_number = ost.frame_number;
      fps = t > 1 ? static_cast<float>(frame_number) / t : 0.0f;
      line += fmt::format("frame={:5} fps={:3.{}f} q={:3.1f} ", frame_number, fps, fps < 9.95f ? 1 : 0, q);
      text += fmt::format("frame={}\nfps={:.1f}\nstream_{}_{}_q={:.1f}\n", frame_number, fps, ost.file_index,
                          ost.index, q);
      if (is_last) line += "L";
      if (Fqp_hist) {
        const long j = std::lround(q);
        if (j >= 0 && j < 52) ++Fqp_histogram[j];
        for (int k = 0; k < 32; ++k)
          line += fmt::format("{:X}", std::bit_width(static_cast<unsigned>(Fqp_histogram[k]) + 1u) - 1);
      }
      if (enc && (enc->flags & AV_CODEC_FLAG_PSNR) && (ost.pict_type || is_last)) {
        static constexpr char kPlanes[] = "YUV";
        static constexpr char kPlaneNames[] = "yuv";
        double error_sum = 0;
        double scale_sum = 0;
        line += "PSNR=";
        for (int j = 0; j < 3; ++j) {
          const double error = static_cast<double>(is_last ? enc->error[j] : ost.error[j]);
          double scale = static_cast<double>(enc->width) * enc->height * 255.0 * 255.0;
          if (is_last) scale *= frame_number;
          if (j) scale /= 4;
          error_sum += error;
          scale_sum += scale;
          const double p = Psnr(error / scale);
          line += fmt::format("{}:{:2.2f} ", kPlanes[j], p);
          text += fmt::format("stream_{}_{}_psnr_{}={:2.2f}\n", ost.file_index, ost.index, kPlaneNames[j], p);
        }
        const double p = Psnr(error_sum / scale_sum);
        line += fmt::format("*:{:2.2f} ", p);
        text += fmt::format("stream_{}_{}_psnr_all={:2.2f}\n", ost.file_index, ost.index, p);
      }
      video_reported = true;
    }
    if (ost.st) {
      const std::int64_t end = ff::av_stream_get_end_pts(ost.st);
      if (end != AV_NOPTS_VALUE) {
        pts = std::max(pts, ff::av_rescale_q(end, ost.st->time_base, kMicroseconds));
        current_duration = pts;
      }
    }
    if (is_last) Fnb_frames_drop += ost.last_dropped;
  }

  // Before anything was written there is no time: no bit rate, no speed.
  const bool timed = pts != kNoEndPts;
  const double bitrate =
      timed && pts != 0 && total >= 0 ? total * 8.0 / (static_cast<double>(pts) / 1000.0) : -1;
  const double speed = timed && t != 0 ? static_cast<double>(pts) / 1000000.0 / t : -1;
  AppendSizeAndTime(line, text, total, pts, bitrate);
  if (Fnb_frames_dup || Fnb_frames_drop) {
    line += fmt::format(" dup={} drop={}", Fnb_frames_dup, Fnb_frames_drop);
    if (FShowDupOrDrop && OnProgress) {
      FShowDupOrDrop = false;
      Log(TLogLevel::llInfo, line.substr(0, kMaxLineLength));
    }
  }
  text += fmt::format("dup_frames={}\ndrop_frames={}\n", Fnb_frames_dup, Fnb_frames_drop);
  if (speed < 0) {
    line += " speed=N/A";
    text += "speed=N/A\n";
  } else {
    line += fmt::format(" speed={:4.3g}x", speed);
    text += fmt::format("speed={:4.3g}x\n", speed);
  }
  if (line.size() > kMaxLineLength) line.resize(kMaxLineLength);

  if (OnProgress)
    OnProgress(this, is_last ? -1 : file_index, frame_number, static_cast<int>(std::lround(fps)), q,
               static_cast<float>(bitrate), std::max<std::int64_t>(total, 0), current_duration,
               FOutputDuration);
  if ((Fprint_stats && !OnProgress) || is_last) Log(TLogLevel::llInfo, line);
  if (Fprogress_avio) WriteProgressTarget(text, is_last);
  if (is_last) log_final_statistics(total);
}

void TFFmpegTask::WriteProgressTarget(const std::string& text, bool is_last) {
  const std::string block = text + (is_last ? "progress=end\n" : "progress=continue\n");
  ff::avio_write(Fprogress_avio.get(), reinterpret_cast<const unsigned char*>(block.data()),
                 static_cast<int>(block.size()));
  ff::avio_flush(Fprogress_avio.get());
  if (!is_last) return;
  AVIOContext* target = Fprogress_avio.release();
  const int ret = ff::avio_closep(&target);
  if (ret < 0)
    Log(TLogLevel::llError, error_code_text(ret, "Error closing progress log, loss of information possible"));
}

}  // namespace zentrova

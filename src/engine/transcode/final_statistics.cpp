// log_final_statistics: what the run read, decoded, encoded and wrote.
#include <fmt/format.h>

#include "engine/custom_ffmpeg.h"
#include "log/logger.h"
#include "options/media_text.h"

namespace zentrova {

void TCustomFFmpeg::log_final_statistics(std::int64_t total_size) {
  std::int64_t video = 0, audio = 0, subtitle = 0, other = 0, headers = 0, data = 0;
  bool pass1_only = true;
  for (const std::unique_ptr<TOutputStream>& ost : Foutput_streams) {
    const AVMediaType type = ost->enc_ctx ? ost->enc_ctx->codec_type : ost->st->codecpar->codec_type;
    switch (type) {
      case AVMEDIA_TYPE_VIDEO:
        video += ost->data_size;
        break;
      case AVMEDIA_TYPE_AUDIO:
        audio += ost->data_size;
        break;
      case AVMEDIA_TYPE_SUBTITLE:
        subtitle += ost->data_size;
        break;
      default:
        other += ost->data_size;
        break;
    }
    data += ost->data_size;
    if (ost->enc_ctx) {
      headers += ost->enc_ctx->extradata_size;
      if ((ost->enc_ctx->flags & (AV_CODEC_FLAG_PASS1 | AV_CODEC_FLAG_PASS2)) != AV_CODEC_FLAG_PASS1)
        pass1_only = false;
    } else {
      pass1_only = false;
    }
  }
  std::string overhead = "unknown";
  if (data && total_size > 0 && total_size >= data)
    overhead =
        fmt::format("{:.2f}%", 100.0 * static_cast<double>(total_size - data) / static_cast<double>(data));
  Log(TLogLevel::llInfo, fmt::format("video:{:1.0f}kB audio:{:1.0f}kB subtitle:{:1.0f}kB other "
                                     "streams:{:1.0f}kB global headers:{:1.0f}kB "
                                     "muxing overhead: {}",
                                     video / 1024.0, audio / 1024.0, subtitle / 1024.0, other / 1024.0,
                                     headers / 1024.0, overhead));

  for (std::size_t i = 0; i < Finput_files.size(); ++i) {
    const TInputFile& f = *Finput_files[i];
    Log(TLogLevel::llVerbose, fmt::format("Input file #{} ({}):", i, f.ctx->url ? f.ctx->url : ""));
    std::int64_t packets = 0, bytes = 0;
    for (int j = 0; j < f.nb_streams; ++j) {
      const TInputStream& ist = *Finput_streams[static_cast<std::size_t>(f.ist_index + j)];
      const AVMediaType type = ist.st->codecpar->codec_type;
      std::string line = fmt::format("  Input stream #{}:{} ({}): {} packets read ({} bytes); ", i, j,
                                     media_type_text(type), ist.nb_packets, ist.data_size);
      if (ist.decoding_needed) {
        line += fmt::format("{} frames decoded", ist.frames_decoded);
        if (type == AVMEDIA_TYPE_AUDIO) line += fmt::format(" ({} samples)", ist.samples_decoded);
        line += "; ";
      }
      Log(TLogLevel::llVerbose, line);
      packets += ist.nb_packets;
      bytes += ist.data_size;
    }
    Log(TLogLevel::llVerbose, fmt::format("  Total: {} packets ({} bytes) demuxed", packets, bytes));
  }
  for (std::size_t i = 0; i < Foutput_files.size(); ++i) {
    const TOutputFile& of = *Foutput_files[i];
    Log(TLogLevel::llVerbose, fmt::format("Output file #{} ({}):", i, of.ctx->url ? of.ctx->url : ""));
    std::int64_t packets = 0, bytes = 0;
    for (unsigned j = 0; j < of.ctx->nb_streams; ++j) {
      const TOutputStream& ost = *Foutput_streams[static_cast<std::size_t>(of.ost_index) + j];
      const AVMediaType type = ost.st->codecpar->codec_type;
      std::string line = fmt::format("  Output stream #{}:{} ({}): ", i, j, media_type_text(type));
      if (ost.encoding_needed) {
        line += fmt::format("{} frames encoded", ost.frames_encoded);
        if (type == AVMEDIA_TYPE_AUDIO) line += fmt::format(" ({} samples)", ost.samples_encoded);
        line += "; ";
      }
      line += fmt::format("{} packets muxed ({} bytes); ", ost.packets_written, ost.data_size);
      Log(TLogLevel::llVerbose, line);
      packets += ost.packets_written;
      bytes += ost.data_size;
    }
    Log(TLogLevel::llVerbose, fmt::format("  Total: {} packets ({} bytes) muxed", packets, bytes));
    if (FJoinMode) break;
  }
  if (video + data + audio + subtitle + headers == 0) {
    std::string text = "Output file is empty, nothing was encoded";
    if (!pass1_only) text += " (check -ss / -t / -frames parameters if used)";
    Log(TLogLevel::llWarning, text);
  }
  Log(TLogLevel::llInfo, fmt::format("{} frames successfully decoded, {} decoding errors",
                                     Fdecode_error_stat[0], Fdecode_error_stat[1]));
}

}  // namespace zentrova

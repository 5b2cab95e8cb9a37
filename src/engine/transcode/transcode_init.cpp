// transcode_init: from opened files to a running pipeline (run once per task).
#include <fmt/format.h>
#include <string>
#include <vector>

#include "engine/custom_ffmpeg.h"
#include "log/logger.h"
#include "log/plain_text.h"
#include "options/file_name_text.h"
#include "options/media_text.h"

namespace zentrova {
namespace {

constexpr const char* kSeeLog =
    "Please check error log message(reported by ZOVuzodi) to find out more detail information.";

}  // namespace

bool TCustomFFmpeg::PrepareTranscode() {
  std::lock_guard guard(prepare_mutex_);
  if (FTranscodeInitialized) return true;
  if (FOutputDuration < 0) FOutputDuration = FInputDuration;
  FLastErrMsg.clear();
  try {
    const int ret = transcode_init();
    if (ret < 0) {
      if (FLastErrMsg.empty())
        FLastErrMsg = fmt::format("{}. {}", error_code_text(ret, "transcode_init() error"), kSeeLog);
      ReleaseTranscodeState();
      return false;
    }
  } catch (const std::exception& e) {
    FLastErrMsg = e.what();
    ReleaseTranscodeState();
    return false;
  }
  FTranscodeInitialized = true;
  FTranscodeCleanuped = false;
  return true;
}

int TCustomFFmpeg::transcode_init() {
  int ret = 0;
  std::string error;

  // A graph with one input feeds its outputs from that input's stream.
  for (const std::unique_ptr<TFilterGraph>& fg : Ffiltergraphs) {
    if (fg->inputs.size() != 1) continue;
    for (const std::unique_ptr<TOutputFilter>& ofilter : fg->outputs) {
      TOutputStream* ost = ofilter->ost;
      if (!ost || ost->source_index >= 0) continue;
      for (int k = static_cast<int>(Finput_streams.size()) - 1; k >= 0; --k) {
        if (Finput_streams[static_cast<std::size_t>(k)].get() == fg->inputs[0]->ist) {
          ost->source_index = k;
          break;
        }
      }
    }
  }

  // The parameters of every output stream.
  for (const std::unique_ptr<TOutputStream>& ost : Foutput_streams) {
    TInitStep step = init_output_stream_params(*ost);
    if (step.ret >= 0) continue;
    if (step.at_once) return step.ret;
    ret = step.ret;
    error = std::move(step.msg);
    break;
  }

  // Decoders, then encoders.
  if (ret >= 0) {
    for (std::size_t i = 0; i < Finput_streams.size(); ++i) {
      ret = open_decoder(static_cast<int>(i), error);
      if (ret < 0) break;
    }
  }
  if (ret >= 0) {
    for (std::size_t i = 0; i < Foutput_streams.size(); ++i) {
      TOutputStream& ost = *Foutput_streams[i];
      if (FJoinMode && ost.encoding_needed && static_cast<int>(i) >= Fnb_output_streams_join) continue;
      ret = open_encoder(ost, error);
      if (ret < 0) break;
    }
  }

  // Programs without a used stream are not demuxed.
  if (ret >= 0) {
    for (const std::unique_ptr<TInputFile>& f : Finput_files) {
      AVFormatContext* ic = f->ctx.get();
      for (unsigned p = 0; p < ic->nb_programs; ++p) {
        AVProgram* program = ic->programs[p];
        AVDiscard discard = AVDISCARD_ALL;
        for (unsigned k = 0; k < program->nb_stream_indexes; ++k) {
          const std::size_t index = static_cast<std::size_t>(f->ist_index) + program->stream_index[k];
          if (index < Finput_streams.size() && !Finput_streams[index]->discard) {
            discard = AVDISCARD_DEFAULT;
            break;
          }
        }
        program->discard = discard;
      }
    }
  }

  // Headers.
  if (ret >= 0) {
    for (std::size_t i = 0; i < Foutput_files.size(); ++i) {
      AVFormatContext* oc = Foutput_files[i]->ctx.get();
      oc->interrupt_callback = FWriteCallback;
      if (!OpenOutputWriter(*Foutput_files[i])) {
        error = FLastErrMsg;
        ret = AVERROR(EINVAL);
        break;
      }
      FLastWrite = ff::av_gettime_relative();
      const int written = ff::avformat_write_header(oc, InOutPtr(Foutput_files[i]->opts));
      if (written < 0) {
        error = error_code_text(
            written,
            fmt::format("Could not write header for output file #{} \"{}\" (incorrect codec parameters ?)", i,
                        displayed_file_name(Foutput_files[i]->target ? Foutput_files[i]->final_url
                                                                     : std::string(oc->url))));
        ret = AVERROR(EINVAL);
        break;
      }
      if (FJoinMode) break;
    }
  }

  bool want_sdp = !Foutput_files.empty();
  for (const std::unique_ptr<TOutputFile>& of : Foutput_files)
    if (std::string_view(of->ctx->oformat->name) != "rtp") want_sdp = false;

  log_stream_mapping();
  if (ret < 0) {
    if (!error.empty()) {
      Log(TLogLevel::llError, error);
      // The step's own words are what the user reads, not the general pointer to the log.
      if (FLastErrMsg.empty()) FLastErrMsg = error;
    }
    return ret;
  }
  if (!Fsdp_filename.empty() || want_sdp) emit_sdp();
  return 0;
}

void TCustomFFmpeg::log_stream_mapping() {
  for (std::size_t i = 0; i < Foutput_files.size(); ++i) {
    AVFormatContext* oc = Foutput_files[i]->ctx.get();
    ff::av_dump_format(oc, static_cast<int>(i), oc->url, 1);
    if (FJoinMode) break;
  }
  Log(TLogLevel::llInfo, "Stream mapping:");
  const bool several_graphs = Ffiltergraphs.size() > 1;
  for (const std::unique_ptr<TInputStream>& ist : Finput_streams) {
    for (const TInputFilter* filter : ist->filters) {
      if (filter->graph->graph_desc.empty()) continue;
      std::string line = fmt::format("  Stream #{}:{} ({}) -> {}", ist->file_index, ist->st->index,
                                     ist->avdec ? ist->avdec->name : "?", filter->name);
      if (several_graphs) line += fmt::format(" (graph {})", filter->graph->index);
      Log(TLogLevel::llInfo, line);
    }
  }
  // "native" when the library's codec carries its codec's own name.
  auto names = [](const AVCodec* codec) -> std::pair<std::string, std::string> {
    if (!codec) return {"?", "?"};
    const AVCodecDescriptor* desc = ff::avcodec_descriptor_get(codec->id);
    std::string codec_name = desc ? desc->name : "?";
    std::string implementation = codec->name;
    if (implementation == codec_name) implementation = "native";
    return {codec_name, implementation};
  };
  for (const std::unique_ptr<TOutputStream>& ost : Foutput_streams) {
    const int file = FJoinMode ? 0 : ost->file_index;
    if (!ost->attachment_filename.empty()) {
      Log(TLogLevel::llInfo,
          fmt::format("  File {} -> Stream #{}:{}", ost->attachment_filename, file, ost->index));
      continue;
    }
    std::string line;
    if (ost->filter && !ost->filter->graph->graph_desc.empty()) {
      line = "  " + ost->filter->name;
      if (several_graphs) line += fmt::format(" (graph {})", ost->filter->graph->index);
      line += fmt::format(" -> Stream #{}:{} ({})", file, ost->index, ost->enc ? ost->enc->name : "?");
    } else if (ost->source_index >= 0) {
      const TInputStream& ist = *Finput_streams[static_cast<std::size_t>(ost->source_index)];
      line = fmt::format("  Stream #{}:{} -> #{}:{}", ist.file_index, ist.st->index, file, ost->index);
      if (ost->sync_ist && ost->sync_ist != &ist)
        line += fmt::format(" [sync #{}:{}]", ost->sync_ist->file_index, ost->sync_ist->st->index);
      if (ost->stream_copy) {
        line += " (copy)";
      } else {
        const auto [in_codec, decoder] = names(ist.avdec);
        const auto [out_codec, encoder] = names(ost->enc);
        line += fmt::format(" ({} ({}) -> {} ({}))", in_codec, decoder, out_codec, encoder);
      }
    } else {
      continue;
    }
    const AVMediaType type = ost->enc_ctx ? ost->enc_ctx->codec_type : ost->st->codecpar->codec_type;
    line += fmt::format(" ({})", media_type_text(type));
    Log(TLogLevel::llInfo, line);
  }
}

void TCustomFFmpeg::emit_sdp() {
  std::vector<AVFormatContext*> contexts;
  for (const std::unique_ptr<TOutputFile>& of : Foutput_files)
    if (std::string_view(of->ctx->oformat->name) == "rtp") contexts.push_back(of->ctx.get());
  if (contexts.empty()) return;
  std::string sdp(16384, '\0');
  ff::av_sdp_create(contexts.data(), static_cast<int>(contexts.size()), sdp.data(),
                    static_cast<int>(sdp.size()));
  sdp.resize(sdp.find('\0'));
  if (Fsdp_filename.empty()) {
    Log(TLogLevel::llInfo, "SDP:\r\n" + std::string(Trim(sdp)));
    return;
  }
  AVIOContextPtr pb;
  if (ff::avio_open2(OutPtr(pb), Fsdp_filename.c_str(), AVIO_FLAG_WRITE, &FWriteCallback, nullptr) < 0) {
    Log(TLogLevel::llError, fmt::format("Failed to open sdp file \"{}\"", Fsdp_filename));
    return;
  }
  const std::string text = "SDP:\n" + sdp;
  ff::avio_write(pb.get(), reinterpret_cast<const unsigned char*>(text.data()),
                 static_cast<int>(text.size()));
  pb.reset();
  Fsdp_filename.clear();
}

}  // namespace zentrova

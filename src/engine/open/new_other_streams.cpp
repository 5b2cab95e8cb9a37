// Audio, subtitle, data, unknown and attachment output streams.
#include <fmt/format.h>

#include "engine/open/new_output_streams.h"

namespace zentrova {

namespace {

void OptionalText(TCustomFFmpegOpt& engine, AVFormatContext* oc, AVStream* st,
                  const TSpecifierList<std::string>& list, std::optional<std::string>& target) {
  std::string text;
  engine.GetStreamValue(oc, st, list, text);
  if (!text.empty()) target = std::move(text);
}

// -map_channel entries for this output stream, in order: a muted channel
// always applies; another only when it names the stream's source.
void BindChannelMap(TCustomFFmpegOpt& engine, const TFileOptionContext& o, TOutputStream& ost) {
  for (const TChannelMapping& map : o.map_channel) {
    if (map.out_file_index != -1 && map.out_file_index != ost.file_index) continue;
    if (map.out_stream_index != -1 && map.out_stream_index != ost.index) continue;
    if (map.channel_index == -1) {
      ost.audio_channels_map.push_back(-1);
      continue;
    }
    const TInputStream* ist = ost.sync_ist;
    if (!ist) {
      engine.Log(TLogLevel::llFatal, fmt::format("Cannot determine input stream for channel mapping {}.{}",
                                                 ost.file_index, ost.index));
      continue;
    }
    if (map.file_index == ist->file_index && map.stream_index == ist->st->index) {
      ost.audio_channels_map.push_back(map.channel_index);
    }
  }
  ost.audio_channels_mapped = static_cast<int>(ost.audio_channels_map.size());
}

}  // namespace

TOutputStream* NewAudioStream(TCustomFFmpegOpt& engine, TFileOptionContext& o, AVFormatContext* oc,
                              int source_index) {
  TOutputStream& ost = *NewOutputStream(engine, o, oc, AVMEDIA_TYPE_AUDIO, source_index);
  AVStream* st = ost.st;
  OptionalText(engine, oc, st, o.filter_script, ost.filters_script);
  OptionalText(engine, oc, st, o.filter, ost.filters);
  if (ost.stream_copy) {
    CheckStreamCopyFilters(engine, AVMEDIA_TYPE_AUDIO, ost);
    return &ost;
  }
  CheckEncoderFitsFormat(engine, oc, ost);
  AVCodecContext* enc = ost.enc_ctx.get();
  int channels = 0;
  engine.GetStreamValue(oc, st, o.ac, channels);
  if (channels > 0) {
    ff::av_channel_layout_uninit(&enc->ch_layout);
    enc->ch_layout.order = AV_CHANNEL_ORDER_UNSPEC;
    enc->ch_layout.nb_channels = channels;
  }
  std::string sample_fmt;
  engine.GetStreamValue(oc, st, o.sample_fmt, sample_fmt);
  if (!sample_fmt.empty()) {
    enc->sample_fmt = ff::av_get_sample_fmt(sample_fmt.c_str());
    if (enc->sample_fmt == AV_SAMPLE_FMT_NONE)
      engine.RaiseErrorFmt("Invalid sample format \"{}\"", sample_fmt);
  }
  engine.GetStreamValue(oc, st, o.ar, enc->sample_rate);
  engine.GetStreamValue(oc, st, o.apad, ost.apad);
  ost.avfilter = get_ost_filters(engine, ost);
  BindChannelMap(engine, o, ost);
  return &ost;
}

TOutputStream* NewSubtitleStream(TCustomFFmpegOpt& engine, TFileOptionContext& o, AVFormatContext* oc,
                                 int source_index) {
  TOutputStream& ost = *NewOutputStream(engine, o, oc, AVMEDIA_TYPE_SUBTITLE, source_index);
  engine.GetStreamValue(oc, ost.st, o.copyinkf, ost.copy_initial_nonkeyframes);
  if (!ost.stream_copy) {
    std::string frame_size;
    engine.GetStreamValue(oc, ost.st, o.s, frame_size);
    AVCodecContext* enc = ost.enc_ctx.get();
    if (!frame_size.empty() && ff::av_parse_video_size(&enc->width, &enc->height, frame_size.c_str()) < 0) {
      engine.RaiseErrorFmt("Invalid frame size: {}.", frame_size);
    }
  }
  return &ost;
}

TOutputStream* NewDataStream(TCustomFFmpegOpt& engine, TFileOptionContext& o, AVFormatContext* oc,
                             int source_index) {
  TOutputStream& ost = *NewOutputStream(engine, o, oc, AVMEDIA_TYPE_DATA, source_index);
  if (!ost.stream_copy) engine.RaiseError("Data stream encoding not supported yet (only streamcopy)");
  return &ost;
}

TOutputStream* NewUnknownStream(TCustomFFmpegOpt& engine, TFileOptionContext& o, AVFormatContext* oc,
                                int source_index) {
  TOutputStream& ost = *NewOutputStream(engine, o, oc, AVMEDIA_TYPE_UNKNOWN, source_index);
  if (!ost.stream_copy) engine.RaiseError("Unknown stream encoding not supported yet (only streamcopy)");
  return &ost;
}

TOutputStream* NewAttachmentStream(TCustomFFmpegOpt& engine, TFileOptionContext& o, AVFormatContext* oc,
                                   int source_index) {
  TOutputStream& ost = *NewOutputStream(engine, o, oc, AVMEDIA_TYPE_ATTACHMENT, source_index);
  ost.stream_copy = 1;
  ost.finished.encoder = true;
  return &ost;
}

std::string get_ost_filters(TCustomFFmpegOpt& engine, TOutputStream& ost) {
  if (ost.filters_script && ost.filters) {
    engine.RaiseErrorFmt("Both -filter and -filter_script set for output stream #{}:{}.",
                         engine.Foutput_files.size(), ost.index);
  }
  if (ost.filters_script) {
    std::optional<std::string> script = engine.ReadTextFile(*ost.filters_script);
    if (!script) engine.RaiseError("get_ost_filters() failed");
    return std::move(*script);
  }
  if (ost.filters) return *ost.filters;
  return ost.st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO ? "null" : "anull";
}

void CheckStreamCopyFilters(TCustomFFmpegOpt& engine, AVMediaType type, const TOutputStream& ost) {
  if (!ost.filters && !ost.filters_script) return;
  const char* type_name = ff::av_get_media_type_string(type);
  engine.RaiseErrorFmt(
      "{} \"{}\" was defined for {} output stream {}:{} but codec copy was selected.\r\n"
      "Filtering and streamcopy cannot be used together.",
      ost.filters ? "Filtergraph" : "Filtergraph script", ost.filters ? *ost.filters : *ost.filters_script,
      type_name ? type_name : "unknown", ost.file_index, ost.index);
}

void InitOutputFilter(TCustomFFmpegOpt& engine, TOutputFilter& ofilter, TFileOptionContext& o,
                      AVFormatContext* oc) {
  TOutputStream* ost = nullptr;
  switch (ofilter.type_) {
    case AVMEDIA_TYPE_VIDEO:
      ost = NewVideoStream(engine, o, oc, -1);
      break;
    case AVMEDIA_TYPE_AUDIO:
      ost = NewAudioStream(engine, o, oc, -1);
      break;
    default:
      engine.RaiseError("Only video and audio filters are supported currently.");
  }
  ost->source_index = -1;
  ost->filter = &ofilter;
  ofilter.ost = ost;
  if (ost->stream_copy) {
    engine.RaiseErrorFmt(
        "Streamcopy requested for output stream {}:{}, which is fed from a complex filtergraph. Filtering "
        "and "
        "streamcopy cannot be used together.",
        ost->file_index, ost->index);
  }
  if (ost->avfilter && (ost->filters || ost->filters_script)) {
    const bool plain = ost->filters.has_value();
    const char* option = plain ? "-vf/-af/-filter" : "-filter_script";
    engine.RaiseErrorFmt(
        "{} \"{}\" was specified through the {} option for output stream {}:{}, which is fed from a complex "
        "filtergraph.\r\n{} and -filter_complex cannot be used together for the same stream.",
        plain ? "Filtergraph" : "Filtergraph script", plain ? *ost->filters : *ost->filters_script, option,
        ost->file_index, ost->index, option);
  }
  ofilter.out_tmp.reset();
}

}  // namespace zentrova

// The sinks of a filter graph and the filters before them: scaling, pixel
// format, channel mapping, audio format, padding and trimming.
#include <fmt/format.h>

#include "engine/filters/filter_args.h"
#include "engine/filters/build_filter_graphs.h"

namespace zentrova {

namespace {

// Lists the encoder's values up to its terminator, joined with '|'.
template <typename T, typename Terminated, typename Text>
std::optional<std::string> JoinList(const T* list, Terminated is_end, Text text) {
  if (!list) return std::nullopt;
  std::string joined;
  for (const T* p = list; !is_end(*p); ++p) {
    if (!joined.empty()) joined += '|';
    joined += text(*p);
  }
  if (joined.empty()) return std::nullopt;
  return joined;
}

std::string LayoutText(const AVChannelLayout& layout) {
  if (layout.order == AV_CHANNEL_ORDER_NATIVE) return ChannelMaskText(layout.u.mask);
  char description[256];
  if (ff::av_channel_layout_describe(&layout, description, sizeof description) < 0) {
    return fmt::format("{}c", layout.nb_channels);
  }
  return description;
}

// The formats the lossless and motion JPEG encoders also take when the
// encoder is allowed to write unofficial files.
const AVPixelFormat* ReplacementPixelFormats(const AVCodecContext* enc_ctx, const AVCodec* codec) {
  static constexpr AVPixelFormat kMjpeg[] = {AV_PIX_FMT_YUVJ420P, AV_PIX_FMT_YUVJ422P, AV_PIX_FMT_YUVJ444P,
                                             AV_PIX_FMT_YUV420P,  AV_PIX_FMT_YUV422P,  AV_PIX_FMT_YUV444P,
                                             AV_PIX_FMT_NONE};
  static constexpr AVPixelFormat kLjpeg[] = {
      AV_PIX_FMT_BGR24,    AV_PIX_FMT_BGRA,    AV_PIX_FMT_BGR0,    AV_PIX_FMT_YUVJ420P, AV_PIX_FMT_YUVJ444P,
      AV_PIX_FMT_YUVJ422P, AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV444P, AV_PIX_FMT_YUV422P,  AV_PIX_FMT_NONE};
  if (enc_ctx->strict_std_compliance <= FF_COMPLIANCE_UNOFFICIAL) {
    if (codec->id == AV_CODEC_ID_MJPEG) return kMjpeg;
    if (codec->id == AV_CODEC_ID_LJPEG) return kLjpeg;
  }
  return codec->pix_fmts;
}

int ConfigureOutputVideoFilter(TCustomFFmpegOpt& engine, TFilterGraph& fg, TOutputFilter& ofilter,
                               AVFilterInOut* out) {
  TOutputStream& ost = *ofilter.ost;
  const TOutputFile& of = *engine.Foutput_files.at(static_cast<std::size_t>(ost.file_index));
  const std::string name = fmt::format("output stream {}:{}", ost.file_index, ost.index);
  int ret = ff::avfilter_graph_create_filter(&ofilter.filter, ff::avfilter_get_by_name("buffersink"),
                                             name.c_str(), nullptr, nullptr, fg.graph.get());
  if (ret < 0) return ret;

  AVFilterContext* last = out->filter_ctx;
  int pad = out->pad_idx;
  const AVCodecContext* enc = ost.enc_ctx.get();
  if (enc->width || enc->height) {
    if (engine.Fhw_device_ctx) {
      engine.Log(
          TLogLevel::llWarning,
          fmt::format("The frame size of output stream {}:{} is ignored: frames stay on the hardware device.",
                      ost.file_index, ost.index));
    } else {
      std::string scaler_options;
      const AVDictionaryEntry* e = nullptr;
      while ((e = ff::av_dict_get(ost.sws_dict.get(), "", e, AV_DICT_IGNORE_SUFFIX))) {
        scaler_options += fmt::format(":{}={}", e->key, e->value);
      }
      const std::string scaler_name =
          fmt::format("scaler for output stream {}:{}", ost.file_index, ost.index);
      if (engine.IsLaterJoinBlock(ost)) {
        // A later input of a join keeps its own shape inside the frame the
        // first input set up, and takes on that frame's pixel aspect.
        const AVRational sar = enc->sample_aspect_ratio;
        for (const TFilterStep& step : FitIntoFrameFilters(enc->width, enc->height, sar.num, sar.den)) {
          const bool scaler = step.name == "scale";
          ret = InsertFilter(
              &last, &pad, step.name.c_str(),
              scaler ? scaler_name
                     : fmt::format("{} for output stream {}:{}", step.name, ost.file_index, ost.index),
              scaler ? step.args + scaler_options : step.args);
          if (ret < 0) return ret;
        }
      } else {
        ret = InsertFilter(&last, &pad, "scale", scaler_name,
                           fmt::format("{}:{}", enc->width, enc->height) + scaler_options);
        if (ret < 0) return ret;
      }
    }
  }
  if (const std::optional<std::string> pix_fmts = ChoosePixelFormats(engine, ost)) {
    ret = InsertFilter(&last, &pad, "format",
                       fmt::format("pixel format for output stream {}:{}", ost.file_index, ost.index),
                       *pix_fmts);
    if (ret < 0) return ret;
  }
  ret = InsertTrim(&last, &pad, fmt::format("trim for output stream {}:{}", ost.file_index, ost.index),
                   of.recording_time, of.start_time);
  if (ret < 0) return ret;
  return ff::avfilter_link(last, static_cast<unsigned>(pad), ofilter.filter, 0);
}

int ConfigureOutputAudioFilter(TCustomFFmpegOpt& engine, TFilterGraph& fg, TOutputFilter& ofilter,
                               AVFilterInOut* out) {
  TOutputStream& ost = *ofilter.ost;
  const TOutputFile& of = *engine.Foutput_files.at(static_cast<std::size_t>(ost.file_index));
  const std::string name = fmt::format("output stream {}:{}", ost.file_index, ost.index);
  int ret = ff::avfilter_graph_create_filter(&ofilter.filter, ff::avfilter_get_by_name("abuffersink"),
                                             name.c_str(), nullptr, nullptr, fg.graph.get());
  if (ret < 0) return ret;
  ret = ff::av_opt_set_int(ofilter.filter, "all_channel_counts", 1, AV_OPT_SEARCH_CHILDREN);
  if (ret < 0) return ret;

  AVFilterContext* last = out->filter_ctx;
  int pad = out->pad_idx;
  auto log_forwarded = [&](const char* option, const char* filter, const std::string& args) {
    engine.Log(TLogLevel::llInfo,
               fmt::format("{} is forwarded to lavfi similarly to -af {}={}.", option, filter, args));
  };

  if (ost.audio_channels_mapped > 0) {
    AVChannelLayout mapped{};
    ff::av_channel_layout_default(&mapped, ost.audio_channels_mapped);
    std::string args = LayoutText(mapped);
    if (mapped.order != AV_CHANNEL_ORDER_NATIVE) args = fmt::format("{}c", ost.audio_channels_mapped);
    for (int i = 0; i < ost.audio_channels_mapped; ++i) {
      if (ost.audio_channels_map[static_cast<std::size_t>(i)] != -1) {
        args += fmt::format("|c{}=c{}", i, ost.audio_channels_map[static_cast<std::size_t>(i)]);
      }
    }
    log_forwarded("-map_channel", "pan", args);
    ret = InsertFilter(&last, &pad, "pan", "pan", args);
    if (ret < 0) return ret;
  }

  AVCodecContext* enc = ost.enc_ctx.get();
  if (enc->ch_layout.nb_channels && enc->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
    const int channels = enc->ch_layout.nb_channels;
    ff::av_channel_layout_uninit(&enc->ch_layout);
    ff::av_channel_layout_default(&enc->ch_layout, channels);
  }

  const std::optional<std::string> sample_fmts = ChooseSampleFormats(ost);
  const std::optional<std::string> sample_rates = ChooseSampleRates(ost);
  const std::optional<std::string> channel_layouts = ChooseChannelLayouts(ost);
  if (sample_fmts || sample_rates || channel_layouts) {
    std::string args;
    if (sample_fmts) args += fmt::format("sample_fmts={}:", *sample_fmts);
    if (sample_rates) args += fmt::format("sample_rates={}:", *sample_rates);
    if (channel_layouts) args += fmt::format("channel_layouts={}:", *channel_layouts);
    ret = InsertFilter(&last, &pad, "aformat",
                       fmt::format("audio format for output stream {}:{}", ost.file_index, ost.index), args);
    if (ret < 0) return ret;
  }

  if (!ost.apad.empty() && of.shortest) {
    bool has_video = false;
    for (std::size_t i = static_cast<std::size_t>(of.ost_index); i < engine.Foutput_streams.size(); ++i) {
      const TOutputStream& other = *engine.Foutput_streams[i];
      if (other.file_index == ost.file_index && other.st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
        has_video = true;
    }
    if (has_video) {
      log_forwarded("-apad", "apad", ost.apad);
      ret = InsertFilter(&last, &pad, "apad", "apad", ost.apad);
      if (ret < 0) return ret;
    }
  }
  ret = InsertTrim(&last, &pad, fmt::format("trim for output stream {}:{}", ost.file_index, ost.index),
                   of.recording_time, of.start_time);
  if (ret < 0) return ret;
  return ff::avfilter_link(last, static_cast<unsigned>(pad), ofilter.filter, 0);
}

}  // namespace

int ConfigureOutputFilter(TCustomFFmpegOpt& engine, TFilterGraph& fg, TOutputFilter& ofilter,
                          AVFilterInOut* out) {
  ofilter.name = DescribeFilterLink(out, false);
  if (!ofilter.ost) engine.RaiseErrorFmt("Filter {} has an unconnected output", ofilter.name);
  switch (ff::avfilter_pad_get_type(out->filter_ctx->output_pads, out->pad_idx)) {
    case AVMEDIA_TYPE_VIDEO:
      return ConfigureOutputVideoFilter(engine, fg, ofilter, out);
    case AVMEDIA_TYPE_AUDIO:
      return ConfigureOutputAudioFilter(engine, fg, ofilter, out);
    default:
      engine.RaiseError("Never occur");
  }
}

AVPixelFormat ChoosePixelFormat(TCustomFFmpegOpt& engine, const AVCodecContext* enc_ctx, const AVCodec* codec,
                                AVPixelFormat target) {
  if (!codec || !codec->pix_fmts) return target;
  const AVPixelFormat* p = ReplacementPixelFormats(enc_ctx, codec);
  const AVPixFmtDescriptor* desc = ff::av_pix_fmt_desc_get(target);
  const int has_alpha = desc ? desc->nb_components % 2 == 0 : 0;
  AVPixelFormat best = AV_PIX_FMT_NONE;
  for (; *p != AV_PIX_FMT_NONE; ++p) {
    best = ff::av_find_best_pix_fmt_of_2(best, *p, target, has_alpha, nullptr);
    if (*p == target) return target;
  }
  if (target != AV_PIX_FMT_NONE) {
    const char* wanted = ff::av_get_pix_fmt_name(target);
    const char* chosen = ff::av_get_pix_fmt_name(best);
    engine.Log(TLogLevel::llWarning,
               fmt::format("Incompatible pixel format \"{}\" for codec \"{}\", auto-selecting format \"{}\"",
                           wanted ? wanted : "none", codec->name, chosen ? chosen : "none"));
  }
  return best;
}

std::optional<std::string> ChoosePixelFormats(TCustomFFmpegOpt& engine, TOutputStream& ost) {
  AVCodecContext* enc = ost.enc_ctx.get();
  if (const AVDictionaryEntry* strict = ff::av_dict_get(ost.encoder_opts.get(), "strict", nullptr, 0)) {
    // The strictness decides which formats the JPEG encoders accept.
    ff::av_opt_set(enc, "strict", strict->value, 0);
  }
  if (ost.keep_pix_fmt) {
    if (ost.filter && ost.filter->graph && ost.filter->graph->graph) {
      ff::avfilter_graph_set_auto_convert(ost.filter->graph->graph.get(), AVFILTER_AUTO_CONVERT_NONE);
    }
    if (enc->pix_fmt == AV_PIX_FMT_NONE) return std::nullopt;
    return std::string(ff::av_get_pix_fmt_name(enc->pix_fmt));
  }
  if (enc->pix_fmt != AV_PIX_FMT_NONE) {
    const char* name = ff::av_get_pix_fmt_name(ChoosePixelFormat(engine, enc, ost.enc, enc->pix_fmt));
    if (!name) return std::nullopt;
    return std::string(name);
  }
  if (!ost.enc || !ost.enc->pix_fmts) return std::nullopt;
  return JoinList(
      ReplacementPixelFormats(enc, ost.enc), [](AVPixelFormat f) { return f == AV_PIX_FMT_NONE; },
      [](AVPixelFormat f) {
        const char* name = ff::av_get_pix_fmt_name(f);
        return std::string(name ? name : "none");
      });
}

std::optional<std::string> ChooseSampleFormats(const TOutputStream& ost) {
  const AVCodecContext* enc = ost.enc_ctx.get();
  if (enc->sample_fmt != AV_SAMPLE_FMT_NONE) {
    const char* name = ff::av_get_sample_fmt_name(enc->sample_fmt);
    if (name) return std::string(name);
  }
  if (!ost.enc) return std::nullopt;
  return JoinList(
      ost.enc->sample_fmts, [](AVSampleFormat f) { return f == AV_SAMPLE_FMT_NONE; },
      [](AVSampleFormat f) {
        const char* name = ff::av_get_sample_fmt_name(f);
        return std::string(name ? name : "none");
      });
}

std::optional<std::string> ChooseSampleRates(const TOutputStream& ost) {
  const AVCodecContext* enc = ost.enc_ctx.get();
  if (enc->sample_rate) return std::to_string(enc->sample_rate);
  if (!ost.enc) return std::nullopt;
  return JoinList(
      ost.enc->supported_samplerates, [](int rate) { return rate == 0; },
      [](int rate) { return std::to_string(rate); });
}

std::optional<std::string> ChooseChannelLayouts(const TOutputStream& ost) {
  const AVCodecContext* enc = ost.enc_ctx.get();
  if (enc->ch_layout.nb_channels && enc->ch_layout.order != AV_CHANNEL_ORDER_UNSPEC) {
    return LayoutText(enc->ch_layout);
  }
  if (!ost.enc) return std::nullopt;
  return JoinList(
      ost.enc->ch_layouts, [](const AVChannelLayout& l) { return l.nb_channels == 0; },
      [](const AVChannelLayout& l) { return LayoutText(l); });
}

}  // namespace zentrova

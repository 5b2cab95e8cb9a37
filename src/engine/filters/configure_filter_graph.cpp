// Building a library filter graph: parsing its description, the sources fed
// by input streams with the filters the engine inserts after them, the sinks
// (configure_output_filter.cpp), and the final configuration.
#include <algorithm>
#include <fmt/format.h>

#include "engine/options/c_numeric_scope.h"
#include "engine/filters/filter_args.h"
#include "engine/filters/build_filter_graphs.h"
#include "options/stream_options.h"

namespace zentrova {

namespace {

// "k=v:k=v" of a dictionary (the scaler and resampler options of a stream).
std::string OptionsText(const AVDictionary* dict) {
  std::string text;
  const AVDictionaryEntry* e = nullptr;
  while ((e = ff::av_dict_get(dict, "", e, AV_DICT_IGNORE_SUFFIX))) {
    if (!text.empty()) text += ':';
    text += fmt::format("{}={}", e->key, e->value);
  }
  return text;
}

const char* CountText(const AVFilterInOut* list) {
  if (!list) return "0";
  return list->next ? ">1" : "1";
}

// Where the input's trim starts: only after an exact seek; with -copyts the
// timestamps keep the input's own origin, and a joined input starts where
// the previous one ended.
std::int64_t InputTrimStart(const TCustomFFmpegOpt& engine, const TInputFile& f) {
  if (f.start_time == AV_NOPTS_VALUE || !f.accurate_seek) return AV_NOPTS_VALUE;
  if (!engine.Fcopy_ts) return f.join_offset;
  std::int64_t start = f.start_time;
  if (!engine.Fstart_at_zero && f.ctx->start_time != AV_NOPTS_VALUE) start += f.ctx->start_time;
  return start;
}

// The input's trim after the last filter of its chain, then the link from
// there to the graph's input pad.
int TrimAndLink(const TCustomFFmpegOpt& engine, const TInputFile& f, const TInputStream& ist,
                AVFilterContext* last, int pad, const AVFilterInOut* in) {
  const int ret =
      InsertTrim(&last, &pad, fmt::format("trim for input stream {}:{}", ist.file_index, ist.st->index),
                 f.recording_time, InputTrimStart(engine, f));
  if (ret < 0) return ret;
  return ff::avfilter_link(last, static_cast<unsigned>(pad), in->filter_ctx,
                           static_cast<unsigned>(in->pad_idx));
}

// A joined input's frame rate: its average rate, else its base rate. The
// guess of a single conversion prefers the base rate, which a variable-rate
// input states as the rate of its shortest frame (50 for a 25 fps clip with
// a few field-rate frames) and would then be the rate of the whole output.
AVRational JoinedFrameRate(const TInputFile& f, const TInputStream& ist) {
  const AVRational average = ist.st->avg_frame_rate;
  if (average.num > 0 && average.den > 0) return average;
  const AVRational base = ist.st->r_frame_rate;
  if (base.num > 0 && base.den > 0) return base;
  return ff::av_guess_frame_rate(f.ctx.get(), ist.st, nullptr);
}

int ConfigureInputVideoFilter(TCustomFFmpegOpt& engine, TFilterGraph& fg, TInputFilter& ifilter,
                              AVFilterInOut* in) {
  TInputStream& ist = *ifilter.ist;
  const TInputFile& f = *engine.Finput_files.at(static_cast<std::size_t>(ist.file_index));
  const AVRational tb = ist.framerate.num ? av_inv_q(ist.framerate) : ist.st->time_base;
  AVRational fr = ist.framerate;
  if (!fr.num)
    fr = engine.FJoinMode ? JoinedFrameRate(f, ist) : ff::av_guess_frame_rate(f.ctx.get(), ist.st, nullptr);

  AVBufferSrcParametersPtr par(ff::av_buffersrc_parameters_alloc());
  if (!par) return AVERROR(ENOMEM);
  if (ist.dec_ctx->codec_type == AVMEDIA_TYPE_AUDIO) {
    engine.Log(TLogLevel::llError, "Cannot connect video filter to audio input");
    return AVERROR(EINVAL);
  }
  if (ist.dec_ctx->codec_type == AVMEDIA_TYPE_SUBTITLE && !ist.sub2video.frame) {
    const int ret = Sub2VideoPrepare(engine, ist);
    if (ret < 0) return ret;
  }
  AVRational sar =
      ist.st->sample_aspect_ratio.num ? ist.st->sample_aspect_ratio : ist.dec_ctx->sample_aspect_ratio;
  if (!sar.den) sar = AVRational{0, 1};

  const int pix_fmt = ist.hwaccel_retrieve_data ? ist.hwaccel_retrieved_pix_fmt : ist.resample_pix_fmt;
  std::string args =
      fmt::format("video_size={}x{}:pix_fmt={}:time_base={}/{}:pixel_aspect={}/{}", ist.resample_width,
                  ist.resample_height, pix_fmt, tb.num, tb.den, sar.num, sar.den);
  if (fr.num && fr.den) args += fmt::format(":frame_rate={}/{}", fr.num, fr.den);
  const std::string name =
      fmt::format("graph {} input from stream {}:{}", fg.index, ist.file_index, ist.st->index);
  int ret = ff::avfilter_graph_create_filter(&ifilter.filter, ff::avfilter_get_by_name("buffer"),
                                             name.c_str(), args.c_str(), nullptr, fg.graph.get());
  if (ret < 0) return ret;
  par->hw_frames_ctx = ist.hw_frames_ctx.get();  // the source takes its own reference
  ret = ff::av_buffersrc_parameters_set(ifilter.filter, par.get());
  if (ret < 0) return ret;

  AVFilterContext* last = ifilter.filter;
  int pad = 0;
  if (ist.autorotate) {
    for (const TFilterStep& step : RotationFilters(stream_rotation(ist.st))) {
      ret = InsertFilter(&last, &pad, step.name.c_str(), step.name, step.args);
      if (ret < 0) return ret;
    }
  }
  if (ist.framerate.num) {
    ret = InsertFilter(&last, &pad, "setpts",
                       fmt::format("force CFR for input from stream {}:{}", ist.file_index, ist.st->index),
                       "N");
    if (ret < 0) return ret;
  }
  if (engine.Fdo_deinterlace) {
    ret = InsertFilter(&last, &pad, "yadif",
                       fmt::format("deinterlace input from stream {}:{}", ist.file_index, ist.st->index), "");
    if (ret < 0) return ret;
  }
  return TrimAndLink(engine, f, ist, last, pad, in);
}

int ConfigureInputAudioFilter(TCustomFFmpegOpt& engine, TFilterGraph& fg, TInputFilter& ifilter,
                              AVFilterInOut* in) {
  TInputStream& ist = *ifilter.ist;
  const TInputFile& f = *engine.Finput_files.at(static_cast<std::size_t>(ist.file_index));
  const AVCodecContext* dec = ist.dec_ctx.get();
  if (dec->codec_type != AVMEDIA_TYPE_AUDIO) {
    engine.Log(TLogLevel::llError, "Cannot connect audio filter to non audio input");
    return AVERROR(EINVAL);
  }
  const char* sample_fmt = ff::av_get_sample_fmt_name(dec->sample_fmt);
  std::string args = fmt::format("time_base={}/{}:sample_rate={}:sample_fmt={}", 1, dec->sample_rate,
                                 dec->sample_rate, sample_fmt ? sample_fmt : "none");
  if (dec->ch_layout.order == AV_CHANNEL_ORDER_NATIVE) {
    args += ":channel_layout=" + ChannelMaskText(dec->ch_layout.u.mask);
  } else {
    args += fmt::format(":channels={}", dec->ch_layout.nb_channels);
  }
  const std::string name =
      fmt::format("graph {} input from stream {}:{}", fg.index, ist.file_index, ist.st->index);
  int ret = ff::avfilter_graph_create_filter(&ifilter.filter, ff::avfilter_get_by_name("abuffer"),
                                             name.c_str(), args.c_str(), nullptr, fg.graph.get());
  if (ret < 0) return ret;

  AVFilterContext* last = ifilter.filter;
  int pad = 0;
  auto insert_forwarded = [&](const char* option, const char* filter, const std::string& filter_args) {
    engine.Log(TLogLevel::llInfo,
               fmt::format("{} is forwarded to lavfi similarly to -af {}={}.", option, filter, filter_args));
    return InsertFilter(
        &last, &pad, filter,
        fmt::format("graph {} {} for input stream {}:{}", fg.index, filter, ist.file_index, ist.st->index),
        filter_args);
  };
  if (engine.Faudio_sync_method > 0) {
    ret = insert_forwarded(
        "-async", "aresample",
        AsyncResampleArgs(engine.Faudio_sync_method, engine.Faudio_drift_threshold, fg.reconfiguration != 0));
    if (ret < 0) return ret;
  }
  if (engine.Faudio_volume != 256) {
    engine.Log(TLogLevel::llWarning, "-vol has been deprecated. Use the volume audio filter instead.");
    ret = insert_forwarded("-vol", "volume", FormatFixed6(engine.Faudio_volume / 256.0));
    if (ret < 0) return ret;
  }
  return TrimAndLink(engine, f, ist, last, pad, in);
}

int ConfigureInputFilter(TCustomFFmpegOpt& engine, TFilterGraph& fg, TInputFilter& ifilter,
                         AVFilterInOut* in) {
  ifilter.name = DescribeFilterLink(in, true);
  if (!ifilter.ist->avdec) {
    engine.Log(TLogLevel::llError, fmt::format("No decoder for stream #{}:{}, filtering impossible",
                                               ifilter.ist->file_index, ifilter.ist->st->index));
    return AVERROR_DECODER_NOT_FOUND;
  }
  switch (ff::avfilter_pad_get_type(in->filter_ctx->input_pads, in->pad_idx)) {
    case AVMEDIA_TYPE_VIDEO:
      return ConfigureInputVideoFilter(engine, fg, ifilter, in);
    case AVMEDIA_TYPE_AUDIO:
      return ConfigureInputAudioFilter(engine, fg, ifilter, in);
    default:
      engine.RaiseError("Never occur");
  }
}

}  // namespace

int InsertFilter(AVFilterContext** last, int* pad, const char* filter_name, const std::string& instance_name,
                 const std::string& args) {
  AVFilterContext* ctx = nullptr;
  int ret =
      ff::avfilter_graph_create_filter(&ctx, ff::avfilter_get_by_name(filter_name), instance_name.c_str(),
                                       args.empty() ? nullptr : args.c_str(), nullptr, (*last)->graph);
  if (ret < 0) return ret;
  ret = ff::avfilter_link(*last, static_cast<unsigned>(*pad), ctx, 0);
  if (ret < 0) return ret;
  *last = ctx;
  *pad = 0;
  return 0;
}

int InsertTrim(AVFilterContext** last, int* pad, const std::string& instance_name, std::int64_t duration_us,
               std::int64_t start_us) {
  if (duration_us == INT64_MAX && start_us == AV_NOPTS_VALUE) return 0;
  const AVMediaType type = ff::avfilter_pad_get_type((*last)->output_pads, *pad);
  const char* name = type == AVMEDIA_TYPE_VIDEO ? "trim" : "atrim";
  const AVFilter* trim = ff::avfilter_get_by_name(name);
  if (!trim) {
    ff::av_log(nullptr, AV_LOG_ERROR, "%s filter not present, cannot limit recording time.\n", name);
    return AVERROR_FILTER_NOT_FOUND;
  }
  AVFilterContext* ctx = ff::avfilter_graph_alloc_filter((*last)->graph, trim, instance_name.c_str());
  if (!ctx) return AVERROR(ENOMEM);
  int ret = 0;
  if (duration_us != INT64_MAX)
    ret = ff::av_opt_set_int(ctx, "durationi", duration_us, AV_OPT_SEARCH_CHILDREN);
  if (ret >= 0 && start_us != AV_NOPTS_VALUE) {
    ret = ff::av_opt_set_int(ctx, "starti", start_us, AV_OPT_SEARCH_CHILDREN);
  }
  if (ret < 0) {
    ff::av_log(ctx, AV_LOG_ERROR, "Error configuring the %s filter\n", name);
    return ret;
  }
  ret = ff::avfilter_init_str(ctx, nullptr);
  if (ret < 0) return ret;
  ret = ff::avfilter_link(*last, static_cast<unsigned>(*pad), ctx, 0);
  if (ret < 0) return ret;
  *last = ctx;
  *pad = 0;
  return 0;
}

int Sub2VideoPrepare(TCustomFFmpegOpt& engine, TInputStream& ist) {
  int w = ist.dec_ctx->width;
  int h = ist.dec_ctx->height;
  if (!(w && h)) {
    const AVFormatContext* avf = engine.Finput_files.at(static_cast<std::size_t>(ist.file_index))->ctx.get();
    for (unsigned i = 0; i < avf->nb_streams; ++i) {
      const AVCodecParameters* par = avf->streams[i]->codecpar;
      if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
        w = std::max(w, par->width);
        h = std::max(h, par->height);
      }
    }
    if (!(w && h)) {
      w = std::max(w, 720);
      h = std::max(h, 576);
    }
    engine.Log(TLogLevel::llInfo, fmt::format("sub2video: using {}x{} canvas", w, h));
  }
  ist.sub2video.w = ist.resample_width = w;
  ist.sub2video.h = ist.resample_height = h;
  ist.dec_ctx->pix_fmt = AV_PIX_FMT_BGRA;
  ist.resample_pix_fmt = AV_PIX_FMT_BGRA;
  ist.sub2video.frame.reset(ff::av_frame_alloc());
  if (!ist.sub2video.frame) return AVERROR(ENOMEM);
  ist.sub2video.last_pts = INT64_MIN;
  return 0;
}

int TCustomFFmpegOpt::ConfigureFilterGraph(TFilterGraph* fg) {
  const TCNumericScope c_numbers;  // the library parses the arguments' decimals
  const bool simple = fg->graph_desc.empty();
  TOutputStream* simple_ost = simple && !fg->outputs.empty() ? fg->outputs[0]->ost : nullptr;
  if (simple && (!simple_ost || !simple_ost->avfilter)) {
    RaiseError("A simple filter graph needs one output stream with a filter description");
  }
  const std::string description = simple ? *simple_ost->avfilter : fg->graph_desc;

  fg->graph.reset(ff::avfilter_graph_alloc());
  if (!fg->graph) return AVERROR(ENOMEM);

  if (simple) {
    const std::string sws_args = OptionsText(simple_ost->sws_dict.get());
    fg->graph->scale_sws_opts = ff::av_strdup(sws_args.c_str());
    if (!fg->graph->scale_sws_opts) return AVERROR(ENOMEM);
    const std::string swr_args = OptionsText(simple_ost->swr_opts.get());
    if (!swr_args.empty()) ff::av_opt_set(fg->graph.get(), "aresample_swr_opts", swr_args.c_str(), 0);
    if (const AVDictionaryEntry* threads =
            ff::av_dict_get(simple_ost->encoder_opts.get(), "threads", nullptr, 0)) {
      ff::av_opt_set(fg->graph.get(), "threads", threads->value, 0);
    }
  }

  AVFilterInOutPtr inputs;
  AVFilterInOutPtr outputs;
  int ret = ff::avfilter_graph_parse2(fg->graph.get(), description.c_str(), OutPtr(inputs), OutPtr(outputs));
  if (ret < 0) return ret;

  if (Fhw_device_ctx) {
    for (unsigned i = 0; i < fg->graph->nb_filters; ++i) {
      fg->graph->filters[i]->hw_device_ctx = ff::av_buffer_ref(Fhw_device_ctx.get());
      if (!fg->graph->filters[i]->hw_device_ctx) return AVERROR(ENOMEM);
    }
  }

  if (simple && (!inputs || inputs->next || !outputs || outputs->next)) {
    Log(TLogLevel::llError,
        fmt::format(
            "Simple filtergraph \"{}\" was expected to have exactly 1 input and 1 output. However, it had "
            "{} input(s) and {} output(s). Please adjust, or use a complex filtergraph (-filter_complex) "
            "instead.",
            description, CountText(inputs.get()), CountText(outputs.get())));
    return AVERROR(EINVAL);
  }

  std::size_t i = 0;
  for (AVFilterInOut* cur = inputs.get(); cur; cur = cur->next, ++i) {
    if (i >= fg->inputs.size()) return AVERROR(EINVAL);
    ret = ConfigureInputFilter(*this, *fg, *fg->inputs[i], cur);
    if (ret < 0) return ret;
  }
  inputs.reset();
  i = 0;
  for (AVFilterInOut* cur = outputs.get(); cur; cur = cur->next, ++i) {
    if (i >= fg->outputs.size()) return AVERROR(EINVAL);
    ret = ConfigureOutputFilter(*this, *fg, *fg->outputs[i], cur);
    if (ret < 0) return ret;
  }
  outputs.reset();

  ret = ff::avfilter_graph_config(fg->graph.get(), nullptr);
  if (ret < 0) return ret;
  fg->reconfiguration = 1;

  for (const std::unique_ptr<TOutputFilter>& ofilter : fg->outputs) {
    TOutputStream* ost = ofilter->ost;
    if (!ost->enc) {
      Log(TLogLevel::llError,
          fmt::format("Encoder (codec {}) not found for output stream #{}:{}",
                      ff::avcodec_get_name(ost->st->codecpar->codec_id), ost->file_index, ost->index));
      return AVERROR(EINVAL);
    }
    // Once the encoder knows its frame size, the sink cuts audio to it.
    if (ost->enc->type == AVMEDIA_TYPE_AUDIO &&
        !(ost->enc->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) && ost->enc_ctx->frame_size > 0) {
      ff::av_buffersink_set_frame_size(ofilter->filter, static_cast<unsigned>(ost->enc_ctx->frame_size));
    }
  }
  return 0;
}

}  // namespace zentrova

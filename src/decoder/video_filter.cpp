#include "decoder/video_filter.h"

#include <fmt/format.h>

#include "log/logger.h"
#include "media/av_ptr.h"

namespace zentrova {

void TVideoFilter::Reset() {
  graph_.reset();
  source_ = sink_ = nullptr;
  last_text_.clear();
}

int TVideoFilter::Configure(const std::string& text, const AVCodecContext* codec, AVStream* stream,
                            AVFormatContext* file) {
  if (text == last_text_ && (graph_ || text.empty())) return 0;
  Reset();
  if (text.empty()) return 0;
  const int result = Build(text, codec, stream, file);
  if (result < 0) {
    graph_.reset();
    source_ = sink_ = nullptr;
  } else {
    last_text_ = text;
  }
  return result;
}

int TVideoFilter::Build(const std::string& text, const AVCodecContext* codec, AVStream* stream,
                        AVFormatContext* file) {
  AVFilterInOutPtr outputs(ff::avfilter_inout_alloc());
  AVFilterInOutPtr inputs(ff::avfilter_inout_alloc());
  graph_.reset(ff::avfilter_graph_alloc());
  const AVFilter* buffer = ff::avfilter_get_by_name("buffer");
  const AVFilter* buffersink = ff::avfilter_get_by_name("buffersink");
  if (!outputs || !inputs || !graph_ || !buffer || !buffersink) return AVERROR(ENOMEM);

  std::string args = fmt::format("video_size={}x{}:pix_fmt={}:time_base={}/{}:pixel_aspect={}/{}",
                                 codec->width, codec->height, static_cast<int>(codec->pix_fmt),
                                 stream->time_base.num, stream->time_base.den, codec->sample_aspect_ratio.num,
                                 codec->sample_aspect_ratio.den < 1 ? 1 : codec->sample_aspect_ratio.den);
  const AVRational rate = ff::av_guess_frame_rate(file, stream, nullptr);
  if (rate.num != 0 && rate.den != 0) args += fmt::format(":frame_rate={}/{}", rate.num, rate.den);

  int result = ff::avfilter_graph_create_filter(&source_, buffer, "in", args.c_str(), nullptr, graph_.get());
  if (result < 0) {
    DefaultLogger()->Log(log_sender_, TLogLevel::llError, "Cannot create buffer source");
    return result;
  }
  result = ff::avfilter_graph_create_filter(&sink_, buffersink, "out", nullptr, nullptr, graph_.get());
  if (result < 0) {
    DefaultLogger()->Log(log_sender_, TLogLevel::llError, "Cannot create buffer sink");
    return result;
  }
  // The sink's list option takes the raw array (the header's list macro
  // would call the library directly).
  const AVPixelFormat pixel_formats[] = {codec->pix_fmt};
  result = ff::av_opt_set_bin(sink_, "pix_fmts", reinterpret_cast<const std::uint8_t*>(pixel_formats),
                              sizeof pixel_formats, AV_OPT_SEARCH_CHILDREN);
  if (result < 0) {
    DefaultLogger()->Log(log_sender_, TLogLevel::llError, "Cannot set output pixel format");
    return result;
  }

  outputs->name = ff::av_strdup("in");
  outputs->filter_ctx = source_;
  outputs->pad_idx = 0;
  outputs->next = nullptr;
  inputs->name = ff::av_strdup("out");
  inputs->filter_ctx = sink_;
  inputs->pad_idx = 0;
  inputs->next = nullptr;
  if (!outputs->name || !inputs->name) return AVERROR(ENOMEM);

  result =
      ff::avfilter_graph_parse_ptr(graph_.get(), text.c_str(), InOutPtr(inputs), InOutPtr(outputs), nullptr);
  if (result < 0) return result;
  return ff::avfilter_graph_config(graph_.get(), nullptr);
}

int TVideoFilter::Push(AVFrame* frame) {
  if (!graph_) return AVERROR(EINVAL);
  return ff::av_buffersrc_add_frame_flags(source_, frame, AV_BUFFERSRC_FLAG_KEEP_REF);
}

int TVideoFilter::Pull(AVFrame* out) {
  if (!graph_) return AVERROR(EAGAIN);
  return ff::av_buffersink_get_frame(sink_, out);
}

AVRational TVideoFilter::OutputTimeBase() const {
  return sink_ ? ff::av_buffersink_get_time_base(sink_) : AVRational{0, 1};
}

}  // namespace zentrova

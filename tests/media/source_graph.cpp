#include "media/source_graph.h"

#include <fmt/format.h>

#include "media/media_error.h"

namespace zentrova::test {

SourceGraph::SourceGraph(const std::string& chain, AVMediaType type, const std::string& description)
    : graph_(ff::avfilter_graph_alloc()), description_(description) {
  if (!graph_) Fail("Cannot allocate a filter graph for " + description_);
  // One thread: the generator must behave the same on every machine.
  graph_->nb_threads = 1;

  const char* sink_name = type == AVMEDIA_TYPE_VIDEO ? "buffersink" : "abuffersink";
  const AVFilter* sink = ff::avfilter_get_by_name(sink_name);
  if (!sink) Fail(fmt::format("The filter \"{}\" is not available for {}", sink_name, description_));
  Check(ff::avfilter_graph_create_filter(&sink_, sink, "out", nullptr, nullptr, graph_.get()),
        "Cannot create the buffer sink for " + description_);

  // The chain's open output is bound to the sink's input pad.
  AVFilterInOutPtr inputs(ff::avfilter_inout_alloc());
  if (!inputs) Fail("Cannot allocate the filter binding for " + description_);
  inputs->name = ff::av_strdup("out");
  inputs->filter_ctx = sink_;
  inputs->pad_idx = 0;
  inputs->next = nullptr;
  AVFilterInOutPtr outputs;
  int err =
      ff::avfilter_graph_parse_ptr(graph_.get(), chain.c_str(), InOutPtr(inputs), OutPtr(outputs), nullptr);
  Check(err, fmt::format("Cannot parse the filter chain \"{}\" for {}", chain, description_));
  Check(ff::avfilter_graph_config(graph_.get(), nullptr),
        fmt::format("Cannot configure the filter chain \"{}\" for {}", chain, description_));
}

void SourceGraph::SetFrameSize(int samples) {
  ff::av_buffersink_set_frame_size(sink_, static_cast<unsigned>(samples));
}

AVFramePtr SourceGraph::Next() {
  AVFramePtr frame = MakeFrame();
  Check(ff::av_buffersink_get_frame(sink_, frame.get()),
        "Cannot take a frame from the source of " + description_);
  return frame;
}

std::string VideoSourceChain(int width, int height, AVRational rate, const std::string& pix_fmt) {
  return fmt::format("testsrc2=size={}x{}:rate={}/{},format=pix_fmts={}", width, height, rate.num, rate.den,
                     pix_fmt);
}

std::string AudioSourceChain(int sample_rate, const std::string& sample_fmt,
                             const std::string& channel_layout) {
  return fmt::format(
      "sine=frequency=440:sample_rate={0},aformat=sample_fmts={1}:sample_rates={0}:channel_layouts={2}",
      sample_rate, sample_fmt, channel_layout);
}

}  // namespace zentrova::test

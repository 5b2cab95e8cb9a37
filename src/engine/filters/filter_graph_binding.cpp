// Graph records and their binding to input and output streams.
#include <fmt/format.h>

#include "engine/options/c_integer.h"
#include "engine/filters/build_filter_graphs.h"

namespace zentrova {

namespace {

// A labelled input ("[1:a]"): the first stream of that input file of the
// pad's type (a subtitle counts for a video pad) matching the specifier.
TInputStream* FindLabelledInput(TCustomFFmpegOpt& engine, const TFilterGraph& fg, const char* label,
                                AVMediaType type) {
  std::size_t consumed = 0;
  const int file_index = ReadCInt(label, &consumed);
  if (file_index < 0 || static_cast<std::size_t>(file_index) >= engine.Finput_files.size()) {
    engine.RaiseErrorFmt("Invalid file index {} in filtergraph description {}.", file_index, fg.graph_desc);
  }
  const std::string rest = label + consumed;
  const std::string spec = !rest.empty() && rest[0] == ':' ? rest.substr(1) : rest;
  const TInputFile& file = *engine.Finput_files[static_cast<std::size_t>(file_index)];
  AVFormatContext* s = file.ctx.get();
  for (unsigned i = 0; i < s->nb_streams; ++i) {
    const AVMediaType stream_type = s->streams[i]->codecpar->codec_type;
    if (stream_type != type && !(stream_type == AVMEDIA_TYPE_SUBTITLE && type == AVMEDIA_TYPE_VIDEO))
      continue;
    if (ff::avformat_match_stream_specifier(s, s->streams[i], spec.c_str()) == 1) {
      return engine.Finput_streams[static_cast<std::size_t>(file.ist_index) + i].get();
    }
  }
  engine.RaiseErrorFmt("Stream specifier \"{}\" in filtergraph description {} matches no streams.", rest,
                       fg.graph_desc);
}

void InitInputFilter(TCustomFFmpegOpt& engine, TFilterGraph& fg, const AVFilterInOut* in) {
  const AVMediaType type = ff::avfilter_pad_get_type(in->filter_ctx->input_pads, in->pad_idx);
  if (type != AVMEDIA_TYPE_VIDEO && type != AVMEDIA_TYPE_AUDIO) {
    engine.RaiseError("Only video and audio filters supported currently.");
  }
  TInputStream* ist = nullptr;
  if (in->name) {
    ist = FindLabelledInput(engine, fg, in->name, type);
  } else {
    for (const std::unique_ptr<TInputStream>& candidate : engine.Finput_streams) {
      if (candidate->st->codecpar->codec_type == type && candidate->discard) {
        ist = candidate.get();
        break;
      }
    }
    if (!ist) {
      engine.RaiseErrorFmt("Cannot find a matching stream for unlabeled input pad {} on filter {}",
                           in->pad_idx, in->filter_ctx->name);
    }
  }
  ist->discard = 0;
  ist->decoding_needed.for_filter_graph = true;
  ist->st->discard = AVDISCARD_NONE;

  auto ifilter = std::make_unique<TInputFilter>();
  ifilter->ist = ist;
  ifilter->graph = &fg;
  ist->filters.push_back(ifilter.get());
  fg.inputs.push_back(std::move(ifilter));
}

int InitComplexFilterGraph(TCustomFFmpegOpt& engine, TFilterGraph& fg) {
  AVFilterGraphPtr graph(ff::avfilter_graph_alloc());
  if (!graph) return AVERROR(ENOMEM);
  graph->nb_threads = 1;
  AVFilterInOutPtr inputs;
  AVFilterInOutPtr outputs;
  const int ret =
      ff::avfilter_graph_parse2(graph.get(), fg.graph_desc.c_str(), OutPtr(inputs), OutPtr(outputs));
  if (ret < 0) return ret;

  for (const AVFilterInOut* cur = inputs.get(); cur; cur = cur->next) InitInputFilter(engine, fg, cur);

  // Each pending output keeps its link (for its label), detached from the
  // list and from the temporary graph, which is released on return.
  std::vector<AVFilterInOutPtr> pending;
  std::size_t count = 0;
  for (const AVFilterInOut* cur = outputs.get(); cur; cur = cur->next) ++count;
  pending.reserve(count);
  for (AVFilterInOut* cur = outputs.release(); cur;) {
    AVFilterInOut* next = cur->next;
    cur->next = nullptr;
    pending.emplace_back(cur);
    cur = next;
  }
  for (AVFilterInOutPtr& link : pending) {
    auto ofilter = std::make_unique<TOutputFilter>();
    ofilter->graph = &fg;
    ofilter->type_ = ff::avfilter_pad_get_type(link->filter_ctx->output_pads, link->pad_idx);
    ofilter->name = DescribeFilterLink(link.get(), false);
    link->filter_ctx = nullptr;
    ofilter->out_tmp = std::move(link);
    fg.outputs.push_back(std::move(ofilter));
  }
  return 0;
}

}  // namespace

std::string DescribeFilterLink(const AVFilterInOut* link, bool input) {
  const AVFilterContext* ctx = link->filter_ctx;
  const AVFilterPad* pads = input ? ctx->input_pads : ctx->output_pads;
  const unsigned nb_pads = input ? ctx->nb_inputs : ctx->nb_outputs;
  std::string name = ctx->name ? ctx->name : "";
  if (nb_pads > 1) {
    name += ':';
    name += ff::avfilter_pad_get_name(pads, link->pad_idx);
  }
  return name;
}

int InitComplexFilters(TCustomFFmpegOpt& engine) {
  for (const std::unique_ptr<TFilterGraph>& fg : engine.Ffiltergraphs) {
    if (fg->graph_desc.empty() || !fg->inputs.empty() || !fg->outputs.empty()) continue;
    const int ret = InitComplexFilterGraph(engine, *fg);
    if (ret < 0) return ret;
  }
  return 0;
}

int ConfigureComplexFilters(TCustomFFmpegOpt& engine) {
  for (const std::unique_ptr<TFilterGraph>& fg : engine.Ffiltergraphs) {
    if (fg->graph_desc.empty() || fg->graph) continue;
    const int ret = engine.ConfigureFilterGraph(fg.get());
    if (ret < 0) return ret;
  }
  return 0;
}

TFilterGraph* TCustomFFmpegOpt::InitSimpleFilterGraph(TInputStream* ist, TOutputStream* ost) {
  auto fg = std::make_unique<TFilterGraph>();
  fg->index = static_cast<std::int32_t>(Ffiltergraphs.size());

  auto ofilter = std::make_unique<TOutputFilter>();
  ofilter->ost = ost;
  ofilter->graph = fg.get();
  ofilter->type_ = ost->st->codecpar->codec_type;
  ost->filter = ofilter.get();
  fg->outputs.push_back(std::move(ofilter));

  auto ifilter = std::make_unique<TInputFilter>();
  ifilter->ist = ist;
  ifilter->graph = fg.get();
  ist->filters.push_back(ifilter.get());
  fg->inputs.push_back(std::move(ifilter));

  Ffiltergraphs.push_back(std::move(fg));
  return Ffiltergraphs.back().get();
}

int TCustomFFmpegOpt::InputInFilterGraph(const TFilterGraph* fg, const TInputStream* ist) {
  for (const std::unique_ptr<TInputFilter>& input : fg->inputs) {
    if (input->ist == ist) return 1;
  }
  return 0;
}

}  // namespace zentrova

// Filter graph records: a graph, its inputs (fed by input streams) and its
// outputs (draining into output streams).
//
// `-filter_complex`/`-lavfi` declare complex graphs while options are parsed
// (index and description only); the output opener binds their inputs and
// outputs, and `ConfigureFilterGraph` builds the library graph. Simple graphs
// (one decoded input stream into one encoded output stream) have no
// description of their own: theirs is the output stream's `avfilter`.
//
// Ownership: the engine owns every `TFilterGraph` through `Ffiltergraphs`;
// a graph owns its input and output records and the library graph, whose
// filter instances `filter` point into. `ist` and `ost` point into the
// engine's stream lists.
//
// Threads: declared and bound on the thread that opens the files; rebuilt
// by the task's worker when input parameters change.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "media/av_ptr.h"
#include "media/ff.h"

namespace zentrova {

struct TFilterGraph;
struct TInputStream;
struct TOutputStream;

struct TInputFilter {
  AVFilterContext* filter = nullptr;  ///< the source instance (owned by the library graph)
  TInputStream* ist = nullptr;        ///< the feeding stream
  TFilterGraph* graph = nullptr;
  std::string name;  ///< description of the graph pad it feeds
};

struct TOutputFilter {
  AVFilterContext* filter = nullptr;  ///< the sink instance (owned by the library graph)
  TOutputStream* ost = nullptr;       ///< none until bound
  TFilterGraph* graph = nullptr;
  std::string name;          ///< description of the graph pad it drains
  AVFilterInOutPtr out_tmp;  ///< pending unbound output link of a complex graph
  AVMediaType type_ = AVMEDIA_TYPE_UNKNOWN;
};

struct TFilterGraph {
  std::int32_t index = 0;            ///< position in Ffiltergraphs
  std::string graph_desc;            ///< the description of a complex graph; empty for a simple graph
  AVFilterGraphPtr graph;            ///< none until configured
  std::int32_t reconfiguration = 0;  ///< set after the first successful configuration
  std::vector<std::unique_ptr<TInputFilter>> inputs;
  std::vector<std::unique_ptr<TOutputFilter>> outputs;
};

}  // namespace zentrova

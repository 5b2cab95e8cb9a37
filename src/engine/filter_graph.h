// TFilterGraph: one simple or complex filter graph of a conversion task.
//
// `-filter_complex`/`-lavfi` declare complex graphs while options are parsed
// (index and description only); the filter-graph code builds and configures
// them when the output is opened. Owned by the engine's `Ffiltergraphs`.
#pragma once

#include <cstdint>
#include <string>

namespace zentrova {

struct TFilterGraph {
  std::int32_t index = 0;  ///< position in Ffiltergraphs
  std::string graph_desc;  ///< the filter graph description as given
};

}  // namespace zentrova

// Which entry points of a library are bound, for diagnostics and tests.
#pragma once

#include <vector>

#include "media/library_loader.h"

namespace zentrova {

struct TEntryPointState {
  const char* Name;
  bool Bound;
};

/// The entry points of `library` in binding order, with their slot state.
std::vector<TEntryPointState> EntryPoints(TLibrary library);

}  // namespace zentrova

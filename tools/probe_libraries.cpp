// Loads the media libraries the way the components do and prints what was bound.
#include <fmt/format.h>
#include <cstdio>
#include <string>

#include "media/entry_points.h"
#include "media/library_loader.h"

int main(int argc, char** argv) {
  using namespace zentrova;
  TFFLoader& loader = FFLoader();
  loader.SetLibraryPath(argc > 1 ? argv[1] : "LibAV");
  if (!loader.Load(EncoderLibraries)) {
    fmt::print(stderr, "{}\n", loader.LastErrMsg());
    return 1;
  }
  if (!loader.Load(TLibrary::libMFX)) fmt::print("warning: {}\n", loader.LastErrMsg());
  for (int i = 0; i < kLibraryCount; ++i) {
    const auto library = static_cast<TLibrary>(i);
    if (!loader.Loaded(library)) continue;
    int bound = 0;
    const auto states = EntryPoints(library);
    for (const auto& state : states) bound += state.Bound;
    fmt::print("{:<11} {:<22} {:>3}/{:<3} entry points bound\n", LibraryItem(library).Name,
               loader.LibraryFileName(library), bound, states.size());
  }
  return 0;
}

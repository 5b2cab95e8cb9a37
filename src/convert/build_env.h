// What the option-string builders ask of the machine: whether files exist,
// which names other tasks use and which encoders the media library has
// (the encoder threads are the encoder component's choice, when a task
// starts). Tests give their own answers; `SystemBuildEnv` gives
// the real ones.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace zentrova::app {

class TClaimedNames;

struct BuildEnv {
  /// Whether a file exists (watermark picture, earlier outputs).
  std::function<bool(const std::string&)> FileExists;
  /// Whether another task of the batch reads or writes this file.
  std::function<bool(const std::string&)> NameClaimed;
  /// Whether the codec library has an encoder of this name.
  std::function<bool(std::string_view)> HasEncoder;
};

/// Whether the loaded codec library has an encoder named `name`; false while
/// the library is not loaded. Main thread (the loader is not locked).
bool LibraryHasEncoder(std::string_view name);

/// The machine's answers: the file system, `claimed` (may be null: no other
/// tasks; when given it must outlive the result) and `LibraryHasEncoder`.
BuildEnv SystemBuildEnv(const TClaimedNames* claimed);

}  // namespace zentrova::app

#include "log/log_level.h"

namespace zentrova {

const char* LogLevelName(TLogLevel level) {
  static constexpr const char* kNames[] = {"Quiet", "Panic",   "Fatal", "Error", "Warning",
                                           "Info",  "Verbose", "Debug", "Trace"};
  const auto index = static_cast<unsigned>(level);
  return index < std::size(kNames) ? kNames[index] : "Unknown";
}

}  // namespace zentrova

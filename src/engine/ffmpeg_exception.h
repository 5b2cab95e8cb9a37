// FFmpegException: the engine's set-up and run failures.
#pragma once

#include <stdexcept>
#include <string>

namespace zentrova {

/// Raised by `TCustomFFmpegOpt::RaiseError` (and `RaiseErrorFmt`) when an
/// engine set-up or run step cannot go on. The text names the action, the
/// object and the library's error text; the engine has already put it into
/// its `FLastErrMsg` and logged it at llFatal. Components catch it at their
/// boundary and turn it into a failed result with that text.
class FFmpegException : public std::runtime_error {
 public:
  explicit FFmpegException(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace zentrova

// Collects the default logger's lines during one test.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "log/logger.h"

namespace zentrova::test {

/// Becomes the default logger for its lifetime (create it on the main thread
/// before anything logs) and keeps every line up to `level`, from any thread.
class LogCapture {
 public:
  explicit LogCapture(TLogLevel level = TLogLevel::llInfo);
  /// Lines that contain `text`.
  int Count(const std::string& text) const;
  std::vector<std::string> Lines() const;

 private:
  mutable std::mutex mutex_;  // guards lines_: the decoder may log from a worker thread
  std::vector<std::string> lines_;
  TZOVuzodi logger_;  // last: destroyed first, so OnLog never sees a dead vector
};

}  // namespace zentrova::test

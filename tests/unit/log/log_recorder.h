// Records what a logger hands to OnLog, for the log subsystem's tests.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "log/logger.h"

namespace zentrova::test {

struct LoggedLine {
  const void* Sender = nullptr;
  int ThreadId = 0;
  TLogLevel Level = TLogLevel::llInfo;
  std::string Msg;
  bool OnMainThread = false;  ///< IsMainThread() inside OnLog
  unsigned DeliveredOn = 0;   ///< thread that ran OnLog
};

/// Thread-safe list of the lines an OnLog handler received.
class LogRecorder {
 public:
  /// A handler that records into this recorder (which must outlive its use).
  TLogEvent Handler();
  std::vector<LoggedLine> Lines() const;
  std::vector<std::string> Texts() const;
  std::size_t Count() const;
  void Clear();
  /// Serves the main-thread queue until `count` lines arrived or 20 s passed.
  bool WaitForCount(std::size_t count) const;

 private:
  mutable std::mutex mutex_;
  std::vector<LoggedLine> lines_;  // guarded by mutex_
};

}  // namespace zentrova::test

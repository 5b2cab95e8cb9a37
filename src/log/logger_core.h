// The delivery state of one logger, shared with the lines queued for the
// main thread so that they never outlive what they use. Internal to the log
// subsystem.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "log/log_level.h"
#include "log/logger.h"

namespace zentrova::detail {

class LoggerCore : public std::enable_shared_from_this<LoggerCore> {
 public:
  LoggerCore(const void* owner, int log_flags, TLogLevel log_level);

  /// A message of the system: dropped when skipping or more detailed than
  /// the level, else delivered.
  void Log(const void* sender, TLogLevel level, const std::string& msg);
  /// A library line (already filtered by number); the sender is the owner.
  void LogLine(unsigned thread_id, int library_level, const std::string& text);

  /// Replaces the handler. Waits for a handler call running on another
  /// thread (serving the main-thread queue while it waits on the main thread).
  void SetHandler(TLogEvent handler);
  bool HasHandler() const { return has_handler_.load(); }
  /// After this no handler runs any more, also for lines already queued.
  void Retire();

  const void* const owner;  // the TZOVuzodi, sender of library lines
  std::atomic<bool> active{true};
  std::atomic<bool> skip{true};
  std::atomic<bool> trigger_in_main_thread{true};
  std::atomic<bool> auto_created{false};
  std::atomic<int> log_flags;
  std::atomic<TLogLevel> log_level;

 private:
  void Deliver(const TLogInfo& info);
  void DeliverToHandler(const TLogInfo& info);
  void CallHandler(const TLogInfo& info);

  // Serialises handler calls and handler changes. Recursive: a handler may
  // log, and the main thread runs queued lines while it waits for it.
  std::recursive_mutex delivery_mutex_;
  TLogEvent handler_;  // guarded by delivery_mutex_
  std::atomic<bool> has_handler_{false};
  std::atomic<bool> retired_{false};
};

}  // namespace zentrova::detail

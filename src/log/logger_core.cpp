#include "log/logger_core.h"

#include "log/log_hub.h"
#include "log/main_thread.h"
#include "log/threads.h"

namespace zentrova::detail {
namespace {

// Takes the delivery lock. The main thread keeps serving its queue while it
// waits: the holder may be a worker whose handler waits for the main thread.
std::unique_lock<std::recursive_mutex> LockDelivery(std::recursive_mutex& mutex) {
  std::unique_lock lock(mutex, std::try_to_lock);
  if (lock.owns_lock()) return lock;
  if (!IsMainThread()) {
    lock.lock();
    return lock;
  }
  while (!lock.try_lock()) CheckSynchronize(1);
  return lock;
}

}  // namespace

LoggerCore::LoggerCore(const void* owner_logger, int flags, TLogLevel level)
    : owner(owner_logger), log_flags(flags), log_level(level) {}

void LoggerCore::Log(const void* sender, TLogLevel level, const std::string& msg) {
  if (skip.load() || level > log_level.load()) return;
  Deliver(TLogInfo{sender, CurrentThreadId(), level, msg});
}

void LoggerCore::LogLine(unsigned thread_id, int library_level, const std::string& text) {
  if (skip.load()) return;
  Deliver(TLogInfo{owner, thread_id, LogLevelFromLibrary(library_level), text});
}

void LoggerCore::Deliver(const TLogInfo& info) {
  DeliverToHandler(info);
  if (LogHub::Gone()) return;
  LogFile& file = LogHub::Instance().file;
  if (!file.Wanted()) return;
  std::string error = file.Write(info);
  // A log file that cannot be written must not end the work that logs: say
  // so once through OnLog and try again with the next line.
  if (!error.empty()) DeliverToHandler(TLogInfo{owner, info.ThreadID, TLogLevel::llError, std::move(error)});
}

void LoggerCore::DeliverToHandler(const TLogInfo& info) {
  if (!has_handler_.load()) return;
  if (trigger_in_main_thread.load() && !IsMainThread()) {
    // Queued, not waited for: a worker that logs never blocks on the main
    // thread. The queue is FIFO, so one thread's lines keep their order.
    PostToMainThread([self = shared_from_this(), info] { self->CallHandler(info); });
    return;
  }
  CallHandler(info);
}

void LoggerCore::CallHandler(const TLogInfo& info) {
  if (retired_.load()) return;
  auto lock = LockDelivery(delivery_mutex_);
  if (retired_.load() || !handler_) return;
  // A copy: the handler may replace OnLog while it runs.
  const TLogEvent handler = handler_;
  try {
    handler(info.Sender, static_cast<int>(info.ThreadID), info.LogLevel, info.LogMsg);
  } catch (...) {
    // A failing handler loses its line only; logging goes on.
  }
}

void LoggerCore::SetHandler(TLogEvent handler) {
  auto lock = LockDelivery(delivery_mutex_);
  handler_ = std::move(handler);
  has_handler_.store(static_cast<bool>(handler_));
}

void LoggerCore::Retire() {
  auto lock = LockDelivery(delivery_mutex_);
  retired_.store(true);
  handler_ = nullptr;
  has_handler_.store(false);
  skip.store(true);
}

}  // namespace zentrova::detail

#include "log/threads.h"

#include <sys/resource.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "log/logger.h"
#include "log/main_thread.h"

namespace zentrova {

unsigned CurrentThreadId() {
  return static_cast<unsigned>(gettid());
}

void TManualResetEvent::Set() {
  {
    std::lock_guard lock(mutex_);
    set_ = true;
  }
  changed_.notify_all();
  // The main thread may be waiting for this event while it serves its queue.
  WakeMainThread();
}

void TManualResetEvent::Reset() {
  std::lock_guard lock(mutex_);
  set_ = false;
}

bool TManualResetEvent::IsSet() const {
  std::lock_guard lock(mutex_);
  return set_;
}

bool TManualResetEvent::Wait(int timeout_ms) const {
  std::unique_lock lock(mutex_);
  if (timeout_ms < 0) {
    changed_.wait(lock, [this] { return set_; });
    return true;
  }
  return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [this] { return set_; });
}

namespace {

const char* PriorityName(TThreadPriority priority) {
  switch (priority) {
    case TThreadPriority::tpIdle:
      return "tpIdle";
    case TThreadPriority::tpLowest:
      return "tpLowest";
    case TThreadPriority::tpLower:
      return "tpLower";
    case TThreadPriority::tpNormal:
      return "tpNormal";
    case TThreadPriority::tpHigher:
      return "tpHigher";
    case TThreadPriority::tpHighest:
      return "tpHighest";
    case TThreadPriority::tpTimeCritical:
      return "tpTimeCritical";
  }
  return "?";
}

}  // namespace

int NiceValue(TThreadPriority priority) {
  switch (priority) {
    case TThreadPriority::tpIdle:
      return 19;
    case TThreadPriority::tpLowest:
      return 10;
    case TThreadPriority::tpLower:
      return 5;
    case TThreadPriority::tpNormal:
      return 0;
    case TThreadPriority::tpHigher:
      return -5;
    case TThreadPriority::tpHighest:
      return -10;
    case TThreadPriority::tpTimeCritical:
      return -20;
  }
  return 0;
}

bool SetCurrentThreadPriority(TThreadPriority priority) {
  // On Linux PRIO_PROCESS with a thread id sets that one thread's nice value.
  const int nice = NiceValue(priority);
  if (setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), nice) == 0) return true;
  const int error = errno;
  LogFmt(TLogLevel::llWarning, "Cannot set thread priority {} (nice {}): {}", PriorityName(priority), nice,
         std::strerror(error));
  return false;
}

}  // namespace zentrova

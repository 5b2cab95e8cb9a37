// Small thread utilities: thread id, manual-reset event, thread priority.
#pragma once

#include <condition_variable>
#include <mutex>

namespace zentrova {

/// The kernel thread id of the calling thread (gettid()).
unsigned CurrentThreadId();

/// An event that stays set until reset; any number of threads may wait.
/// Thread-safe.
class TManualResetEvent {
 public:
  explicit TManualResetEvent(bool initially_set = false) : set_(initially_set) {}
  TManualResetEvent(const TManualResetEvent&) = delete;
  TManualResetEvent& operator=(const TManualResetEvent&) = delete;

  void Set();
  void Reset();
  bool IsSet() const;
  /// Waits until the event is set or `timeout_ms` has passed (negative: no
  /// limit). Returns true when the event is set.
  bool Wait(int timeout_ms = -1) const;

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool set_;  // guarded by mutex_
};

/// Whether a stop waits for the end of what it stops.
enum class TStopWait { swNoWait, swWait };

enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

/// The nice value a priority maps to (tpIdle 19 ... tpNormal 0 ... tpTimeCritical -20).
int NiceValue(TThreadPriority priority);
/// Sets the calling thread's nice value (best effort). A refusal (raising
/// the priority needs privileges) is logged at llWarning and gives false.
bool SetCurrentThreadPriority(TThreadPriority priority);

}  // namespace zentrova

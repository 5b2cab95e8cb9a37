// TConvertThread: an engine-owned worker thread.
//
// A conversion task runs on one (`StartConvert`), and the termination
// report of a task that never started is delivered on another. The thread
// runs its work once with the requested priority and ends; the owner joins
// it when the thread object is destroyed.
//
// Threads: started and destroyed by the task's owner. `Start` finishes
// every write to this object before the work begins, so the work may even
// end by destroying the owner (a termination handler that frees the task):
// then the destructor runs on the thread itself and detaches it instead of
// waiting for itself, and the work must touch nothing of the owner
// afterwards.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include "log/threads.h"

namespace zentrova {

class TConvertThread {
 public:
  TConvertThread() = default;
  /// Joins the thread, or detaches it when called on the thread itself.
  ~TConvertThread();
  TConvertThread(const TConvertThread&) = delete;
  TConvertThread& operator=(const TConvertThread&) = delete;

  /// Runs `work` on a new thread with `priority` (best effort); the work
  /// begins after this call has stored the thread. Exceptions from `work`
  /// are logged at llError: none leaves the thread. Once per object.
  void Start(std::function<void()> work, TThreadPriority priority);

  bool Started() const { return FThreadID.load() != 0; }
  /// The kernel thread id of the thread (0 before Start).
  unsigned ThreadID() const { return FThreadID.load(); }
  /// True when called on this thread.
  bool IsCurrent() const;

 private:
  std::thread FThread;
  std::atomic<unsigned> FThreadID{0};
};

}  // namespace zentrova

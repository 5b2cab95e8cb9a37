// TDoTerminateThread: the encoder's one termination delivery thread.
//
// A task's worker must never wait for the main thread when its task ends,
// and the caller must see the terminations of a run in order, one at a time,
// with the end-of-run record last. So the worker only queues its record
// here; this thread delivers the records first in, first out, one after the
// other, and runs each item's follow-up (the automatic release of the task)
// after its delivery. One per encoder, started with it and joined before the
// encoder frees anything a delivery could touch.
//
// Threads: `Push` from any thread; `Idle` from any thread; `Shutdown` and the
// destructor from the owner's thread (normally the main thread: while it
// waits for a delivery that is waiting for the main thread, it serves the
// main-thread queue).
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "encoder/terminate_info.h"

namespace zentrova {

/// One termination record on its way to the caller.
struct TTerminateItem {
  TTerminateInfo Info;
  /// Hand the event to the main thread (else call it on the delivery thread).
  bool TriggerEventInMainThread = true;
  /// Runs on the delivery thread after the delivery, also when it raised
  /// (automatic release). May be empty.
  std::function<void()> AfterDelivery;
};

class TDoTerminateThread {
 public:
  using TItem = TTerminateItem;
  /// Delivers one record; called on the delivery thread, one at a time. It
  /// may throw: the error is logged and the item still counts as delivered.
  using TDeliver = std::function<void(const TItem& item)>;

  /// Starts the thread.
  explicit TDoTerminateThread(TDeliver deliver);
  /// Shutdown().
  ~TDoTerminateThread();
  TDoTerminateThread(const TDoTerminateThread&) = delete;
  TDoTerminateThread& operator=(const TDoTerminateThread&) = delete;

  /// Queues a record behind the ones already queued. Ignored after Shutdown.
  void Push(TItem item);
  /// True when nothing is queued and no delivery is running.
  bool Idle() const;
  /// True when nothing is queued (a delivery may be running).
  bool QueueEmpty() const;
  /// Drops what is still queued, waits for the running delivery and joins
  /// the thread. On the main thread the wait serves the main-thread queue.
  /// A second call does nothing.
  void Shutdown();

 private:
  void Run();

  TDeliver deliver_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<TItem> queue_;  // guarded by mutex_
  bool busy_ = false;        // guarded by mutex_: an item is being delivered
  bool stopping_ = false;    // guarded by mutex_
  bool finished_ = false;    // guarded by mutex_: Run has returned
  std::thread thread_;
};

}  // namespace zentrova

// A caller's event that one thread may replace while others raise it.
//
// The encoder raises its events from worker threads while the main thread
// may assign or clear them. A slot hands out a shared copy of the handler,
// so a call in progress keeps its handler alive and a setter never waits for
// a running handler (the handler may be waiting for the main thread, which
// is where setters run). Thread-safe; the slot's mutex is held only to copy
// or replace the pointer, never while a handler runs.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>

namespace zentrova {

template <typename Signature>
class TEventSlot {
 public:
  using Handler = std::function<Signature>;

  /// Replaces the handler; an empty function clears the slot.
  void Set(Handler handler) {
    std::shared_ptr<const Handler> next;
    if (handler) next = std::make_shared<const Handler>(std::move(handler));
    std::lock_guard lock(mutex_);
    assigned_.store(next != nullptr, std::memory_order_release);
    handler_.swap(next);
    // `next` (the old handler) is released outside the lock.
  }
  /// The current handler (null when none); the caller may call it after
  /// the slot was changed.
  std::shared_ptr<const Handler> Get() const {
    std::lock_guard lock(mutex_);
    return handler_;
  }
  /// A cheap test without the mutex, for handlers that return at once when
  /// nothing is assigned (a stale answer only costs one Get()).
  bool Assigned() const { return assigned_.load(std::memory_order_acquire); }

 private:
  mutable std::mutex mutex_;
  std::shared_ptr<const Handler> handler_;  // guarded by mutex_
  std::atomic<bool> assigned_{false};
};

}  // namespace zentrova

#include "log/main_thread.h"

#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "log/logger.h"
#include "log/threads.h"

namespace zentrova {
namespace {

// The process-wide queue of calls for the main thread.
struct MainThreadQueue {
  std::mutex mutex;
  std::condition_variable queued;
  std::deque<std::function<void()>> calls;  // guarded by mutex
  std::uint64_t wakes = 0;                  // guarded by mutex: WakeMainThread calls so far
  std::function<void()> wake_hook;          // guarded by mutex
};

MainThreadQueue& Queue() {
  // Never destroyed: a worker that ends while the process exits may still
  // wake the main thread (its event's Set does) after the statics are gone.
  static union Holder {
    MainThreadQueue queue;
    Holder() : queue() {}
    ~Holder() {}
  } holder;
  return holder.queue;
}

// 0 until AttachMainThread: then the process's initial thread is the main thread.
std::atomic<unsigned> main_thread_id{0};

// Queues a call that never throws, then wakes the main thread.
void Enqueue(std::function<void()> call) {
  MainThreadQueue& queue = Queue();
  std::function<void()> hook;
  {
    std::lock_guard lock(queue.mutex);
    queue.calls.push_back(std::move(call));
    hook = queue.wake_hook;
  }
  queue.queued.notify_all();
  if (hook) hook();
}

// A worker's wait for its call.
struct CallState {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;  // guarded by mutex
  std::exception_ptr error;
};

}  // namespace

void AttachMainThread() {
  main_thread_id.store(CurrentThreadId());
}

bool IsMainThread() {
  const unsigned id = main_thread_id.load();
  return CurrentThreadId() == (id != 0 ? id : static_cast<unsigned>(getpid()));
}

void CallInMainThread(std::function<void()> fn) {
  if (IsMainThread()) {
    fn();
    return;
  }
  auto state = std::make_shared<CallState>();
  Enqueue([state, fn = std::move(fn)] {
    try {
      fn();
    } catch (...) {
      state->error = std::current_exception();
    }
    {
      std::lock_guard lock(state->mutex);
      state->done = true;
    }
    state->finished.notify_all();
  });
  std::unique_lock lock(state->mutex);
  state->finished.wait(lock, [&] { return state->done; });
  if (state->error) std::rethrow_exception(state->error);
}

void PostToMainThread(std::function<void()> fn) {
  Enqueue([fn = std::move(fn)] {
    try {
      fn();
    } catch (const std::exception& e) {
      LogFmt(TLogLevel::llError, "Exception in a main-thread call: {}", e.what());
    } catch (...) {
      Log(TLogLevel::llError, "Exception in a main-thread call.");
    }
  });
}

namespace {

std::uint64_t WakesSoFar() {
  MainThreadQueue& queue = Queue();
  std::lock_guard lock(queue.mutex);
  return queue.wakes;
}

// CheckSynchronize, whose wait also ends at a WakeMainThread after the
// `wakes`-th one.
bool ServeQueue(int timeout_ms, std::uint64_t wakes) {
  MainThreadQueue& queue = Queue();
  std::unique_lock lock(queue.mutex);
  if (queue.calls.empty() && timeout_ms > 0)
    queue.queued.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                          [&] { return !queue.calls.empty() || queue.wakes != wakes; });
  // One at a time, so that a call that serves the queue itself keeps the
  // FIFO order; at most the calls present now, so that busy workers cannot
  // keep the main thread here.
  bool ran = false;
  for (std::size_t count = queue.calls.size(); count > 0 && !queue.calls.empty(); --count) {
    std::function<void()> call = std::move(queue.calls.front());
    queue.calls.pop_front();
    lock.unlock();
    call();  // never throws: Enqueue's callers wrap every call
    call = nullptr;
    ran = true;
    lock.lock();
  }
  return ran;
}

}  // namespace

bool CheckSynchronize(int timeout_ms) {
  if (!IsMainThread()) return false;
  return ServeQueue(timeout_ms, WakesSoFar());
}

bool MainThreadWait(const std::function<bool()>& done, int timeout_ms) {
  using Clock = std::chrono::steady_clock;
  constexpr int kServeIntervalMs = 20;
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeout_ms, 0));
  for (;;) {
    // Counted before `done` is asked, so that a wake between the two is not lost.
    const std::uint64_t wakes = WakesSoFar();
    if (done()) break;
    int slice_ms = kServeIntervalMs;
    if (timeout_ms >= 0) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) break;
      slice_ms = static_cast<int>(std::min<long long>(left, kServeIntervalMs));
    }
    if (IsMainThread())
      ServeQueue(slice_ms, wakes);
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(slice_ms));
  }
  return done();
}

void WakeMainThread() {
  MainThreadQueue& queue = Queue();
  {
    std::lock_guard lock(queue.mutex);
    ++queue.wakes;
  }
  queue.queued.notify_all();
}

void SetWakeHook(std::function<void()> hook) {
  MainThreadQueue& queue = Queue();
  std::lock_guard lock(queue.mutex);
  queue.wake_hook = std::move(hook);
}

}  // namespace zentrova

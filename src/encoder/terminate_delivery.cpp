#include "encoder/terminate_delivery.h"

#include <exception>
#include <utility>

#include "log/logger.h"
#include "log/main_thread.h"

namespace zentrova {

TDoTerminateThread::TDoTerminateThread(TDeliver deliver)
    : deliver_(std::move(deliver)), thread_([this] { Run(); }) {}

TDoTerminateThread::~TDoTerminateThread() {
  Shutdown();
}

void TDoTerminateThread::Push(TItem item) {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    queue_.push_back(std::move(item));
  }
  wake_.notify_one();
}

bool TDoTerminateThread::Idle() const {
  std::lock_guard lock(mutex_);
  return queue_.empty() && !busy_;
}

bool TDoTerminateThread::QueueEmpty() const {
  std::lock_guard lock(mutex_);
  return queue_.empty();
}

void TDoTerminateThread::Shutdown() {
  std::deque<TItem> dropped;
  {
    std::lock_guard lock(mutex_);
    if (stopping_ && !thread_.joinable()) return;
    stopping_ = true;
    dropped.swap(queue_);
  }
  wake_.notify_one();
  // A running delivery may wait for the main thread: keep serving it.
  MainThreadWait(
      [this] {
        std::lock_guard lock(mutex_);
        return finished_;
      },
      -1);
  if (thread_.joinable()) thread_.join();
  // `dropped` (with its follow-ups, never run) goes here, outside the lock.
}

void TDoTerminateThread::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_) break;
    TItem item = std::move(queue_.front());
    queue_.pop_front();
    busy_ = true;
    lock.unlock();
    try {
      deliver_(item);
    } catch (const std::exception& e) {
      LogFmt(TLogLevel::llError, "Error occurs OnTerminate event: {}", e.what());
    } catch (...) {
      Log(TLogLevel::llError, "Error occurs OnTerminate event.");
    }
    if (item.AfterDelivery) {
      try {
        item.AfterDelivery();
      } catch (const std::exception& e) {
        LogFmt(TLogLevel::llError, "Error releasing task #{}: {}", item.Info.TaskIndex, e.what());
      } catch (...) {
        LogFmt(TLogLevel::llError, "Error releasing task #{}.", item.Info.TaskIndex);
      }
    }
    item = TItem{};  // release what the item holds before taking the lock
    lock.lock();
    busy_ = false;
    WakeMainThread();  // a main thread waiting for the deliveries to end
  }
  finished_ = true;
  lock.unlock();
  WakeMainThread();
}

}  // namespace zentrova

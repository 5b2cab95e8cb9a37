#include "encoder/task_schedule.h"

#include <algorithm>
#include <utility>

namespace zentrova {

TTaskSchedule::TTaskSchedule(std::recursive_mutex& lock, TCallbacks callbacks)
    : lock_(lock), callbacks_(std::move(callbacks)) {}

void TTaskSchedule::Begin(int tasks_count, int thread_count) {
  std::lock_guard guard(lock_);
  tasks_count_ = tasks_count < 0 ? 0 : tasks_count;
  complete_tasks_ = 0;
  current_task_ = 0;
  pending_tasks_ = tasks_count_;
  running_tasks_ = 0;
  thread_count_ = thread_count;
  thread_mode_ = thread_count > 0;
  running_ = true;
  terminated_ = false;
  if (thread_mode_) {
    // A task that ends at once re-enters TaskEnded, which may start more:
    // count starts by how many are running, not by loop turns.
    for (int started = 0; started < thread_count && pending_tasks_ > 0; ++started) StartNextTask();
  }
  CheckAllDone();
}

int TTaskSchedule::TakeNext() {
  std::lock_guard guard(lock_);
  while (pending_tasks_ > 0) {
    --pending_tasks_;
    const int index = current_task_++;
    if (callbacks_.Present(index)) return index;
    ++complete_tasks_;
  }
  CheckAllDone();
  return -1;
}

void TTaskSchedule::TaskEnded() {
  std::lock_guard guard(lock_);
  if (!running_) return;
  ++complete_tasks_;
  if (running_tasks_ > 0) --running_tasks_;
  if (pending_tasks_ > 0 && thread_mode_) StartNextTask();
  CheckAllDone();
}

void TTaskSchedule::CancelPending() {
  std::lock_guard guard(lock_);
  if (!running_) {
    pending_tasks_ = 0;
    return;
  }
  for (; pending_tasks_ > 0; --pending_tasks_, ++current_task_) {
    if (!callbacks_.Present(current_task_)) ++complete_tasks_;
  }
  CheckAllDone();
}

void TTaskSchedule::Reset() {
  std::lock_guard guard(lock_);
  tasks_count_ = 0;
  complete_tasks_ = 0;
  current_task_ = -1;
  pending_tasks_ = 0;
  running_tasks_ = 0;
  thread_count_ = 0;
  thread_mode_ = false;
  running_ = false;
  terminated_ = false;
}

void TTaskSchedule::StartNextTask() {
  while (pending_tasks_ > 0) {
    --pending_tasks_;
    const int index = current_task_++;
    if (!callbacks_.Present(index)) {
      ++complete_tasks_;
      continue;
    }
    ++running_tasks_;
    callbacks_.Start(index);
    return;
  }
}

void TTaskSchedule::CheckAllDone() {
  if (!running_ || complete_tasks_ < tasks_count_) return;
  running_ = false;
  terminated_ = true;
  callbacks_.Finished();
}

bool TTaskSchedule::ThreadMode() const {
  std::lock_guard guard(lock_);
  return thread_mode_;
}

bool TTaskSchedule::Running() const {
  std::lock_guard guard(lock_);
  return running_;
}

bool TTaskSchedule::Terminated() const {
  std::lock_guard guard(lock_);
  return terminated_;
}

int TTaskSchedule::CompleteTasks() const {
  std::lock_guard guard(lock_);
  return complete_tasks_;
}

int TTaskSchedule::CurrentTask() const {
  std::lock_guard guard(lock_);
  return current_task_;
}

int TTaskSchedule::PendingTasks() const {
  std::lock_guard guard(lock_);
  return pending_tasks_;
}

int TTaskSchedule::TasksCount() const {
  std::lock_guard guard(lock_);
  return tasks_count_;
}

int TTaskSchedule::TasksAtOnce() const {
  std::lock_guard guard(lock_);
  if (!thread_mode_) return 1;
  // Released entries start nothing: count only the waiting tasks.
  int at_once = running_tasks_;
  for (int i = 0; i < pending_tasks_ && at_once < thread_count_; ++i) {
    if (callbacks_.Present(current_task_ + i)) ++at_once;
  }
  return std::clamp(at_once, 1, thread_count_);
}

}  // namespace zentrova

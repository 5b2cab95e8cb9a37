// TCustomEncoder: running the list — Start, Pause, Resume, Stop, the
// termination handler and the delivery of terminations.
#include <malloc.h>

#include <exception>
#include <fmt/format.h>

#include "encoder/custom_encoder.h"
#include "encoder/custom_encoder_state.h"
#include "encoder/thread_share.h"
#include "log/logger.h"
#include "log/main_thread.h"

namespace zentrova {
namespace {

// Counts a nesting level for the time of a scope.
class TDepthScope {
 public:
  explicit TDepthScope(int& depth) : depth_(depth) { ++depth_; }
  ~TDepthScope() { --depth_; }
  TDepthScope(const TDepthScope&) = delete;
  TDepthScope& operator=(const TDepthScope&) = delete;

 private:
  int& depth_;
};

// A run frees its frames, codecs and buffers among blocks that live on (the
// waiting tasks, the caller's rows), so the allocator keeps most of those
// pages: hand them back, so that a long batch's resident memory follows the
// tasks running at once, not the number that ran.
void ReturnFreePages() {
#ifdef __GLIBC__
  ::malloc_trim(0);
#endif
}

}  // namespace

// ---- Control -------------------------------------------------------------------------

void TCustomEncoder::Start(int thread_count) {
  CheckWorking("StartTask");
  // A run releases its inputs when it ends: the decoders let go of them now,
  // on this thread, before any task starts.
  for (const TFFmpegList::TTaskPtr& task : FState->FFFmpegList.Snapshot()) task->DetachDecoders();
  FWorking = true;
  FPaused = false;
  if (thread_count > 0) {
    {
      // Started from a handler inside a run on the calling thread: that run
      // is over, and this one's terminations go to the delivery thread.
      std::lock_guard lock(FTerminateLock);
      FCallerRunActive = false;
    }
    FState->FSchedule.Begin(TasksCount(), thread_count);
    return;
  }
  // The previous run's events come before this run's.
  WaitForDeliveries();
  RunOnCallingThread();
}

bool TCustomEncoder::CallerRunGoesOn() {
  std::lock_guard lock(FTerminateLock);
  if (!FCallerRunActive) return false;  // a handler cleared the list and started another run
  if (FState->FSchedule.Running() || !FCallerRecords.empty()) return true;
  FCallerRunActive = false;
  return false;
}

void TCustomEncoder::RunOnCallingThread() {
  {
    std::lock_guard lock(FTerminateLock);
    FCallerRunActive = true;
  }
  FState->FSchedule.Begin(TasksCount(), 0);
  for (;;) {
    DeliverCallerRecords();
    if (!CallerRunGoesOn()) return;
    const int index = FState->FSchedule.TakeNext();
    if (index < 0) break;
    // Held here: the task runs (and reports) inside StartConvert.
    const std::shared_ptr<TFFmpeg> task = FState->FFFmpegList.Item(index);
    if (!task) continue;
    task->SetDefaultEncoderThreads(EncoderThreadsPerTask(MachineProcessors(), 1));
    task->StartConvert(TRunThread::rtCallingThread, FThreadPriority.load());
  }
  // Tasks ended by Stop report from threads of their own: wait for the last
  // report, delivering each on this thread as it comes.
  for (;;) {
    DeliverCallerRecords();
    if (!CallerRunGoesOn()) return;
    MainThreadWait(
        [this] {
          std::lock_guard lock(FTerminateLock);
          return !FCallerRunActive || !FCallerRecords.empty() || !FState->FSchedule.Running();
        },
        20);
  }
}

// Under FTerminateLock, so that a task a worker starts meanwhile sees the
// new state (StartTaskThread pauses it when the run is paused).
void TCustomEncoder::Pause() {
  std::lock_guard lock(FTerminateLock);
  if (!Working() || Paused()) return;
  FPaused = true;
  for (const TFFmpegList::TTaskPtr& task : FState->FFFmpegList.Snapshot()) task->Pause();
}

void TCustomEncoder::Resume() {
  std::lock_guard lock(FTerminateLock);
  if (!Working() || !Paused()) return;
  FPaused = false;
  for (const TFFmpegList::TTaskPtr& task : FState->FFFmpegList.Snapshot()) task->Resume();
}

void TCustomEncoder::Stop(TStopWait wait) {
  FState->FSchedule.CancelPending();
  if (!Working()) return;
  StopAllTasks(FState->FFFmpegList.Snapshot(), wait);
}

void TCustomEncoder::StopAllTasks(const std::vector<std::shared_ptr<TFFmpeg>>& tasks, TStopWait wait) {
  for (const TFFmpegList::TTaskPtr& task : tasks) {
    // A task whose event this thread is serving waits for this very call:
    // waiting for its end would never return.
    const bool can_wait = wait == TStopWait::swWait && !ServingEventOf(task.get());
    task->StopOrCancel(can_wait ? TStopWait::swWait : TStopWait::swNoWait);
  }
}

// ---- Scheduling (under FTerminateLock) -------------------------------------------------

void TCustomEncoder::StartTaskThread(int index) {
  const std::shared_ptr<TFFmpeg> task = FState->FFFmpegList.Item(index);
  if (!task) return;
  // The processors are shared among the tasks that run side by side.
  task->SetDefaultEncoderThreads(EncoderThreadsPerTask(MachineProcessors(), FState->FSchedule.TasksAtOnce()));
  task->StartConvert(TRunThread::rtWorkerThread, FThreadPriority.load());
  // A task started while the run is paused starts paused too.
  if (FPaused.load()) task->Pause();
}

void TCustomEncoder::AllTasksDone() {
  if (!FOnTerminate.Assigned()) return;
  TTerminateInfo info;
  info.TaskIndex = -1;
  info.Finished = true;
  QueueTermination(info, {});
}

// ---- Terminations ----------------------------------------------------------------------

void TCustomEncoder::HandleTerminate(TFFmpegTask* sender) {
  std::lock_guard lock(FTerminateLock);
  if (FOnTerminate.Assigned()) {
    int index = -1;
    std::weak_ptr<TFFmpeg> task;
    {
      // Only a weak reference is kept: the strong one goes while the list
      // still holds the task, so the task is never freed on its own thread.
      auto located = FState->FFFmpegList.Locate(sender);
      index = located.first;
      task = located.second;
    }
    // A task that left the list (its encoder is being destroyed) has no
    // index to report; -1 is reserved for the end of the run.
    if (index >= 0) {
      TTerminateInfo info;
      info.TaskIndex = index;
      info.Finished = sender->Finished();
      info.Exception = sender->FatalException();
      info.ExceptionMsg = sender->FatalMessage();
      info.Incomplete = !info.Exception && sender->Incomplete();
      info.IncompleteMsg = info.Incomplete ? sender->IncompleteMessage() : std::string();
      info.DecodeErrors = sender->DecodeErrors();
      QueueTermination(info, task);
    }
  }
  FState->FSchedule.TaskEnded();
  if (FCallerRunActive) WakeMainThread();  // the caller's thread waits for this report
}

void TCustomEncoder::QueueTermination(const TTerminateInfo& info, const std::weak_ptr<TFFmpeg>& task) {
  if (FCallerRunActive) {
    FCallerRecords.push_back(info);
    return;
  }
  TTerminateItem item;
  item.Info = info;
  item.TriggerEventInMainThread = FTriggerEventInMainThread.load();
  if (info.TaskIndex >= 0) {
    // By pointer: after ClearTasks the entry at that index is another task.
    item.AfterDelivery = [this, task] {
      if (AutoReleaseTask()) FState->FFFmpegList.Release(task);  // freed here, outside the list lock
      ReturnFreePages();
    };
  }
  FState->FDelivery.Push(std::move(item));
}

void TCustomEncoder::DeliverTermination(const TTerminateItem& item) {
  const auto call = [this, &item] {
    const auto handler = FOnTerminate.Get();
    if (handler) (*handler)(this, item.Info);
  };
  if (!item.TriggerEventInMainThread) {
    call();
    return;
  }
  CallInMainThread([this, &call] {
    TDepthScope scope(FTerminateEventDepth);
    call();
  });
}

void TCustomEncoder::DeliverCallerRecords() {
  for (;;) {
    TTerminateInfo info;
    {
      std::lock_guard lock(FTerminateLock);
      if (FCallerRecords.empty()) return;
      info = std::move(FCallerRecords.front());
      FCallerRecords.pop_front();
    }
    try {
      const auto handler = FOnTerminate.Get();
      if (handler) (*handler)(this, info);
    } catch (const std::exception& e) {
      DefaultLogger()->Log(this, TLogLevel::llError,
                           fmt::format("Error occurs OnTerminate event: {}", e.what()));
    } catch (...) {
      DefaultLogger()->Log(this, TLogLevel::llError, "Error occurs OnTerminate event.");
    }
  }
}

void TCustomEncoder::WaitForDeliveries() {
  // Called from inside an OnTerminate delivered on this thread, that
  // delivery is this very call: only the queue behind it matters.
  const bool inside_delivery = FTerminateEventDepth > 0;
  MainThreadWait(
      [this, inside_delivery] {
        return inside_delivery ? FState->FDelivery.QueueEmpty() : FState->FDelivery.Idle();
      },
      -1);
}

}  // namespace zentrova

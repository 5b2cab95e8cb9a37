// The run counters of the encoder's task list: which task starts next, how
// many are done, and when the run is over.
//
// A run covers the `tasks_count` entries of the list in order. In thread
// mode at most `thread_count` tasks are started by `Begin`; each
// `TaskEnded` counts one and starts the next waiting task, so that many run
// at once. In caller mode the caller takes the tasks one by one
// (`TakeNext`) and runs each on its own thread. Entries without a task
// (released ones) count as done when their turn comes or when the run is
// cancelled, so a run with nothing (left) to start still ends; `Finished`
// is called once per run, when every entry is counted.
//
// Threads: every operation takes the lock given at construction (the
// encoder's recursive terminate lock), so the counters change only under
// it. The callbacks run under that lock: `start` must not wait for the task
// (in thread mode it only starts its worker); a task that ends at once may
// call `TaskEnded` again from inside `start` on the same thread.
#pragma once

#include <functional>
#include <mutex>

namespace zentrova {

class TTaskSchedule {
 public:
  struct TCallbacks {
    /// True when the list entry at `index` holds a task.
    std::function<bool(int index)> Present;
    /// Thread mode: starts the task at `index` on its worker.
    std::function<void(int index)> Start;
    /// Every entry is counted: the end of the run.
    std::function<void()> Finished;
  };

  TTaskSchedule(std::recursive_mutex& lock, TCallbacks callbacks);

  /// Starts a run over `tasks_count` entries. `thread_count` > 0: thread
  /// mode, starts up to that many tasks now; otherwise caller mode, starts
  /// none. A run with nothing to start ends here (Finished).
  void Begin(int tasks_count, int thread_count);
  /// Caller mode: the next entry to run, moving on; -1 when none is left
  /// (entries without a task are counted and skipped; the run may end here).
  int TakeNext();
  /// A task of this run ended: counts it; in thread mode starts the next
  /// waiting task; ends the run when every entry is counted. Ignored outside
  /// a run.
  void TaskEnded();
  /// No further task starts. Waiting entries without a task are counted now;
  /// the others are expected to report their end (the caller cancels them).
  void CancelPending();
  /// Back to no run (counters 0, current -1).
  void Reset();

  bool ThreadMode() const;
  /// A run has begun and has not ended yet.
  bool Running() const;
  /// The current run has ended (Finished was called).
  bool Terminated() const;
  int CompleteTasks() const;
  int CurrentTask() const;
  int PendingTasks() const;
  int TasksCount() const;
  /// How many tasks run side by side with the one being started: the
  /// started tasks that have not ended (this one included) plus the waiting
  /// tasks that start as soon as there is room, at most the run's thread
  /// count; 1 in caller mode. Read it inside `Start` to size a task.
  int TasksAtOnce() const;

 private:
  /// Under the lock: starts the next waiting task (thread mode).
  void StartNextTask();
  /// Under the lock: ends the run when every entry is counted.
  void CheckAllDone();

  std::recursive_mutex& lock_;
  TCallbacks callbacks_;
  // Guarded by lock_:
  int tasks_count_ = 0;
  int complete_tasks_ = 0;
  int current_task_ = -1;
  int pending_tasks_ = 0;
  int running_tasks_ = 0;  ///< thread mode: started and not yet ended
  int thread_count_ = 0;
  bool thread_mode_ = false;
  bool running_ = false;
  bool terminated_ = false;
};

}  // namespace zentrova

// Runs a planned batch through the encoder component, as the application's
// main window does: each planned file becomes a task (`AddTask`, `AddInput`
// for joined inputs, `SetOutput`; a task whose output cannot be set is
// removed), then `Start(n)` runs them, and the progress and termination
// events update the batch state and the view until the final event.
//
// A file that cannot be added is a row with the encoder's message; the
// batch goes on. Ctrl-C (see interrupt.h) stops every task; the engine
// finalises the outputs written so far. A task that failed leaves no empty
// output behind.
//
// Main thread: the encoder hands its events to the main thread, and `Run`
// serves that queue while it waits.
#pragma once

#include <vector>

#include "cli/batch_state.h"
#include "cli/conversion_plan.h"
#include "cli/held_output_names.h"
#include "cli/progress_view.h"

namespace zentrova {
class TDERodorir;
}

namespace zentrova::cli {

class TBatchRunner {
 public:
  /// `encoder` has its libraries loaded and no tasks; both outlive the runner.
  /// `existing`: what a next free name may be when another conversion
  /// holds an automatic output name (see held_output_names.h).
  TBatchRunner(TDERodorir& encoder, TProgressView& view, TExistingOutputs existing);
  ~TBatchRunner();
  TBatchRunner(const TBatchRunner&) = delete;
  TBatchRunner& operator=(const TBatchRunner&) = delete;

  /// Adds the planned tasks, runs them with at most `tasks_at_once` at a time
  /// and shows the summary. Returns the exit code (0 every file converted,
  /// 1 otherwise). Leaves the encoder without tasks. Each planned task is
  /// freed once added: the encoder's task and the row hold what is left.
  int Run(std::vector<TPlannedTask> plan, int tasks_at_once);

  const TBatchState& Batch() const { return batch_; }

 private:
  void AddPlanned(const TPlannedTask& planned);
  void WaitForTheEnd();
  void OnTerminate(const TTerminateInfo& report);
  /// The size on disk of a row's output once its task ended with one.
  void RecordOutputSize(int row);

  TDERodorir& encoder_;
  TProgressView& view_;
  TBatchState batch_;
  THeldOutputNames held_names_;
};

}  // namespace zentrova::cli

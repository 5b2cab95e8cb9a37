// What the command line knows about each file of its batch: the source, the
// output, where the task stands and how it ended.
//
// One row per named file (or one for a join), in command-line order. A row
// becomes an encoder task when its file could be probed and the encoder
// accepted its input and output; otherwise it is "not added" with the
// decoder's or the encoder's message. The encoder starts tasks in list order,
// as many at once as the run allows, and starts the next waiting one when a
// task ends; the rows follow the same schedule to know when each task began.
//
// Main thread only (events are handed to it); time is passed in, so the
// record is a plain value that tests drive.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "encoder/progress_info.h"
#include "encoder/terminate_info.h"

namespace zentrova::cli {

using TClock = std::chrono::steady_clock;

enum class TTaskResult {
  trNotAdded,  ///< probing or adding failed; never ran
  trWaiting,   ///< added, not started yet
  trRunning,
  trConverted,   ///< ran to its end
  trIncomplete,  ///< ran to the end of its input, which ended well before its stated duration
  trStopped,     ///< stopped by the user; the output is finalised but partial
  trFailed,      ///< ended by an error
};

/// "not added", "waiting", "running", "converted", "incomplete", "stopped", "failed".
std::string_view ResultText(TTaskResult result);

struct TTaskRow {
  std::string Source;                  ///< the input file (the first one of a join)
  std::string Output;                  ///< the output file; empty when not added
  std::int64_t SourceDurationUs = -1;  ///< negative: not known
  TTaskResult Result = TTaskResult::trNotAdded;
  std::string Message;            ///< why it was not added, failed or is incomplete
  std::int64_t DecodeErrors = 0;  ///< decoding errors counted by its run
  int TaskIndex = -1;             ///< the encoder's task index; -1 when not added

  // The last progress report.
  double Fraction = -1;  ///< negative: total duration not known
  int FPS = 0;
  std::int64_t FrameNumber = 0;
  std::int64_t CurrentSize = 0;
  std::int64_t CurrentDurationUs = 0;
  std::int64_t TotalDurationUs = 0;
  bool Reported = false;  ///< at least one progress report arrived

  std::optional<TClock::time_point> Started;
  std::optional<TClock::time_point> Ended;

  /// `Message` without a leading "<Source>: " (the decoder names the file
  /// itself), for lines that name the file already.
  std::string MessageAfterSource() const;

  /// Wall time from start to end (or to `now` while running); 0 before start.
  std::int64_t ElapsedMs(TClock::time_point now) const;
};

class TBatchState {
 public:
  /// A file that never became a task.
  int AddFailed(std::string source, std::string message, std::int64_t source_duration_us = -1);
  /// A file that became encoder task `task_index`.
  int AddTask(std::string source, std::string output, int task_index, std::int64_t source_duration_us);

  /// How many rows the batch will have (shown as "[n/total]" while rows are
  /// still being added).
  void SetPlanned(int rows) { planned_ = rows; }
  int Total() const { return planned_ > Count() ? planned_ : Count(); }

  /// The encoder started with `thread_count` tasks at once: the first ones start now.
  void Begin(int thread_count, TClock::time_point now);
  /// Stores a report; returns the row it belongs to, or -1.
  int Progress(const TProgressInfo& report);
  /// A task ended: its row gets its result, and the next waiting task (the
  /// encoder's next) starts now unless stopping. Returns the row, or -1 (also
  /// for the end of the run, which only sets `RunEnded`).
  int Terminate(const TTerminateInfo& report, TClock::time_point now);
  /// The output the task wrote, when it differs from the planned one (a
  /// name another conversion held); an empty name changes nothing.
  void SetOutput(int row, std::string output);
  /// The output's size on disk (after the task ended).
  void SetOutputSize(int row, std::int64_t bytes);
  /// Tasks that never started because the run was not started (Ctrl-C while
  /// files were being added) count as stopped.
  void CancelWaiting();
  /// The user asked to stop: waiting tasks will not start; they are counted
  /// as stopped at the end of the run.
  void Stopping();

  bool RunEnded() const { return run_ended_; }
  bool StopRequested() const { return stopping_; }
  const std::vector<TTaskRow>& Rows() const { return rows_; }
  int Count() const { return static_cast<int>(rows_.size()); }
  int TaskCount() const { return task_count_; }
  /// Rows whose task is running now.
  std::vector<int> RunningRows() const;
  int CountOf(TTaskResult result) const;

  /// 0 when every file was converted, 1 otherwise.
  int ExitCode() const;

 private:
  int RowOfTask(int task_index) const;
  void StartNext(TClock::time_point now);

  std::vector<TTaskRow> rows_;
  int task_count_ = 0;
  int planned_ = 0;
  int threads_ = 0;
  bool stopping_ = false;
  bool run_ended_ = false;
};

}  // namespace zentrova::cli

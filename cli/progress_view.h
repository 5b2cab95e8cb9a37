// What the user sees while a batch runs, in one of three forms:
// - live: on a terminal, one line per running task redrawn in place (bar, %,
//   fps, elapsed, size, ETA), with finished tasks and log lines scrolling
//   above them;
// - plain: one line per progress report and per ended task, for pipes and logs;
// - json: one object per line (json_events.h); nothing else on stdout;
// - quiet: only errors.
// The summary table ends every form but json (a summary object) and quiet.
//
// `out` takes progress, table and JSON; `err` takes log lines and errors.
// Main thread only; the batch state is read, never changed.
#pragma once

#include <ostream>
#include <string>

#include "cli/batch_state.h"
#include "cli/cli_options.h"

namespace zentrova::cli {

class TProgressView {
 public:
  /// `mode` pmAuto chooses live when `terminal`, else plain. `columns` is
  /// the terminal's width (live lines are fitted to one less, so that they
  /// never wrap).
  TProgressView(TProgressMode mode, bool terminal, int columns, std::ostream& out, std::ostream& err);

  /// A file became a task, or could not be added (its message goes to err).
  void Added(const TBatchState& batch, int row);
  void Started(const TBatchState& batch, int row);
  void Progress(const TBatchState& batch, int row, TClock::time_point now);
  void Ended(const TBatchState& batch, int row, TClock::time_point now);
  /// A line of the engine's log (or the program's own note) for err.
  void LogLine(const std::string& line);
  /// The batch is over: the summary table or object.
  void Finish(const TBatchState& batch, TClock::time_point now);

  bool Live() const { return live_; }

 private:
  void EraseLive();
  void DrawLive(const TBatchState& batch, TClock::time_point now);
  /// `out` line that scrolls above the live block.
  void Note(const std::string& line);

  TProgressMode mode_;
  bool live_;
  int columns_;
  std::ostream& out_;
  std::ostream& err_;
  int drawn_lines_ = 0;                      ///< live lines on screen below the cursor's block start
  const TBatchState* last_batch_ = nullptr;  ///< to redraw after a log line
  TClock::time_point last_now_{};
};

}  // namespace zentrova::cli

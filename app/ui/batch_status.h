// The status line under the conversion list: the whole batch at a glance —
// files done of all, the overall percentage and the time left while it
// runs, then what became of the files.
//
// Pure functions of the list; GUI thread (reads the model).
#pragma once

#include <QString>
#include <cstdint>

namespace zentrova::ui {

class TConversionList;

/// The batch's progress from 0 to 1: every ended row counts as done, a
/// running row by its percentage; rows weigh by their input duration when
/// every duration is known, else equally. 0 for an empty list.
double BatchFraction(const TConversionList& list);

/// Where the batch's run stands, for the status line.
enum class TBatchRun {
  Going,  ///< converting: the time left is estimated
  Held,   ///< paused or stopping: no estimate
  Ended,  ///< after the run's final event: what became of the files
};

/// The status line. `elapsed_ms` is the run's wall time so far (negative:
/// no run has started).
QString BatchStatusText(const TConversionList& list, std::int64_t elapsed_ms, TBatchRun run);

}  // namespace zentrova::ui

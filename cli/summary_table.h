// The table printed at the end of a batch: one line per file with its
// output, result, source duration, output size and conversion time, the
// errors in full below it, and a count of the results. Names and messages
// are in it as the terminal shows them (see terminal_text.h).
//
// Pure function of the batch's rows; any thread.
#pragma once

#include <string>

#include "cli/batch_state.h"

namespace zentrova::cli {

/// `now` gives the time of rows still running (a batch cut short).
std::string FormatSummaryTable(const TBatchState& batch, TClock::time_point now);

/// "4 converted, 1 failed" (results that occur, in a fixed order).
std::string ResultCounts(const TBatchState& batch);

}  // namespace zentrova::cli

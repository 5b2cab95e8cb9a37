// The termination record of the encoder: one per task, and one more with
// task index -1 at the end of a run.
#pragma once

#include <cstdint>
#include <string>

namespace zentrova {

struct TTerminateInfo {
  /// The task's index in the list; -1 for the end of the whole run.
  std::int32_t TaskIndex = -1;
  /// The task ran to its end (not stopped, no error, trailers written).
  bool Finished = false;
  /// The task ended by an error.
  bool Exception = false;
  /// That error's text.
  std::string ExceptionMsg;
  /// The task read its inputs to their end, but an input ended well before
  /// its stated duration; the output is kept (`Finished` is still true).
  bool Incomplete = false;
  /// The log line naming that input and both times ("NAME: input ended at
  /// 0:09.9 of 0:20.0"); empty when not incomplete.
  std::string IncompleteMsg;
  /// Decoding errors counted during the run (they alone do not make it
  /// incomplete).
  std::int64_t DecodeErrors = 0;
};

}  // namespace zentrova

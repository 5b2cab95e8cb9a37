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
};

}  // namespace zentrova

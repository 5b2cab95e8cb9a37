// The progress record of the encoder: raised while a task runs, and once
// more with file index -1 when it ends. The front ends take it as it is.
#pragma once

#include <cstdint>

namespace zentrova {

/// The state of a running task.
struct TProgressInfo {
  std::int32_t TaskIndex = -1;
  /// Index of the input being read; -1 on the last report of the task.
  std::int32_t FileIndex = 0;
  std::int32_t FrameNumber = 0;
  std::int32_t FPS = 0;
  float Quality = 0;
  float BitRate = 0;                 ///< kbit/s
  std::int64_t CurrentSize = 0;      ///< bytes written so far
  std::int64_t CurrentDuration = 0;  ///< microseconds written so far
  /// Microseconds the output is expected to last; -1 when no input states
  /// its duration (a pipe, a live source): no percentage can be given.
  std::int64_t TotalDuration = -1;
};

}  // namespace zentrova

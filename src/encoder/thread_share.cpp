#include "encoder/thread_share.h"

#include <algorithm>
#include <thread>

namespace zentrova {

int EncoderThreadsPerTask(int processors, int tasks_at_once) {
  processors = std::max(1, processors);
  tasks_at_once = std::max(1, tasks_at_once);
  return std::max(1, (processors + tasks_at_once / 2) / tasks_at_once);
}

int MachineProcessors() {
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

}  // namespace zentrova

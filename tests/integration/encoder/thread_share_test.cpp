// The encoder threads a task gets for the tasks that run beside it.
#include "encoder/thread_share.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace zentrova {
namespace {

struct ShareCase {
  int processors;
  int tasks_at_once;
  int threads;
};

TEST(EncoderThreadsPerTask, SharesTheProcessorsAmongTheTasksAtOnce) {
  const ShareCase cases[] = {
      {2, 1, 2},  {2, 2, 1},  {2, 3, 1}, {2, 6, 1},  // this machine's batches
      {1, 1, 1},  {1, 3, 1},                         // never fewer than one
      {4, 1, 4},  {4, 2, 2},  {4, 3, 1}, {4, 4, 1},  // 4/3 rounds to 1
      {8, 3, 3},  {8, 5, 2},  {8, 6, 1},             // 8/3 rounds to 3, 8/5 to 2, 8/6 to 1
      {16, 3, 5}, {6, 4, 2},                         // 16/3 rounds to 5; halves round up
      {0, 0, 1},  {-2, 1, 1},                        // nonsense counts: one thread
  };
  for (const ShareCase& c : cases) {
    EXPECT_EQ(EncoderThreadsPerTask(c.processors, c.tasks_at_once), c.threads)
        << c.processors << " processors, " << c.tasks_at_once << " tasks at once";
  }
}

TEST(EncoderThreadsPerTask, TheSumStaysNearTheProcessorCount) {
  for (int processors = 1; processors <= 32; ++processors) {
    for (int tasks = 1; tasks <= processors; ++tasks) {
      const int sum = tasks * EncoderThreadsPerTask(processors, tasks);
      // Rounding to the nearest share misses by at most half a share per task.
      EXPECT_LE(2 * std::abs(sum - processors), tasks) << processors << " processors, " << tasks << " tasks";
    }
  }
}

TEST(MachineProcessors, IsAtLeastOne) {
  EXPECT_GE(MachineProcessors(), 1);
}

}  // namespace
}  // namespace zentrova

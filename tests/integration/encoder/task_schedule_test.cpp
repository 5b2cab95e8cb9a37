// The run counters of the encoder: order, parallel limit, released entries,
// cancellation, and task ends racing on many threads.
#include "encoder/task_schedule.h"

#include <gtest/gtest.h>

#include <ostream>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

namespace zentrova {
namespace {

// A list of entries (true: holds a task) driven by hand: started tasks wait
// in `running` until the test ends them.
struct ManualRun {
  std::recursive_mutex lock;
  std::vector<bool> present;
  std::vector<int> started;
  std::vector<int> at_once;  ///< TasksAtOnce as each task started
  std::deque<int> running;
  int max_running = 0;
  int finished = 0;
  TTaskSchedule schedule{lock, TTaskSchedule::TCallbacks{
                                   [this](int i) { return present.at(static_cast<size_t>(i)); },
                                   [this](int i) {
                                     started.push_back(i);
                                     at_once.push_back(schedule.TasksAtOnce());
                                     running.push_back(i);
                                     max_running = std::max(max_running, static_cast<int>(running.size()));
                                   },
                                   [this] { ++finished; },
                               }};

  explicit ManualRun(std::vector<bool> entries) : present(std::move(entries)) {}
  // Ends the oldest running task.
  void EndOldest() {
    ASSERT_FALSE(running.empty());
    running.pop_front();
    schedule.TaskEnded();
  }
};

struct ThreadModeCase {
  std::vector<bool> present;
  int thread_count;
};
void PrintTo(const ThreadModeCase& c, std::ostream* os) {
  *os << c.present.size() << " entries, " << c.thread_count << " at once";
}

class ThreadModeRun : public ::testing::TestWithParam<ThreadModeCase> {};

TEST_P(ThreadModeRun, StartsInListOrderWithinTheLimitAndFinishesOnceAfterTheLastEnd) {
  const ThreadModeCase& c = GetParam();
  ManualRun run(c.present);
  run.schedule.Begin(static_cast<int>(c.present.size()), c.thread_count);
  EXPECT_TRUE(run.schedule.ThreadMode());
  while (!run.running.empty()) {
    EXPECT_EQ(run.finished, 0);
    run.EndOldest();
  }
  std::vector<int> expected;
  for (size_t i = 0; i < c.present.size(); ++i) {
    if (c.present[i]) expected.push_back(static_cast<int>(i));
  }
  EXPECT_EQ(run.started, expected);
  EXPECT_LE(run.max_running, c.thread_count);
  EXPECT_EQ(run.max_running, std::min(c.thread_count, static_cast<int>(expected.size())));
  EXPECT_EQ(run.finished, 1);
  EXPECT_TRUE(run.schedule.Terminated());
  EXPECT_EQ(run.schedule.CompleteTasks(), static_cast<int>(c.present.size()));
  run.schedule.TaskEnded();  // a stray report after the end changes nothing
  EXPECT_EQ(run.finished, 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, ThreadModeRun,
                         ::testing::Values(ThreadModeCase{{true, true, true, true, true}, 2},
                                           ThreadModeCase{{true, true, true}, 5},
                                           ThreadModeCase{{}, 3},                     // nothing to run
                                           ThreadModeCase{{false, false, false}, 2},  // only released entries
                                           ThreadModeCase{{true, false, true, false, true, false}, 2},
                                           ThreadModeCase{{false, true, true, true}, 1}));

// What each started task is told about the tasks running beside it.
struct AtOnceCase {
  std::vector<bool> present;
  int thread_count;
  std::vector<int> at_once;  ///< per started task, in order
};
void PrintTo(const AtOnceCase& c, std::ostream* os) {
  *os << c.present.size() << " entries, " << c.thread_count << " at once";
}

class TasksAtOnce : public ::testing::TestWithParam<AtOnceCase> {};

TEST_P(TasksAtOnce, CountsTheTasksThatRunBesideEachStartedOne) {
  const AtOnceCase& c = GetParam();
  ManualRun run(c.present);
  run.schedule.Begin(static_cast<int>(c.present.size()), c.thread_count);
  while (!run.running.empty()) run.EndOldest();
  EXPECT_EQ(run.at_once, c.at_once);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TasksAtOnce,
    ::testing::Values(AtOnceCase{std::vector<bool>(6, true), 3, {3, 3, 3, 3, 3, 3}},
                      AtOnceCase{std::vector<bool>(5, true), 2, {2, 2, 2, 2, 2}},
                      AtOnceCase{{true, true}, 3, {2, 2}},                // fewer tasks than room
                      AtOnceCase{{true}, 4, {1}},                         // a lone task
                      AtOnceCase{{true, false, false, true}, 3, {2, 2}},  // released entries start nothing
                      AtOnceCase{{true, true, true, false, false}, 4, {3, 3, 3}}));

TEST(TTaskSchedule, CallerModeRunsOneTaskAtATime) {
  ManualRun run({true, true});
  run.schedule.Begin(2, 0);
  EXPECT_EQ(run.schedule.TakeNext(), 0);
  EXPECT_EQ(run.schedule.TasksAtOnce(), 1);
}

TEST(TTaskSchedule, CallerModeHandsOutPresentEntriesInOrderAndCountsReleasedOnes) {
  ManualRun run({false, true, false, true, false});
  run.schedule.Begin(5, 0);
  EXPECT_FALSE(run.schedule.ThreadMode());
  EXPECT_TRUE(run.started.empty());
  EXPECT_EQ(run.schedule.TakeNext(), 1);
  run.schedule.TaskEnded();
  EXPECT_EQ(run.schedule.TakeNext(), 3);
  EXPECT_EQ(run.finished, 0);
  run.schedule.TaskEnded();
  EXPECT_EQ(run.finished, 0);  // entry 4 is not counted yet
  EXPECT_EQ(run.schedule.TakeNext(), -1);
  EXPECT_EQ(run.finished, 1);
  EXPECT_EQ(run.schedule.TakeNext(), -1);
  EXPECT_EQ(run.finished, 1);
}

TEST(TTaskSchedule, CancelStartsNothingMoreAndFinishesWhenTheStartedAndCancelledTasksReported) {
  ManualRun run({true, true, true, false, true});
  run.schedule.Begin(5, 2);
  ASSERT_EQ(run.started, (std::vector<int>{0, 1}));
  run.schedule.CancelPending();
  EXPECT_EQ(run.schedule.PendingTasks(), 0);
  // The running tasks end; the waiting tasks 2 and 4 report their end
  // without having run (entry 3 was counted by the cancel).
  run.EndOldest();
  run.EndOldest();
  EXPECT_EQ(run.started, (std::vector<int>{0, 1}));
  EXPECT_EQ(run.finished, 0);
  run.schedule.TaskEnded();
  EXPECT_EQ(run.finished, 0);
  run.schedule.TaskEnded();
  EXPECT_EQ(run.finished, 1);
}

TEST(TTaskSchedule, CancelWithOnlyReleasedEntriesLeftFinishesAtOnce) {
  ManualRun run({true, false, false});
  run.schedule.Begin(3, 1);
  run.EndOldest();  // entries 1 and 2 are counted when their turn comes
  EXPECT_EQ(run.finished, 1);

  ManualRun cancelled({true, true, false});
  cancelled.schedule.Begin(3, 1);
  cancelled.EndOldest();  // starts task 1
  cancelled.schedule.CancelPending();
  EXPECT_EQ(cancelled.finished, 0);
  cancelled.EndOldest();
  EXPECT_EQ(cancelled.finished, 1);
}

TEST(TTaskSchedule, ATaskThatEndsWhileItIsStartedKeepsTheLimitAndTheOrder) {
  std::recursive_mutex lock;
  std::vector<int> started;
  std::vector<int> running;
  int finished = 0;
  TTaskSchedule* self = nullptr;
  TTaskSchedule schedule(lock, TTaskSchedule::TCallbacks{
                                   [](int) { return true; },
                                   [&](int i) {
                                     started.push_back(i);
                                     // Even tasks end inside their start (no output file).
                                     if (i % 2 == 0) {
                                       self->TaskEnded();
                                     } else {
                                       running.push_back(i);
                                     }
                                   },
                                   [&] { ++finished; },
                               });
  self = &schedule;
  schedule.Begin(6, 2);
  EXPECT_EQ(running, (std::vector<int>{1, 3}));
  while (!running.empty()) {
    running.erase(running.begin());
    schedule.TaskEnded();
    EXPECT_LE(running.size(), 2u);
  }
  EXPECT_EQ(started, (std::vector<int>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(finished, 1);
}

TEST(TTaskSchedule, ResetForgetsTheRun) {
  ManualRun run({true, true});
  run.schedule.Begin(2, 1);
  run.schedule.Reset();
  EXPECT_FALSE(run.schedule.Running());
  EXPECT_FALSE(run.schedule.Terminated());
  EXPECT_EQ(run.schedule.CurrentTask(), -1);
  EXPECT_EQ(run.schedule.PendingTasks(), 0);
  run.schedule.TaskEnded();  // a report after the reset is ignored
  EXPECT_EQ(run.schedule.CompleteTasks(), 0);
  EXPECT_EQ(run.finished, 0);
}

// Tasks end on their own threads at random moments, one run per round;
// some rounds are cancelled from another thread half way.
TEST(TTaskSchedule, EndsRacingOnWorkerThreadsStartEachTaskOnceWithinTheLimit) {
  constexpr int kTasks = 60;
  constexpr int kLimit = 3;
  for (int round = 0; round < 8; ++round) {
    const bool cancel = round % 2 == 1;
    std::recursive_mutex lock;
    std::atomic<int> running{0};
    std::atomic<int> max_running{0};
    std::atomic<int> finished{0};
    std::vector<int> starts(kTasks, 0);  // guarded by lock (Start runs under it)
    std::mutex threads_mutex;
    std::vector<std::thread> threads;  // guarded by threads_mutex
    TTaskSchedule* self = nullptr;
    TTaskSchedule schedule(lock,
                           TTaskSchedule::TCallbacks{
                               [](int i) { return i % 7 != 3; },  // some released entries
                               [&](int i) {
                                 ++starts[static_cast<size_t>(i)];
                                 const int now = ++running;
                                 int seen = max_running.load();
                                 while (now > seen && !max_running.compare_exchange_weak(seen, now)) {
                                 }
                                 std::lock_guard guard(threads_mutex);
                                 threads.emplace_back([&, i] {
                                   std::mt19937 random(static_cast<unsigned>(i * 31 + round));
                                   std::this_thread::sleep_for(std::chrono::microseconds(random() % 2000));
                                   --running;
                                   self->TaskEnded();
                                 });
                               },
                               [&] { ++finished; },
                           });
    self = &schedule;
    schedule.Begin(kTasks, kLimit);
    if (cancel) {
      std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        schedule.CancelPending();
        // What the encoder's Stop does next: every task that never started
        // reports its end (from a thread of its own in the engine).
        std::vector<int> never_started;
        {
          std::lock_guard guard(lock);
          for (int i = 0; i < kTasks; ++i) {
            if (i % 7 != 3 && starts[static_cast<size_t>(i)] == 0) never_started.push_back(i);
          }
        }
        for (size_t n = 0; n < never_started.size(); ++n) schedule.TaskEnded();
      });
      canceller.join();
    }
    // Wait for the end of the run, then join every worker.
    for (int waited = 0; finished.load() == 0 && waited < 10000; ++waited) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::vector<std::thread> to_join;
    {
      std::lock_guard guard(threads_mutex);
      to_join.swap(threads);
    }
    for (std::thread& t : to_join) t.join();

    ASSERT_EQ(finished.load(), 1) << "round " << round;
    EXPECT_LE(max_running.load(), kLimit);
    int started = 0;
    for (int i = 0; i < kTasks; ++i) {
      EXPECT_LE(starts[static_cast<size_t>(i)], i % 7 != 3 ? 1 : 0) << "task " << i;
      started += starts[static_cast<size_t>(i)];
    }
    if (!cancel) {
      EXPECT_EQ(started, kTasks - kTasks / 7 - (kTasks % 7 > 3 ? 1 : 0));
    }
  }
}

}  // namespace
}  // namespace zentrova

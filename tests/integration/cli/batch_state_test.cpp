#include "cli/batch_state.h"

#include <gtest/gtest.h>

#include <vector>

namespace zentrova::cli {
namespace {

using std::chrono::milliseconds;

// Five files; the second could not be added, so the encoder's task indexes
// 0..3 belong to rows 0, 2, 3, 4.
TBatchState FiveFiles() {
  TBatchState batch;
  batch.AddTask("/m/a.mov", "/m/a_(new).mp4", 0, 2000000);
  batch.AddFailed("/m/bad.bin", "Invalid data found when processing input");
  batch.AddTask("/m/c.mov", "/m/c_(new).mp4", 1, 3000000);
  batch.AddTask("/m/d.mov", "/m/d_(new).mp4", 2, -1);
  batch.AddTask("/m/e.mov", "/m/e_(new).mp4", 3, 1000000);
  return batch;
}

TEST(TBatchState, StartsTasksInListOrderAndTheNextOneWhenOneEnds) {
  TBatchState batch = FiveFiles();
  const TClock::time_point t0 = TClock::now();
  batch.Begin(2, t0);
  EXPECT_EQ(batch.RunningRows(), (std::vector<int>{0, 2}));
  EXPECT_EQ(batch.Rows()[3].Result, TTaskResult::trWaiting);

  EXPECT_EQ(batch.Terminate({1, true, false, "", false, "", 0}, t0 + milliseconds(1500)), 2);
  EXPECT_EQ(batch.RunningRows(), (std::vector<int>{0, 3}));
  EXPECT_EQ(batch.Rows()[3].Started, t0 + milliseconds(1500));
  EXPECT_EQ(batch.Rows()[2].ElapsedMs(t0 + milliseconds(9000)), 1500);

  batch.Terminate({0, false, true, "Error while decoding", false, "", 0}, t0 + milliseconds(2000));
  batch.Terminate({2, true, false, "", false, "", 0}, t0 + milliseconds(2500));
  batch.Terminate({3, true, false, "", false, "", 0}, t0 + milliseconds(3000));
  EXPECT_FALSE(batch.RunEnded());
  batch.Terminate({-1, true, false, "", false, "", 0}, t0 + milliseconds(3000));
  EXPECT_TRUE(batch.RunEnded());

  EXPECT_EQ(batch.Rows()[0].Result, TTaskResult::trFailed);
  EXPECT_EQ(batch.Rows()[0].Message, "Error while decoding");
  EXPECT_EQ(batch.Rows()[1].Result, TTaskResult::trNotAdded);
  EXPECT_EQ(batch.CountOf(TTaskResult::trConverted), 3);
  EXPECT_EQ(batch.ExitCode(), 1);
}

TEST(TBatchState, NeverRunsMoreTasksThanAllowed) {
  TBatchState batch;
  for (int i = 0; i < 7; ++i) batch.AddTask("f" + std::to_string(i), "o" + std::to_string(i), i, -1);
  const TClock::time_point t0 = TClock::now();
  batch.Begin(3, t0);
  // Tasks end out of order; each end starts exactly one more while any waits.
  for (int task : {1, 0, 2, 5, 3, 4, 6}) {
    EXPECT_LE(batch.RunningRows().size(), 3u);
    ASSERT_EQ(batch.Rows()[static_cast<std::size_t>(task)].Result, TTaskResult::trRunning) << task;
    batch.Terminate({task, true, false, "", false, "", 0}, t0);
  }
  EXPECT_TRUE(batch.RunningRows().empty());
  EXPECT_EQ(batch.ExitCode(), 0);
}

TEST(TBatchState, StoppingStartsNothingMoreAndCountsWaitingTasksAsStopped) {
  TBatchState batch = FiveFiles();
  const TClock::time_point t0 = TClock::now();
  batch.Begin(2, t0);
  batch.Stopping();
  batch.Terminate({0, false, false, "", false, "", 0}, t0);
  EXPECT_EQ(batch.RunningRows(), std::vector<int>{2});
  // The encoder reports the tasks that never started too.
  batch.Terminate({2, false, false, "", false, "", 0}, t0);
  batch.Terminate({3, false, false, "", false, "", 0}, t0);
  batch.Terminate({1, false, false, "", false, "", 0}, t0);
  EXPECT_EQ(batch.CountOf(TTaskResult::trStopped), 4);
  EXPECT_FALSE(batch.Rows()[4].Started.has_value());
  EXPECT_EQ(batch.Rows()[4].ElapsedMs(t0 + milliseconds(5000)), 0);
  EXPECT_EQ(batch.ExitCode(), 1);
}

TEST(TBatchState, ProgressFindsTheRowOfTheTaskAndComputesTheFraction) {
  TBatchState batch = FiveFiles();
  batch.Begin(3, TClock::now());
  EXPECT_EQ(batch.Progress({.TaskIndex = 1,
                            .FrameNumber = 50,
                            .FPS = 25,
                            .CurrentSize = 4096,
                            .CurrentDuration = 1500000,
                            .TotalDuration = 3000000}),
            2);
  const TTaskRow& row = batch.Rows()[2];
  EXPECT_DOUBLE_EQ(row.Fraction, 0.5);
  EXPECT_EQ(row.FPS, 25);
  EXPECT_EQ(row.CurrentSize, 4096);
  EXPECT_TRUE(row.Reported);
  // Unknown total: no fraction; past the total: clamped.
  batch.Progress({.TaskIndex = 2, .CurrentDuration = 100});
  EXPECT_LT(batch.Rows()[3].Fraction, 0);
  batch.Progress({.TaskIndex = 0, .CurrentDuration = 5000000, .TotalDuration = 2000000});
  EXPECT_DOUBLE_EQ(batch.Rows()[0].Fraction, 1.0);
  EXPECT_EQ(batch.Progress({.TaskIndex = 17}), -1);
}

TEST(TBatchState, ExitCodeIsZeroOnlyWhenEveryFileWasConverted) {
  TBatchState all;
  all.AddTask("a", "b", 0, -1);
  all.Begin(1, TClock::now());
  all.Terminate({0, true, false, "", false, "", 0}, TClock::now());
  EXPECT_EQ(all.ExitCode(), 0);

  TBatchState none;
  none.AddFailed("a", "No such file or directory");
  EXPECT_EQ(none.ExitCode(), 1);
  EXPECT_EQ(TBatchState().ExitCode(), 1);
}

}  // namespace
}  // namespace zentrova::cli

// Running the task list: parallel limit and order, the caller's thread,
// start and build refusals, stop, pause, automatic release, destruction.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "encoder/encoder_task.h"
#include "encoder_fixture.h"
#include "log/threads.h"

namespace zentrova::test {
namespace {

using Clock = std::chrono::steady_clock;

// When each task's input video hook saw its first and last picture, and on
// which threads.
class HookTimes {
 public:
  void Attach(TCustomEncoder& encoder) {
    encoder.SetOnVideoInputHook([this](TCustomEncoder*, THookInfo& info) {
      std::lock_guard lock(mutex_);
      const auto now = Clock::now();
      auto [it, inserted] = spans_.try_emplace(info.TaskIndex, now, now);
      it->second.second = now;
      threads_.insert(CurrentThreadId());
      ++calls_[info.TaskIndex];
    });
  }
  std::map<int, std::pair<Clock::time_point, Clock::time_point>> Spans() const {
    std::lock_guard lock(mutex_);
    return spans_;
  }
  std::set<unsigned> Threads() const {
    std::lock_guard lock(mutex_);
    return threads_;
  }
  int Calls(int task) const {
    std::lock_guard lock(mutex_);
    const auto it = calls_.find(task);
    return it == calls_.end() ? 0 : it->second;
  }
  bool Seen(int task) const { return Calls(task) > 0; }

 private:
  mutable std::mutex mutex_;
  std::map<int, std::pair<Clock::time_point, Clock::time_point>> spans_;  // guarded by mutex_
  std::set<unsigned> threads_;                                            // guarded by mutex_
  std::map<int, int> calls_;                                              // guarded by mutex_
};

template <typename Fn>
std::string ErrorOf(Fn fn) {
  try {
    fn();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return {};
}

class EncoderRun : public EncoderTest {
 protected:
  // `count` tasks converting `input` (read at its own pace with `-re` when
  // `real_time`) into out<i>.mp4, with the input video hook connected.
  void AddTasks(int count, const std::string& input, bool real_time) {
    for (int i = 0; i < count; ++i) {
      const int index = encoder_->AddTask(input, real_time ? "-re" : "", "");
      ASSERT_EQ(index, i) << encoder_->LastErrMsg();
      ASSERT_GE(encoder_->SetOutput(index, Out("out" + std::to_string(i) + ".mp4"),
                                    "-VideoInputHook -c:v mpeg4 -an", ""),
                0)
          << encoder_->LastErrMsg();
    }
  }
  // The task events of a finished run, with the -1 event last; fails the
  // test when the shape is wrong.
  std::vector<TerminateRecord> CheckRunEvents(int tasks) {
    const std::vector<TerminateRecord> records = terminations_.Records();
    EXPECT_EQ(static_cast<int>(records.size()), tasks + 1);
    if (records.empty()) return records;
    EXPECT_EQ(records.back().info.TaskIndex, -1);
    EXPECT_TRUE(records.back().info.Finished);
    std::set<int> indexes;
    for (std::size_t i = 0; i + 1 < records.size(); ++i) indexes.insert(records[i].info.TaskIndex);
    EXPECT_EQ(static_cast<int>(indexes.size()), tasks);
    EXPECT_EQ(indexes.count(-1), 0u);
    return records;
  }

  HookTimes hooks_;
};

TEST_F(EncoderRun, StartTwoKeepsAtMostTwoRunningInListOrderThenReportsTheEndLast) {
  const std::string input = Clip("in.mp4", 8);
  AddTasks(5, input, true);
  terminations_.Attach(*encoder_);
  hooks_.Attach(*encoder_);
  encoder_->Start(2);
  EXPECT_TRUE(encoder_->Working());
  ASSERT_TRUE(WaitFor([&] { return terminations_.RunEnded(); }));
  EXPECT_TRUE(encoder_->Terminated());

  const std::vector<TerminateRecord> records = CheckRunEvents(5);
  for (const TerminateRecord& r : records) {
    EXPECT_TRUE(r.info.Finished) << r.info.TaskIndex << ": " << r.info.ExceptionMsg;
    EXPECT_FALSE(r.info.Exception) << r.info.ExceptionMsg;
    EXPECT_EQ(r.thread_id, CurrentThreadId());  // handed to the main thread
  }
  EXPECT_EQ(terminations_.MaxOverlap(), 1);
  const auto spans = hooks_.Spans();
  ASSERT_EQ(spans.size(), 5u);
  // Task j starts only after j - 1 tasks have ended: the list order with at
  // most two at once.
  for (int j = 2; j < 5; ++j) {
    int ended_before = 0;
    for (int i = 0; i < 5; ++i) {
      if (i != j && spans.at(i).second < spans.at(j).first) ++ended_before;
    }
    EXPECT_GE(ended_before, j - 1) << "task " << j;
  }
  for (const auto& [index, span] : spans) {
    int overlapping = 0;
    for (const auto& [other, other_span] : spans) {
      if (other_span.first <= span.first && span.first <= other_span.second) ++overlapping;
    }
    EXPECT_LE(overlapping, 2) << "at the start of task " << index;
  }
  EXPECT_EQ(hooks_.Threads().count(CurrentThreadId()), 0u);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(hooks_.Calls(i), 8);
    EXPECT_EQ(CountVideoFrames(Out("out" + std::to_string(i) + ".mp4")), 8);
  }
}

TEST_F(EncoderRun, StartZeroRunsEveryTaskOnTheCallersThreadAndReportsBeforeReturning) {
  AddTasks(3, Clip("in.mp4", 6), false);
  terminations_.Attach(*encoder_);
  hooks_.Attach(*encoder_);
  terminations_.SetInsideStart(true);
  encoder_->Start(0);
  terminations_.SetInsideStart(false);

  EXPECT_TRUE(encoder_->Terminated());
  const std::vector<TerminateRecord> records = CheckRunEvents(3);
  ASSERT_EQ(records.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(records[static_cast<std::size_t>(i)].info.TaskIndex, i < 3 ? i : -1);
    EXPECT_TRUE(records[static_cast<std::size_t>(i)].during_start);
    EXPECT_EQ(records[static_cast<std::size_t>(i)].thread_id, CurrentThreadId());
  }
  EXPECT_EQ(hooks_.Threads(), std::set<unsigned>{CurrentThreadId()});
  const auto spans = hooks_.Spans();
  ASSERT_EQ(spans.size(), 3u);
  EXPECT_LT(spans.at(0).second, spans.at(1).first);
  EXPECT_LT(spans.at(1).second, spans.at(2).first);
}

TEST_F(EncoderRun, AnOutputWithJoinSetConcatenatesEveryInputOfTheTask) {
  const int task = encoder_->AddTask(Clip("first.mp4", 10), "", "");
  ASSERT_EQ(task, 0) << encoder_->LastErrMsg();
  ASSERT_GE(encoder_->AddInput(task, Clip("second.mp4", 15), "", ""), 0) << encoder_->LastErrMsg();
  TOutputOptions record;
  InitOutputOptions(record);
  record.Options = "-c:v mpeg4 -an";
  record.Join = true;
  ASSERT_GE(encoder_->SetOutput(task, Out("joined.mp4"), &record), 0) << encoder_->LastErrMsg();
  terminations_.Attach(*encoder_);
  encoder_->Start(0);

  const std::vector<TerminateRecord> records = terminations_.Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_TRUE(records.front().info.Finished) << records.front().info.ExceptionMsg;
  EXPECT_EQ(CountVideoFrames(Out("joined.mp4")), 25);
}

TEST_F(EncoderRun, BuildingAndStartingAreRefusedUntilTheTasksAreCleared) {
  const std::string input = Clip("in.mp4", 10);
  AddTasks(2, input, true);
  terminations_.Attach(*encoder_);
  encoder_->Start(1);
  EXPECT_EQ(ErrorOf([&] { encoder_->Start(1); }), "Cannot StartTask while working.");
  EXPECT_EQ(ErrorOf([&] { encoder_->ClearTasks(); }), "Cannot ClearTasks while working.");
  EXPECT_EQ(ErrorOf([&] { encoder_->AddTask(input); }), "Cannot AddTask while working.");
  EXPECT_EQ(ErrorOf([&] { encoder_->AddInput(0, input); }), "Cannot AddInput while working.");
  EXPECT_EQ(ErrorOf([&] { encoder_->SetOutput(1, Out("x.mp4")); }), "Cannot SetOutput while working.");
  EXPECT_EQ(ErrorOf([&] { encoder_->RemoveTask(0); }), "Cannot RemoveTask while working.");
  EXPECT_EQ(ErrorOf([&] { encoder_->Exchange(0, 1); }), "Cannot Exchange while working.");
  EXPECT_EQ(ErrorOf([&] { encoder_->UnloadAVLib(); }), "Cannot UnloadAVLib while working.");
  EXPECT_EQ(encoder_->TasksCount(), 2);
  ASSERT_TRUE(WaitFor([&] { return terminations_.RunEnded(); }));

  // Finished, still working: a second start stays refused.
  EXPECT_TRUE(encoder_->Working());
  EXPECT_EQ(ErrorOf([&] { encoder_->Start(2); }), "Cannot StartTask while working.");
  EXPECT_EQ(ErrorOf([&] { encoder_->AddTask(input); }), "Cannot AddTask while working.");
  encoder_->ClearTasks();
  EXPECT_FALSE(encoder_->Working());
  EXPECT_FALSE(encoder_->Terminated());
  EXPECT_EQ(encoder_->TasksCount(), 0);
  ASSERT_EQ(AddConversion(input, Out("again.mp4")), 0);
  encoder_->Start(1);
  ASSERT_TRUE(WaitFor([&] { return terminations_.Count() == 5; }));
  EXPECT_EQ(terminations_.Records().back().info.TaskIndex, -1);
}

// The end-of-run handler builds and starts the next run itself: once on
// workers, once on the calling thread (which waits for the deliveries queued
// behind the one it is called from, not for itself).
TEST_F(EncoderRun, TheEndOfRunHandlerMayClearAndStartTheNextRun) {
  const std::string input = Clip("in.mp4", 4);
  ASSERT_EQ(AddConversion(input, Out("first.mp4")), 0);
  std::vector<int> indexes;  // main thread only
  int runs = 0;
  encoder_->SetOnTerminate([&](TCustomEncoder* sender, const TTerminateInfo& info) {
    indexes.push_back(info.TaskIndex);
    if (info.TaskIndex != -1 || ++runs == 3) return;
    sender->ClearTasks();
    const int index = sender->AddTask(input);
    ASSERT_EQ(index, 0) << sender->LastErrMsg();
    ASSERT_GE(sender->SetOutput(index, Out("next" + std::to_string(runs) + ".mp4"), "-c:v mpeg4", ""), 0);
    sender->Start(runs == 1 ? 0 : 1);
  });
  encoder_->Start(1);
  ASSERT_TRUE(WaitFor([&] { return runs == 3; }));
  EXPECT_EQ(indexes, (std::vector<int>{0, -1, 0, -1, 0, -1}));
  EXPECT_EQ(CountVideoFrames(Out("next1.mp4")), 4);
  EXPECT_EQ(CountVideoFrames(Out("next2.mp4")), 4);
}

TEST_F(EncoderRun, StartWithoutTasksEndsAtOnce) {
  terminations_.Attach(*encoder_);
  encoder_->Start(3);
  ASSERT_TRUE(WaitFor([&] { return terminations_.RunEnded(); }, 5000));
  EXPECT_TRUE(encoder_->Terminated());
  ASSERT_EQ(terminations_.Count(), 1);
  encoder_->ClearTasks();

  terminations_.SetInsideStart(true);
  encoder_->Start(0);
  terminations_.SetInsideStart(false);
  ASSERT_EQ(terminations_.Count(), 2);
  EXPECT_TRUE(terminations_.Records()[1].during_start);
  EXPECT_EQ(terminations_.Records()[1].info.TaskIndex, -1);
}

TEST_F(EncoderRun, StopWithWaitingEndsTheRunningTasksAndNeverStartsTheWaitingOnes) {
  const std::string input = Clip("long.mp4", 150);
  AddTasks(5, input, true);
  terminations_.Attach(*encoder_);
  hooks_.Attach(*encoder_);
  encoder_->Start(2);
  ASSERT_TRUE(WaitFor([&] { return hooks_.Seen(0) && hooks_.Seen(1); }));
  encoder_->Stop(TStopWait::swWait);
  EXPECT_FALSE(encoder_->GetTask(0)->Converting());
  EXPECT_FALSE(encoder_->GetTask(1)->Converting());
  ASSERT_TRUE(WaitFor([&] { return terminations_.RunEnded(); }));

  const std::vector<TerminateRecord> records = CheckRunEvents(5);
  for (std::size_t i = 0; i + 1 < records.size(); ++i) {
    EXPECT_FALSE(records[i].info.Finished) << records[i].info.TaskIndex;
    EXPECT_FALSE(records[i].info.Exception) << records[i].info.ExceptionMsg;
  }
  for (int i = 0; i < 2; ++i) {
    const std::int64_t frames = CountVideoFrames(Out("out" + std::to_string(i) + ".mp4"));
    EXPECT_GT(frames, 0);
    EXPECT_LT(frames, 150);
  }
  for (int i = 2; i < 5; ++i) EXPECT_FALSE(hooks_.Seen(i)) << i;
  // The outputs of the tasks that never ran are empty and go with their task.
  encoder_->ClearTasks();
  for (int i = 2; i < 5; ++i)
    EXPECT_FALSE(std::filesystem::exists(Out("out" + std::to_string(i) + ".mp4"))) << i;
  EXPECT_TRUE(std::filesystem::exists(Out("out0.mp4")));
}

TEST_F(EncoderRun, PauseTwicePausesOnceAndResumeGoesOnToTheEnd) {
  AddTasks(1, Clip("in.mp4", 40), true);
  terminations_.Attach(*encoder_);
  hooks_.Attach(*encoder_);
  encoder_->Resume();  // nothing to resume
  EXPECT_FALSE(encoder_->Paused());
  encoder_->Start(1);
  ASSERT_TRUE(WaitFor([&] { return hooks_.Calls(0) >= 3; }));
  encoder_->Pause();
  encoder_->Pause();
  EXPECT_TRUE(encoder_->Paused());
  WaitFor([] { return false; }, 200);  // a picture in progress may still come
  const int paused_at = hooks_.Calls(0);
  WaitFor([] { return false; }, 500);
  EXPECT_EQ(hooks_.Calls(0), paused_at);
  EXPECT_FALSE(terminations_.RunEnded());
  encoder_->Resume();
  EXPECT_FALSE(encoder_->Paused());
  ASSERT_TRUE(WaitFor([&] { return terminations_.RunEnded(); }));
  EXPECT_EQ(hooks_.Calls(0), 40);
  EXPECT_TRUE(terminations_.Records().front().info.Finished);
}

TEST_F(EncoderRun, AutomaticReleaseEmptiesEveryEntryAndKeepsTheCount) {
  AddTasks(3, Clip("in.mp4", 5), false);
  terminations_.Attach(*encoder_);
  encoder_->SetAutoReleaseTask(true);
  encoder_->Start(2);
  ASSERT_TRUE(WaitFor([&] { return terminations_.RunEnded(); }));
  CheckRunEvents(3);
  EXPECT_EQ(encoder_->TasksCount(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(encoder_->GetTask(i), nullptr) << i;
  EXPECT_EQ(encoder_->AddInput(0, Clip("in.mp4", 5)), -1);
  EXPECT_EQ(encoder_->LastErrMsg(), "The task #0 had been released.");
  EXPECT_EQ(encoder_->SetOutput(2, Out("x.mp4")), -1);
  EXPECT_EQ(encoder_->LastErrMsg(), "The task #2 had been released.");
  for (int i = 0; i < 3; ++i) EXPECT_GT(CountVideoFrames(Out("out" + std::to_string(i) + ".mp4")), 0);
  encoder_->ClearTasks();
  EXPECT_EQ(encoder_->TasksCount(), 0);
}

TEST_F(EncoderRun, AutomaticReleaseFreesNothingOnTheCallersThreadOrWithoutOnTerminate) {
  encoder_->SetAutoReleaseTask(true);
  AddTasks(2, Clip("in.mp4", 4), false);
  terminations_.Attach(*encoder_);
  encoder_->Start(0);
  EXPECT_NE(encoder_->GetTask(0), nullptr);
  EXPECT_NE(encoder_->GetTask(1), nullptr);
  encoder_->ClearTasks();

  encoder_->SetOnTerminate(nullptr);
  AddTasks(2, Clip("in.mp4", 4), false);
  encoder_->Start(2);
  ASSERT_TRUE(WaitFor([&] { return encoder_->Terminated(); }));
  EXPECT_NE(encoder_->GetTask(0), nullptr);
  EXPECT_NE(encoder_->GetTask(1), nullptr);
}

// Fifty runs of three tiny tasks: three task events, then -1 strictly last.
TEST_F(EncoderRun, ManyRunsOfThreeReportThreeTasksThenTheEnd) {
  const std::string inputs[3] = {Clip("a.mp4", 3, 64, 48), Clip("b.mp4", 4, 64, 48),
                                 Clip("c.mp4", 2, 64, 48)};
  terminations_.Attach(*encoder_);
  for (int round = 0; round < 50; ++round) {
    encoder_->ClearTasks();
    for (int i = 0; i < 3; ++i) {
      ASSERT_EQ(AddConversion(inputs[i], Out("r" + std::to_string(i) + ".mp4")), i);
    }
    const int before = terminations_.Count();
    encoder_->Start(3);
    ASSERT_TRUE(WaitFor([&] { return terminations_.Count() == before + 4; })) << "round " << round;
    const std::vector<TerminateRecord> records = terminations_.Records();
    std::set<int> indexes;
    for (int i = 0; i < 3; ++i) indexes.insert(records[static_cast<std::size_t>(before + i)].info.TaskIndex);
    EXPECT_EQ(indexes, (std::set<int>{0, 1, 2})) << "round " << round;
    EXPECT_EQ(records.back().info.TaskIndex, -1) << "round " << round;
  }
  WaitFor([] { return false; }, 50);
  EXPECT_EQ(terminations_.Count(), 200);
  EXPECT_EQ(terminations_.MaxOverlap(), 1);
}

TEST_F(EncoderRun, DestroyingTheEncoderWhileTwoTasksRunIsCleanAndSilent) {
  AddTasks(3, Clip("long.mp4", 150), true);
  auto events = std::make_shared<std::atomic<int>>(0);
  encoder_->SetOnTerminate([events](TCustomEncoder*, const TTerminateInfo&) { ++*events; });
  encoder_->SetOnProgress([events](TCustomEncoder*, TProgressInfo&) { ++*events; });
  encoder_->SetProgressInterval(10);
  hooks_.Attach(*encoder_);
  encoder_->Start(2);
  ASSERT_TRUE(WaitFor([&] { return hooks_.Seen(0) && hooks_.Seen(1); }));
  encoder_.reset();
  const int at_destruction = events->load();
  WaitFor([] { return false; }, 300);
  EXPECT_EQ(events->load(), at_destruction);
  // The stopped outputs were closed properly and can be read.
  EXPECT_GT(CountVideoFrames(Out("out0.mp4")), 0);
  EXPECT_GT(CountVideoFrames(Out("out1.mp4")), 0);
  EXPECT_FALSE(std::filesystem::exists(Out("out2.mp4")));
}

TEST_F(EncoderRun, AStopWithWaitingFromInsideAnEventOnTheMainThreadReturns) {
  AddTasks(3, Clip("long.mp4", 150), true);
  terminations_.Attach(*encoder_);
  encoder_->SetProgressInterval(10);
  std::atomic<int> stops{0};
  encoder_->SetOnProgress([&](TCustomEncoder* sender, TProgressInfo&) {
    if (stops++ == 0) sender->Stop(TStopWait::swWait);
  });
  encoder_->Start(2);
  ASSERT_TRUE(WaitFor([&] { return terminations_.RunEnded(); }));
  CheckRunEvents(3);
  EXPECT_GE(stops.load(), 1);
}

}  // namespace
}  // namespace zentrova::test

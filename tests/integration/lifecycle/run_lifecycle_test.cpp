// The run lifecycle of a task: starting once, stopping, pausing,
// cancelling, destroying, and exactly one termination report.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>

#include "lifecycle_fixture.h"
#include "log/threads.h"

namespace zentrova::test {
namespace {

using namespace std::chrono_literals;

// What OnTerminate saw.
struct TerminationRecord {
  std::atomic<int> calls{0};
  std::atomic<unsigned> thread_id{0};
  std::atomic<bool> finished{false};
  std::atomic<bool> exception{false};
  std::mutex mutex;
  std::string message;  // guarded by mutex

  TNotifyEvent Handler() {
    return [this](TFFmpegTask* task) {
      thread_id = CurrentThreadId();
      finished = task->Finished();
      exception = task->FatalException();
      {
        std::lock_guard lock(mutex);
        message = task->FatalMessage();
      }
      ++calls;
    };
  }
};

class RunLifecycle : public LifecycleTest {
 protected:
  // A long clip, so that a run is surely still going when the test acts.
  std::string LongClip() { return Clip("long.mp4", Mp4H264Aac(60)); }
  std::string Out(const std::string& name) { return dir_.File(name); }
  // Counts the frames the progress reports name, reporting often.
  static void CountFrames(TFFmpegTask& task, std::atomic<int>& frames) {
    task.FReportInterval = 20000;
    task.OnProgress = [&frames](TFFmpegTask*, int, int frame_number, int, float, float, std::int64_t,
                                std::int64_t, std::int64_t) { frames = frame_number; };
  }
};

TEST_F(RunLifecycle, FinishedRunReportsOnceOnTheWorkerAndKeepsTheOutput) {
  const std::string output = Out("out.mp4");
  auto task = MakeTask(Clip("short.mp4", Mp4H264Aac(2)), "", output, "-c:v libx264 -c:a aac");
  TerminationRecord record;
  task->OnTerminate = record.Handler();
  task->StartConvert();
  task->StartConvert();  // the second start does nothing
  EXPECT_NE(task->ThreadID(), CurrentThreadId());
  ASSERT_TRUE(WaitFor([&] { return task->Terminated(); }, 120000));
  task->Stop(TStopWait::swWait);
  EXPECT_EQ(record.calls, 1);
  EXPECT_EQ(record.thread_id, task->ThreadID());
  EXPECT_TRUE(record.finished);
  EXPECT_FALSE(record.exception) << record.message;
  EXPECT_FALSE(task->Converting());
  task->StartConvert();  // after the end: nothing
  task.reset();
  EXPECT_EQ(record.calls, 1);
  const ProbedFile probed = ProbeFile(output);
  EXPECT_NEAR(probed.duration_us / 1e6, 2.0, 0.2);
}

TEST_F(RunLifecycle, WithoutOutputEndsAtOnceOnTheCallingThread) {
  auto task = MakeTask(Clip("short.mp4", Mp4H264Aac(1)), "", "", "");
  TerminationRecord record;
  task->OnTerminate = record.Handler();
  task->StartConvert();
  EXPECT_EQ(record.calls, 1);  // before StartConvert returned
  EXPECT_EQ(record.thread_id, CurrentThreadId());
  EXPECT_TRUE(record.exception);
  EXPECT_FALSE(record.finished);
  EXPECT_EQ(record.message, "At least one output file must be specified");
  task->StartConvert();
  EXPECT_EQ(record.calls, 1);
}

TEST_F(RunLifecycle, StopAfterOneSecondGivesAPlayableUnfinishedOutput) {
  const std::string output = Out("stopped.mp4");
  auto task = MakeTask(LongClip(), "", output, "-c:v libx264 -c:a aac");
  TerminationRecord record;
  task->OnTerminate = record.Handler();
  task->StartConvert();
  std::this_thread::sleep_for(1s);
  task->Stop(TStopWait::swNoWait);
  ASSERT_TRUE(WaitFor([&] { return record.calls == 1; }, 60000));
  EXPECT_FALSE(record.finished);
  EXPECT_FALSE(record.exception) << record.message;
  task.reset();
  const ProbedFile probed = ProbeFile(output);
  EXPECT_GT(probed.duration_us, 0);
  EXPECT_LT(probed.duration_us, 60 * 1000000LL);
  EXPECT_GT(CountVideoFrames(output), 0);
}

TEST_F(RunLifecycle, PauseFreezesOutputAndProgressUntilResume) {
  const std::string output = Out("paused.mp4");
  auto task = MakeTask(LongClip(), "", output, "-c:v libx264 -c:a aac");
  std::atomic<int> reports{0};
  task->FReportInterval = 50000;
  task->OnProgress = [&](TFFmpegTask*, int, int, int, float, float, std::int64_t, std::int64_t,
                         std::int64_t) { ++reports; };
  TerminationRecord record;
  task->OnTerminate = record.Handler();
  task->StartConvert();
  const std::string part = output + ".part";  // written there until the run ends
  ASSERT_TRUE(WaitFor([&] { return FileSize(part) > 0 && reports > 0; }, 60000));
  task->Pause();
  std::this_thread::sleep_for(300ms);  // a packet in progress is finished first
  const std::int64_t size = FileSize(part);
  const int reports_at_pause = reports;
  std::this_thread::sleep_for(2s);
  EXPECT_EQ(FileSize(part), size);
  EXPECT_EQ(reports, reports_at_pause);
  EXPECT_TRUE(task->Converting());
  task->Resume();
  EXPECT_TRUE(WaitFor([&] { return FileSize(part) > size && reports > reports_at_pause; }, 60000));
  task->Stop(TStopWait::swWait);
  EXPECT_EQ(record.calls, 1);
  EXPECT_FALSE(record.finished);
}

TEST_F(RunLifecycle, StopWhilePausedEndsTheRunWithAValidFile) {
  const std::string output = Out("paused_stop.mp4");
  auto task = MakeTask(LongClip(), "", output, "-c:v libx264 -c:a aac");
  TerminationRecord record;
  task->OnTerminate = record.Handler();
  std::atomic<int> frames{0};
  CountFrames(*task, frames);
  task->StartConvert();
  ASSERT_TRUE(WaitFor([&] { return frames >= 50; }, 60000));
  task->Pause();
  std::this_thread::sleep_for(200ms);
  task->Stop(TStopWait::swWait);
  EXPECT_EQ(record.calls, 1);
  EXPECT_FALSE(record.finished);
  EXPECT_FALSE(record.exception) << record.message;
  task.reset();
  EXPECT_GT(CountVideoFrames(output), 0);
}

TEST_F(RunLifecycle, StopRightAfterStartIsNotLost) {
  const std::string output = Out("early_stop.mp4");
  auto task = MakeTask(LongClip(), "", output, "-c:v libx264 -c:a aac");
  TerminationRecord record;
  task->OnTerminate = record.Handler();
  const auto start = std::chrono::steady_clock::now();
  task->StartConvert();
  task->Stop(TStopWait::swWait);
  EXPECT_EQ(record.calls, 1);
  EXPECT_FALSE(record.finished);
  // Converting the whole minute would take far longer than stopping.
  EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
}

TEST_F(RunLifecycle, CancelledTaskReportsFromAnotherThreadBeforeTheWaitReturns) {
  const std::string output = Out("cancelled.mp4");
  auto task = MakeTask(Clip("short.mp4", Mp4H264Aac(1)), "", output, "-c:v libx264");
  TerminationRecord record;
  task->OnTerminate = record.Handler();
  task->StopOrCancel(TStopWait::swWait);
  EXPECT_EQ(record.calls, 1);
  EXPECT_NE(record.thread_id, CurrentThreadId());
  EXPECT_FALSE(record.finished);
  EXPECT_FALSE(record.exception);
  EXPECT_TRUE(task->Terminated());
  task->StartConvert();  // an ended task never runs
  task->StopOrCancel(TStopWait::swWait);
  task.reset();
  EXPECT_EQ(record.calls, 1);
  // The output opened for the task never received a byte: it is not left behind.
  EXPECT_FALSE(std::filesystem::exists(output));
}

TEST_F(RunLifecycle, UnstartedTasksCancelledWithoutWaitingCanBeDestroyedAtOnce) {
  const std::string input = Clip("short.mp4", Mp4H264Aac(1));
  std::atomic<int> reports{0};
  std::vector<std::unique_ptr<TFFmpegTask>> tasks;
  for (int i = 0; i < 3; ++i) {
    tasks.push_back(MakeTask(input, "", Out("c" + std::to_string(i) + ".mp4"), "-c:v libx264"));
    tasks.back()->OnTerminate = [&](TFFmpegTask*) {
      std::this_thread::sleep_for(50ms);  // still reporting while the owner destroys
      ++reports;
    };
  }
  for (auto& task : tasks) task->StopOrCancel(TStopWait::swNoWait);
  tasks.clear();
  EXPECT_EQ(reports, 3);
}

TEST_F(RunLifecycle, DestroyingARunningTaskRaisesOnDestroyThenOnTerminate) {
  const std::string output = Out("destroyed.mp4");
  auto task = MakeTask(LongClip(), "", output, "-c:v libx264 -c:a aac");
  std::mutex mutex;
  std::vector<std::string> events;
  task->OnDestroy = [&](TFFmpegTask*) {
    std::lock_guard lock(mutex);
    events.push_back("destroy");
  };
  task->OnTerminate = [&](TFFmpegTask*) {
    std::lock_guard lock(mutex);
    events.push_back("terminate");
  };
  std::atomic<int> frames{0};
  CountFrames(*task, frames);
  task->StartConvert();
  ASSERT_TRUE(WaitFor([&] { return frames >= 50; }, 60000));
  task.reset();
  EXPECT_EQ(events, (std::vector<std::string>{"destroy", "terminate"}));
  EXPECT_GT(CountVideoFrames(output), 0);
}

TEST_F(RunLifecycle, StopAndWaitInsideAProgressHandlerDoesNotHang) {
  const std::string output = Out("self_stop.mp4");
  auto task = MakeTask(LongClip(), "", output, "-c:v libx264 -c:a aac");
  task->FReportInterval = 10000;
  std::atomic<int> progress_calls{0};
  task->OnProgress = [&](TFFmpegTask* sender, int file_index, int, int, float, float, std::int64_t,
                         std::int64_t, std::int64_t) {
    ++progress_calls;
    if (file_index >= 0) sender->Stop(TStopWait::swWait);  // on the run's own thread
  };
  TerminationRecord record;
  task->OnTerminate = record.Handler();
  task->StartConvert();
  ASSERT_TRUE(WaitFor([&] { return record.calls == 1; }, 60000));
  EXPECT_FALSE(record.finished);
  EXPECT_GE(progress_calls, 1);
}

TEST_F(RunLifecycle, RunOnTheCallingThreadReturnsAfterTheReport) {
  const std::string output = Out("caller.mp4");
  auto task = MakeTask(Clip("short.mp4", Mp4H264Aac(1)), "", output, "-c:v libx264 -c:a aac");
  TerminationRecord record;
  task->OnTerminate = record.Handler();
  task->StartConvert(TRunThread::rtCallingThread);
  EXPECT_EQ(record.calls, 1);
  EXPECT_EQ(record.thread_id, CurrentThreadId());
  EXPECT_TRUE(record.finished);
  task->Stop(TStopWait::swWait);  // the run is over: returns at once
}

TEST_F(RunLifecycle, TaskDestroyedFromItsOwnTerminationHandler) {
  const std::string output = Out("self_destroy.mp4");
  TFFmpegTask* task = MakeTask(Clip("short.mp4", Mp4H264Aac(1)), "", output, "-c:v libx264").release();
  std::atomic<bool> destroyed{false};
  task->OnTerminate = [&destroyed](TFFmpegTask* sender) {
    delete sender;  // the worker's last use of the task
    destroyed = true;
  };
  task->StartConvert();
  ASSERT_TRUE(WaitFor([&] { return destroyed.load(); }, 60000));
  EXPECT_GT(CountVideoFrames(output), 0);
}

}  // namespace
}  // namespace zentrova::test

// Filter commands sent by the owner to the graphs of a running task.
#include <gtest/gtest.h>

#include <atomic>

#include "lifecycle_fixture.h"

namespace zentrova::test {
namespace {

class FilterCommands : public LifecycleTest {
 protected:
  std::unique_ptr<TFFmpegTask> RunningTask(std::atomic<int>& frames) {
    auto task =
        MakeTask(Clip("long.mp4", Mp4H264Aac(30)), "", dir_.File("out.mp4"), "-an -c:v libx264 -vf hue=s=1");
    task->FReportInterval = 20000;
    task->OnProgress = [&frames](TFFmpegTask*, int, int frame_number, int, float, float, std::int64_t,
                                 std::int64_t, std::int64_t) { frames = frame_number; };
    task->StartConvert();
    EXPECT_TRUE(WaitFor([&] { return frames > 10; }, 60000));
    return task;
  }
};

TEST_F(FilterCommands, CommandToAnUnknownTargetFailsWithTheLibrarysText) {
  std::atomic<int> frames{0};
  auto task = RunningTask(frames);
  EXPECT_FALSE(task->SendFilterCommand("nosuch", "x", "1", 0));
  EXPECT_EQ(task->FLastErrMsg, "avfilter_graph_send_command() failed for stream 0: Function not implemented");
  EXPECT_EQ(log_.Count("Command reply for stream 0: ret:-38"), 1);
  task->Stop(TStopWait::swWait);
}

TEST_F(FilterCommands, CommandsReachTheRunningGraph) {
  std::atomic<int> frames{0};
  auto task = RunningTask(frames);
  for (int i = 0; i < 20; ++i) {
    EXPECT_TRUE(task->SendFilterCommand("hue", "s", i % 2 ? "0" : "1", 0)) << task->FLastErrMsg;
    EXPECT_TRUE(task->QueueFilterCommand("hue", "s", "0", 0, 1000.0)) << task->FLastErrMsg;
  }
  task->Stop(TStopWait::swWait);
  EXPECT_GT(frames, 10);
}

TEST_F(FilterCommands, AfterTheRunCommandsAnswerFalse) {
  std::atomic<int> frames{0};
  auto task = RunningTask(frames);
  task->Stop(TStopWait::swWait);
  EXPECT_FALSE(task->SendFilterCommand("hue", "s", "0", 0));
  EXPECT_FALSE(task->FLastErrMsg.empty());
  EXPECT_FALSE(task->QueueFilterCommand("hue", "s", "0", 0, 1.0));
}

}  // namespace
}  // namespace zentrova::test

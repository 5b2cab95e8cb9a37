#include "log/threads.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>
#include <atomic>
#include <thread>
#include <vector>

#include "log/logger.h"
#include "log/main_thread.h"
#include "log_recorder.h"

namespace zentrova {
namespace {

TEST(CurrentThreadId, IsTheKernelIdOfEachThread) {
  EXPECT_EQ(CurrentThreadId(), static_cast<unsigned>(getpid()));  // tests run on the initial thread
  unsigned other = 0;
  std::thread worker([&] { other = CurrentThreadId(); });
  worker.join();
  EXPECT_NE(other, 0u);
  EXPECT_NE(other, CurrentThreadId());
}

TEST(ManualResetEvent, TimesOutWhileUnsetAndStaysSetUntilReset) {
  TManualResetEvent event;
  EXPECT_FALSE(event.IsSet());
  EXPECT_FALSE(event.Wait(10));
  event.Set();
  EXPECT_TRUE(event.Wait(0));
  EXPECT_TRUE(event.Wait(0));  // not consumed by a wait
  event.Reset();
  EXPECT_FALSE(event.Wait(0));
  EXPECT_TRUE(TManualResetEvent(true).IsSet());
}

TEST(ManualResetEvent, SetReleasesEveryWaiter) {
  TManualResetEvent event;
  std::atomic<int> released = 0;
  std::vector<std::thread> waiters;
  for (int i = 0; i < 3; ++i)
    waiters.emplace_back([&] {
      if (event.Wait(-1)) ++released;
    });
  event.Set();
  for (auto& waiter : waiters) waiter.join();
  EXPECT_EQ(released.load(), 3);
}

TEST(ThreadPriority, LowersTheCallingThreadOnly) {
  int worker_nice = 99;
  const int main_nice_before = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
  bool applied = false;
  std::thread worker([&] {
    applied = SetCurrentThreadPriority(TThreadPriority::tpLower);
    worker_nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
  });
  worker.join();
  EXPECT_TRUE(applied);
  EXPECT_EQ(worker_nice, std::max(main_nice_before, NiceValue(TThreadPriority::tpLower)));
  EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())), main_nice_before);
}

TEST(ThreadPriority, RaisingIsAppliedOrTheRefusalIsLogged) {
  AttachMainThread();
  TZOVuzodi logger;
  test::LogRecorder recorder;
  logger.SetOnLog(recorder.Handler());
  logger.SetTriggerEventInMainThread(false);
  bool applied = false;
  int nice_after = 99;
  std::thread worker([&] {
    SetCurrentThreadPriority(TThreadPriority::tpLowest);
    applied = SetCurrentThreadPriority(TThreadPriority::tpHigher);
    nice_after = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
  });
  worker.join();
  if (applied) {
    EXPECT_EQ(nice_after, NiceValue(TThreadPriority::tpHigher));
    EXPECT_EQ(recorder.Count(), 0u);
  } else {
    EXPECT_EQ(nice_after, NiceValue(TThreadPriority::tpLowest));
    ASSERT_EQ(recorder.Count(), 1u);
    EXPECT_EQ(recorder.Lines()[0].Level, TLogLevel::llWarning);
    EXPECT_EQ(recorder.Lines()[0].Msg.rfind("Cannot set thread priority tpHigher (nice -5): ", 0), 0u)
        << recorder.Lines()[0].Msg;
  }
}

}  // namespace
}  // namespace zentrova

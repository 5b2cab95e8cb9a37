#include "log/main_thread.h"

#include <gtest/gtest.h>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "log/logger.h"
#include "log/threads.h"
#include "log_recorder.h"

namespace zentrova {
namespace {

class MainThread : public ::testing::Test {
 protected:
  void SetUp() override {
    AttachMainThread();
    CheckSynchronize();
  }
  void TearDown() override {
    SetWakeHook(nullptr);
    AttachMainThread();
    CheckSynchronize();
  }
};

TEST_F(MainThread, CallOnTheMainThreadRunsAtOnce) {
  bool ran = false;
  CallInMainThread([&] { ran = true; });
  EXPECT_TRUE(ran);
  EXPECT_FALSE(CheckSynchronize());  // nothing was queued
}

TEST_F(MainThread, CallFromAWorkerRunsOnTheMainThreadAndTheWorkerWaits) {
  const unsigned main_id = CurrentThreadId();
  std::atomic<unsigned> ran_on = 0;
  std::atomic<bool> worker_returned = false;
  std::atomic<bool> seen_after_return = false;
  std::thread worker([&] {
    CallInMainThread([&] { ran_on = CurrentThreadId(); });
    seen_after_return = ran_on.load() != 0;
    worker_returned = true;
  });
  EXPECT_TRUE(MainThreadWait([&] { return worker_returned.load(); }, 20000));
  worker.join();
  EXPECT_EQ(ran_on.load(), main_id);
  EXPECT_TRUE(seen_after_return.load());
}

TEST_F(MainThread, CallFromAWorkerRethrowsWhatTheCallThrew) {
  std::string caught;
  std::atomic<bool> done = false;
  std::thread worker([&] {
    try {
      CallInMainThread([] { throw std::runtime_error("refused on main"); });
    } catch (const std::runtime_error& e) {
      caught = e.what();
    }
    done = true;
  });
  MainThreadWait([&] { return done.load(); }, 20000);
  worker.join();
  EXPECT_EQ(caught, "refused on main");
}

TEST_F(MainThread, PostedCallsRunInOrderAtTheNextServe) {
  std::vector<int> order;
  std::thread worker([&] {
    for (int i = 0; i < 5; ++i) PostToMainThread([&order, i] { order.push_back(i); });
  });
  worker.join();  // posting did not wait for the main thread
  EXPECT_TRUE(order.empty());
  PostToMainThread([&] { order.push_back(5); });  // also from the main thread: queued, not run
  EXPECT_TRUE(order.empty());
  EXPECT_TRUE(CheckSynchronize());
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5}));
}

TEST_F(MainThread, CallsQueuedWhileServingWaitForTheNextServe) {
  std::vector<std::string> order;
  PostToMainThread([&] {
    order.push_back("outer");
    PostToMainThread([&] { order.push_back("inner"); });
  });
  EXPECT_TRUE(CheckSynchronize());
  EXPECT_EQ(order, std::vector<std::string>{"outer"});
  EXPECT_TRUE(CheckSynchronize());
  EXPECT_EQ(order, (std::vector<std::string>{"outer", "inner"}));
}

TEST_F(MainThread, AThrowingPostedCallIsLoggedAndTheRestStillRun) {
  TZOVuzodi logger;
  test::LogRecorder recorder;
  logger.SetOnLog(recorder.Handler());
  bool later_ran = false;
  PostToMainThread([] { throw std::runtime_error("posted failure"); });
  PostToMainThread([&] { later_ran = true; });
  EXPECT_NO_THROW(CheckSynchronize());
  EXPECT_TRUE(later_ran);
  ASSERT_EQ(recorder.Count(), 1u);
  EXPECT_EQ(recorder.Lines()[0].Level, TLogLevel::llError);
  EXPECT_EQ(recorder.Lines()[0].Msg, "Exception in a main-thread call: posted failure");
}

TEST_F(MainThread, OnlyTheMainThreadServesTheQueue) {
  bool ran = false;
  PostToMainThread([&] { ran = true; });
  bool served_elsewhere = true;
  std::thread other([&] { served_elsewhere = CheckSynchronize(); });
  other.join();
  EXPECT_FALSE(served_elsewhere);
  EXPECT_FALSE(ran);
  EXPECT_TRUE(CheckSynchronize());
  EXPECT_TRUE(ran);
}

TEST_F(MainThread, AttachMakesTheCallingThreadTheMainThread) {
  EXPECT_TRUE(IsMainThread());
  bool worker_is_main = false;
  std::thread worker([&] {
    AttachMainThread();
    worker_is_main = IsMainThread();
  });
  worker.join();
  EXPECT_TRUE(worker_is_main);
  EXPECT_FALSE(IsMainThread());
  AttachMainThread();
  EXPECT_TRUE(IsMainThread());
}

TEST_F(MainThread, WaitServesTheQueueAndGivesUpAtItsTimeout) {
  std::atomic<int> served = 0;
  std::atomic<bool> stop = false;
  std::atomic<bool> finished = false;
  std::thread worker([&] {
    while (!stop) CallInMainThread([&] { ++served; });
    finished = true;
  });
  // The worker cannot get on without the main thread serving it meanwhile.
  EXPECT_TRUE(MainThreadWait([&] { return served.load() >= 10; }, 20000));
  stop = true;
  EXPECT_TRUE(MainThreadWait([&] { return finished.load(); }, 20000));  // its last call needs serving
  worker.join();
  EXPECT_FALSE(MainThreadWait([] { return false; }, 30));
}

// A wait for something a worker changes ends at the worker's wake, not at a
// poll; with the wake lost the first wait below would sit out its ten minutes.
TEST_F(MainThread, AWakeEndsTheWaitAtOnce) {
  std::atomic<bool> back = false;
  std::thread waker([&] {
    while (!back) {
      WakeMainThread();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(CheckSynchronize(600000));  // woken, nothing queued
  back = true;
  waker.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::minutes(5));
}

TEST_F(MainThread, WakeHookIsCalledForEveryQueuedCall) {
  std::atomic<int> wakes = 0;
  SetWakeHook([&] { ++wakes; });
  std::thread worker([] {
    PostToMainThread([] {});
    PostToMainThread([] {});
  });
  worker.join();
  EXPECT_EQ(wakes.load(), 2);
  SetWakeHook(nullptr);
  PostToMainThread([] {});
  EXPECT_EQ(wakes.load(), 2);
}

}  // namespace
}  // namespace zentrova

// The Qt event loop serves calls that workers queue for the main thread.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "log/main_thread.h"
#include "qt/main_thread_hook.h"
#include "qt_test_app.h"

namespace zentrova::test {
namespace {

TEST(QtMainThreadHook, EventLoopRunsACallAWorkerWaitsFor) {
  TestApp();
  TQtMainThreadHook hook;
  std::atomic<bool> ran_on_main{false};
  std::atomic<bool> worker_done{false};
  std::thread worker([&] {
    CallInMainThread([&] { ran_on_main = IsMainThread(); });
    worker_done = true;
  });
  // Only the Qt event loop runs here: no CheckSynchronize of our own.
  EXPECT_TRUE(ProcessEventsUntil([&] { return worker_done.load(); }, 10000));
  worker.join();
  EXPECT_TRUE(ran_on_main);
}

TEST(QtMainThreadHook, PostedCallsRunInOrder) {
  TestApp();
  TQtMainThreadHook hook;
  std::vector<int> order;
  std::thread worker([&] {
    for (int i = 0; i < 5; ++i) PostToMainThread([&order, i] { order.push_back(i); });
  });
  worker.join();
  EXPECT_TRUE(ProcessEventsUntil([&] { return order.size() == 5; }, 10000));
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
}

}  // namespace
}  // namespace zentrova::test

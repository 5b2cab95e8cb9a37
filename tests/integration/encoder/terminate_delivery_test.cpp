// The encoder's termination delivery thread: order, one at a time, errors,
// shutdown while a delivery waits for the main thread.
#include "encoder/terminate_delivery.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "log/main_thread.h"
#include "log/threads.h"

namespace zentrova {
namespace {

using Item = TDoTerminateThread::TItem;

Item MakeItem(int index) {
  Item item;
  item.Info.TaskIndex = index;
  item.TriggerEventInMainThread = false;
  return item;
}

bool WaitUntil(const std::function<bool()>& done) {
  return MainThreadWait(done, 10000);
}

TEST(TDoTerminateThread, DeliversEachProducersRecordsInOrderNeverTwoAtOnce) {
  constexpr int kProducers = 4;
  constexpr int kPerProducer = 100;
  std::mutex mutex;
  std::vector<int> delivered;  // guarded by mutex
  std::atomic<int> in_flight{0};
  std::atomic<int> max_in_flight{0};
  std::atomic<unsigned> delivery_thread{0};
  TDoTerminateThread delivery([&](const Item& item) {
    const int now = ++in_flight;
    if (now > max_in_flight) max_in_flight = now;
    delivery_thread = CurrentThreadId();
    std::this_thread::sleep_for(std::chrono::microseconds(50));
    {
      std::lock_guard lock(mutex);
      delivered.push_back(item.Info.TaskIndex);
    }
    --in_flight;
  });
  std::vector<std::thread> producers;
  for (int p = 0; p < kProducers; ++p) {
    producers.emplace_back([&delivery, p] {
      for (int i = 0; i < kPerProducer; ++i) delivery.Push(MakeItem(p * 1000 + i));
    });
  }
  for (std::thread& t : producers) t.join();
  ASSERT_TRUE(WaitUntil([&] { return delivery.Idle(); }));

  ASSERT_EQ(delivered.size(), static_cast<size_t>(kProducers * kPerProducer));
  EXPECT_EQ(max_in_flight.load(), 1);
  EXPECT_NE(delivery_thread.load(), CurrentThreadId());
  std::vector<int> next(kProducers, 0);
  for (int value : delivered) {
    const int producer = value / 1000;
    EXPECT_EQ(value % 1000, next[static_cast<size_t>(producer)]++) << "producer " << producer;
  }
}

TEST(TDoTerminateThread, FollowUpRunsAfterItsDeliveryAlsoWhenTheDeliveryThrows) {
  std::mutex mutex;
  std::vector<std::string> steps;  // guarded by mutex
  auto note = [&](std::string step) {
    std::lock_guard lock(mutex);
    steps.push_back(std::move(step));
  };
  TDoTerminateThread delivery([&](const Item& item) {
    note("deliver " + std::to_string(item.Info.TaskIndex));
    if (item.Info.TaskIndex == 1) throw std::runtime_error("handler failed");
  });
  for (int i = 0; i < 3; ++i) {
    Item item = MakeItem(i);
    item.AfterDelivery = [&note, i] { note("release " + std::to_string(i)); };
    delivery.Push(std::move(item));
  }
  ASSERT_TRUE(WaitUntil([&] { return delivery.Idle(); }));
  const std::vector<std::string> expected = {"deliver 0", "release 0", "deliver 1",
                                             "release 1", "deliver 2", "release 2"};
  EXPECT_EQ(steps, expected);
}

TEST(TDoTerminateThread, ShutdownServesADeliveryThatWaitsForTheMainThreadAndDropsTheRest) {
  const unsigned main_id = CurrentThreadId();
  std::atomic<int> delivered{0};
  std::atomic<unsigned> ran_on{0};
  std::atomic<bool> second_released{false};
  auto delivery = std::make_unique<TDoTerminateThread>([&](const Item& item) {
    if (item.Info.TaskIndex == 0) {
      CallInMainThread([&] { ran_on = CurrentThreadId(); });
    }
    ++delivered;
  });
  delivery->Push(MakeItem(0));
  Item second = MakeItem(1);
  second.AfterDelivery = [&] { second_released = true; };
  // Wait until the first delivery is blocked on the main thread, then shut
  // down without serving the queue here: Shutdown must serve it.
  while (delivery->QueueEmpty() == false) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  delivery->Push(std::move(second));
  delivery->Shutdown();

  // The first delivery cannot end before the main thread serves it, which
  // happens only inside Shutdown, after the queue was dropped.
  EXPECT_EQ(ran_on.load(), main_id);
  EXPECT_EQ(delivered.load(), 1);
  EXPECT_FALSE(second_released.load());  // a dropped item's follow-up never runs
  delivery->Push(MakeItem(2));           // ignored after shutdown
  delivery.reset();
  EXPECT_EQ(delivered.load(), 1);
}

TEST(TDoTerminateThread, IdleOnlyWhenNothingIsQueuedOrRunning) {
  TManualResetEvent release;
  std::atomic<bool> started{false};
  TDoTerminateThread delivery([&](const Item&) {
    started = true;
    release.Wait();
  });
  EXPECT_TRUE(delivery.Idle());
  delivery.Push(MakeItem(0));
  ASSERT_TRUE(WaitUntil([&] { return started.load(); }));
  EXPECT_FALSE(delivery.Idle());
  EXPECT_TRUE(delivery.QueueEmpty());
  release.Set();
  EXPECT_TRUE(WaitUntil([&] { return delivery.Idle(); }));
}

}  // namespace
}  // namespace zentrova

#include "log/logger.h"

#include <gtest/gtest.h>
#include <atomic>
#include <stdexcept>
#include <thread>

#include "log/main_thread.h"
#include "log/threads.h"
#include "log_recorder.h"

namespace zentrova {
namespace {

// Counts how often it is formatted.
struct CountedValue {
  int* count;
};

}  // namespace
}  // namespace zentrova

template <>
struct fmt::formatter<zentrova::CountedValue> : fmt::formatter<std::string_view> {
  auto format(const zentrova::CountedValue& value, fmt::format_context& context) const {
    ++*value.count;
    return fmt::formatter<std::string_view>::format("counted", context);
  }
};

namespace zentrova {
namespace {

using enum TLogLevel;
using test::LogRecorder;

class Logger : public ::testing::Test {
 protected:
  void SetUp() override {
    AttachMainThread();
    CheckSynchronize();  // nothing of an earlier test stays queued
  }
};

TEST_F(Logger, DeliversOnlyMessagesUpToItsLevel) {
  TZOVuzodi logger;
  LogRecorder recorder;
  logger.SetOnLog(recorder.Handler());
  logger.SetLogLevel(llInfo);
  int sender = 0;
  const std::pair<TLogLevel, bool> rows[] = {
      {llPanic, true},    {llError, true},  {llInfo, true},
      {llVerbose, false}, {llDebug, false}, {llTrace, false},
  };
  for (const auto& [level, delivered] : rows) {
    SCOPED_TRACE(LogLevelName(level));
    recorder.Clear();
    logger.Log(&sender, level, "message");
    ASSERT_EQ(recorder.Count(), delivered ? 1u : 0u);
    EXPECT_EQ(logger.WouldDeliver(level), delivered);
    if (delivered) {
      const auto line = recorder.Lines().front();
      EXPECT_EQ(line.Sender, &sender);
      EXPECT_EQ(line.Level, level);
      EXPECT_EQ(line.Msg, "message");
      EXPECT_EQ(static_cast<unsigned>(line.ThreadId), CurrentThreadId());
    }
  }
}

TEST_F(Logger, FormatsOnlyWhatItDelivers) {
  TZOVuzodi logger;
  LogRecorder recorder;
  logger.SetOnLog(recorder.Handler());
  logger.SetLogLevel(llWarning);
  int formatted = 0;
  logger.LogFmt(nullptr, llError, "open {} failed: {}", "in.mp4", CountedValue{&formatted});
  EXPECT_EQ(recorder.Texts(), std::vector<std::string>{"open in.mp4 failed: counted"});
  logger.LogFmt(nullptr, llVerbose, "dropped {}", CountedValue{&formatted});
  EXPECT_EQ(recorder.Count(), 1u);
  EXPECT_EQ(formatted, 1);
}

TEST_F(Logger, RefusesASecondInstance) {
  auto first = std::make_unique<TZOVuzodi>();
  try {
    TZOVuzodi second;
    FAIL() << "a second logger was created";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Allow creating only one instance of TZOVuzodi.");
  }
  // The refused construction left the first one the default.
  EXPECT_EQ(DefaultLogger(), first.get());
  first.reset();
  EXPECT_NO_THROW(TZOVuzodi());
}

TEST_F(Logger, DefaultLoggerIsAutoCreatedInactiveAndReplacedByTheCallersOne) {
  TZOVuzodi* automatic = DefaultLogger();
  ASSERT_NE(automatic, nullptr);
  EXPECT_TRUE(automatic->AutoCreated());
  EXPECT_TRUE(automatic->Active());
  EXPECT_FALSE(automatic->WouldDeliver(llPanic));  // nothing receives its lines
  EXPECT_EQ(DefaultLogger(), automatic);

  TZOVuzodi mine;
  EXPECT_FALSE(mine.AutoCreated());
  EXPECT_EQ(DefaultLogger(), &mine);
  LogRecorder recorder;
  mine.SetOnLog(recorder.Handler());
  Log(llError, "through the free function");
  ASSERT_EQ(recorder.Count(), 1u);
  EXPECT_EQ(recorder.Lines()[0].Sender, nullptr);
}

TEST_F(Logger, DeliversNothingUntilASetterRunsOrWhileInactive) {
  TZOVuzodi logger;
  EXPECT_FALSE(logger.WouldDeliver(llPanic));
  LogRecorder recorder;
  logger.SetOnLog(recorder.Handler());
  logger.SetActive(false);
  logger.Log(nullptr, llError, "inactive");
  EXPECT_EQ(recorder.Count(), 0u);
  logger.SetActive(true);
  logger.Log(nullptr, llError, "active");
  EXPECT_EQ(recorder.Texts(), std::vector<std::string>{"active"});
  logger.SetOnLog(nullptr);
  EXPECT_FALSE(logger.WouldDeliver(llPanic));
}

TEST_F(Logger, WithoutMainThreadTriggerRunsOnLogOnTheLoggingThread) {
  TZOVuzodi logger;
  logger.SetLogLevel(llInfo);  // a new logger takes the library's current level
  LogRecorder recorder;
  logger.SetOnLog(recorder.Handler());
  logger.SetTriggerEventInMainThread(false);
  unsigned worker_id = 0;
  std::thread worker([&] {
    worker_id = CurrentThreadId();
    logger.Log(nullptr, llInfo, "from worker");
  });
  worker.join();
  ASSERT_EQ(recorder.Count(), 1u);  // delivered before the worker ended, nothing served
  const auto line = recorder.Lines()[0];
  EXPECT_EQ(line.DeliveredOn, worker_id);
  EXPECT_FALSE(line.OnMainThread);
  EXPECT_EQ(static_cast<unsigned>(line.ThreadId), worker_id);
}

TEST_F(Logger, QueuesWorkerLinesForTheMainThreadWithoutBlockingTheWorker) {
  TZOVuzodi logger;
  logger.SetLogLevel(llInfo);  // a new logger takes the library's current level
  LogRecorder recorder;
  logger.SetOnLog(recorder.Handler());
  unsigned worker_id = 0;
  std::thread worker([&] {
    worker_id = CurrentThreadId();
    for (int i = 0; i < 3; ++i) logger.LogFmt(nullptr, llInfo, "line {}", i);
  });
  worker.join();  // the main thread has not served anything: the worker did not wait
  EXPECT_EQ(recorder.Count(), 0u);
  EXPECT_TRUE(CheckSynchronize());
  EXPECT_EQ(recorder.Texts(), (std::vector<std::string>{"line 0", "line 1", "line 2"}));
  for (const auto& line : recorder.Lines()) {
    EXPECT_TRUE(line.OnMainThread);
    EXPECT_EQ(static_cast<unsigned>(line.ThreadId), worker_id);
  }
}

TEST_F(Logger, SurvivesAThrowingOnLogOnEveryThread) {
  TZOVuzodi logger;
  std::atomic<int> calls = 0;
  logger.SetOnLog([&](const void*, int, TLogLevel, const std::string&) {
    ++calls;
    throw std::runtime_error("handler failed");
  });
  EXPECT_NO_THROW(logger.Log(nullptr, llError, "main"));
  std::thread worker([&] { logger.Log(nullptr, llError, "worker"); });
  worker.join();
  EXPECT_NO_THROW(CheckSynchronize());
  logger.SetTriggerEventInMainThread(false);
  std::thread direct([&] { logger.Log(nullptr, llError, "direct"); });
  direct.join();
  EXPECT_EQ(calls.load(), 3);
}

TEST_F(Logger, DropsQueuedLinesOfADestroyedLogger) {
  LogRecorder recorder;
  {
    TZOVuzodi logger;
    logger.SetOnLog(recorder.Handler());
    std::thread worker([&] { logger.Log(nullptr, llError, "queued"); });
    worker.join();
  }
  CheckSynchronize();  // runs the queued line after its logger is gone
  EXPECT_EQ(recorder.Count(), 0u);
}

TEST_F(Logger, OnLogMayLogAgainAndReplaceItself) {
  TZOVuzodi logger;
  logger.SetLogLevel(llInfo);  // a new logger takes the library's current level
  LogRecorder recorder;
  auto record = recorder.Handler();
  logger.SetOnLog([&](const void* sender, int id, TLogLevel level, const std::string& msg) {
    record(sender, id, level, msg);
    if (msg == "first") {
      logger.Log(nullptr, llInfo, "nested");
      logger.SetOnLog(record);
    }
  });
  logger.Log(nullptr, llInfo, "first");
  logger.Log(nullptr, llInfo, "second");
  EXPECT_EQ(recorder.Texts(), (std::vector<std::string>{"first", "nested", "second"}));
}

TEST_F(Logger, OptLogLevelReadsWordsAndLibraryNumbers) {
  TZOVuzodi logger;
  const std::pair<const char*, TLogLevel> rows[] = {
      {"Warning", llWarning}, {"24", llWarning}, {"20", llError}, {"QUIET", llQuiet}, {"trace", llTrace},
      {"-8", llQuiet},        {"-9", llQuiet},   {"7", llPanic},  {"+32", llInfo},    {"1000", llTrace},
  };
  for (const auto& [text, level] : rows) {
    SCOPED_TRACE(text);
    logger.SetLogLevel(level == llDebug ? llInfo : llDebug);
    logger.OptLogLevel(text);
    EXPECT_EQ(logger.LogLevel(), level);
  }
}

TEST_F(Logger, OptLogLevelRefusesOtherTextAndKeepsTheLevel) {
  TZOVuzodi logger;
  logger.SetLogLevel(llVerbose);
  for (const char* text : {"abc", "", "12x", "+-3", " 5", "99999999999"}) {
    SCOPED_TRACE(text);
    try {
      logger.OptLogLevel(text);
      ADD_FAILURE() << "accepted";
    } catch (const std::invalid_argument& e) {
      EXPECT_EQ(std::string(e.what()), "'" + std::string(text) + "' is not a valid integer value");
    }
    EXPECT_EQ(logger.LogLevel(), llVerbose);
  }
}

}  // namespace
}  // namespace zentrova

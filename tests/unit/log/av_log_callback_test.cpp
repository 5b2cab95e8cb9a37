#include "log/av_log_callback.h"

#include <gtest/gtest.h>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "log/logger.h"
#include "log/main_thread.h"
#include "log/threads.h"
#include "log_recorder.h"
#include "media/ff.h"
#include "media/library_loader.h"
#include "support/libraries.h"

namespace zentrova {
namespace {

using enum TLogLevel;
using test::LogRecorder;

// A library object of our own: its first field points to its class.
const char* TesterName(void*) {
  return "tester";
}
const char* ParentName(void*) {
  return "parent";
}

struct Parent {
  const AVClass* av_class;
};
struct Tester {
  const AVClass* av_class;
  Parent* parent;
};

AVClass MakeClass(const char* name, const char* (*item_name)(void*), int parent_offset) {
  AVClass av_class{};
  av_class.class_name = name;
  av_class.item_name = item_name;
  av_class.version = LIBAVUTIL_VERSION_INT;
  av_class.parent_log_context_offset = parent_offset;
  return av_class;
}
const AVClass kParentClass = MakeClass("Parent", ParentName, 0);
const AVClass kTesterClass = MakeClass("Tester", TesterName, offsetof(Tester, parent));

std::string Address(const void* object) {
  char text[32];
  std::snprintf(text, sizeof text, "%p", object);
  return text;
}

class LibraryLog : public ::testing::Test {
 protected:
  void SetUp() override {
    test::LoadMediaLibraries();
    AttachMainThread();
    logger.SetOnLog(recorder.Handler());
    logger.SetLogLevel(llInfo);
    logger.ApplyLogLevel();
    logger.SetLogFlags(1);
    logger.ApplyLogFlags();
    // Ends the fold state an earlier test may have left.
    ff::av_log(nullptr, AV_LOG_INFO, "start of test\n");
    recorder.Clear();
  }
  void TearDown() override { CheckSynchronize(); }

  TZOVuzodi logger;
  LogRecorder recorder;
  Tester tester{&kTesterClass, nullptr};
};

// Under ctest each test runs in a process of its own: here the libraries are
// loaded before the first logger exists, which then installs the callback.
TEST(LibraryLogHook, LibrariesLoadedBeforeTheFirstLoggerLogThroughIt) {
  test::LoadMediaLibraries();
  AttachMainThread();
  LogRecorder recorder;
  {
    TZOVuzodi logger;
    logger.SetOnLog(recorder.Handler());
    logger.SetLogLevel(llInfo);
    logger.ApplyLogLevel();
    EXPECT_EQ(FFLoader().AVUtilBoundHook(), &InstallAVLogCallback);
    ff::av_log(nullptr, AV_LOG_ERROR, "loaded first\n");
    CheckSynchronize();
  }
  EXPECT_EQ(recorder.Texts(), std::vector<std::string>{"loaded first"});
}

TEST_F(LibraryLog, FiltersByTheLoggersLevel) {
  const std::pair<int, bool> rows[] = {
      {AV_LOG_PANIC, true},    {AV_LOG_ERROR, true},  {AV_LOG_INFO, true},
      {AV_LOG_VERBOSE, false}, {AV_LOG_DEBUG, false}, {AV_LOG_TRACE, false},
  };
  for (const auto& [level, delivered] : rows) {
    SCOPED_TRACE(level);
    recorder.Clear();
    ff::av_log(nullptr, level, "level %d\n", level);
    ASSERT_EQ(recorder.Count(), delivered ? 1u : 0u);
    if (delivered) {
      EXPECT_EQ(recorder.Lines()[0].Level, LogLevelFromLibrary(level));
      EXPECT_EQ(recorder.Lines()[0].Sender, &logger);
    }
  }
  logger.SetLogLevel(llDebug);
  EXPECT_EQ(ff::av_log_get_level(), AV_LOG_DEBUG);
  recorder.Clear();
  ff::av_log(nullptr, AV_LOG_DEBUG, "now wanted\n");
  EXPECT_EQ(recorder.Texts(), std::vector<std::string>{"now wanted"});
}

TEST_F(LibraryLog, JoinsPartsOfALineWithThePrefixBeforeTheFirstOnly) {
  ff::av_log(&tester, AV_LOG_INFO, "abc");
  EXPECT_EQ(recorder.Count(), 0u);
  ff::av_log(&tester, AV_LOG_INFO, "def\n");
  EXPECT_EQ(recorder.Texts(), std::vector<std::string>{"[tester @ " + Address(&tester) + "] abcdef"});
}

TEST_F(LibraryLog, PrefixesTheParentObjectFirst) {
  Parent parent{&kParentClass};
  tester.parent = &parent;
  ff::av_log(&tester, AV_LOG_WARNING, "two lines\nsecond %s\n", "one");
  EXPECT_EQ(recorder.Texts(), (std::vector<std::string>{"[parent @ " + Address(&parent) + "] [tester @ " +
                                                            Address(&tester) + "] two lines",
                                                        "second one"}));
}

TEST_F(LibraryLog, KeepsTheLinesOfInterleavedThreadsWhole) {
  // Two threads take turns: a1 b1 a2 b2 a3 b3; each line is ended by its third part.
  std::mutex mutex;
  std::condition_variable turn_changed;
  int turn = 0;
  const auto worker = [&](int first_turn, char name, unsigned& id) {
    id = CurrentThreadId();
    for (int part = 1; part <= 3; ++part) {
      std::unique_lock lock(mutex);
      turn_changed.wait(lock, [&] { return turn % 2 == first_turn; });
      ff::av_log(nullptr, AV_LOG_INFO, part == 3 ? "%c%d\n" : "%c%d ", name, part);
      ++turn;
      turn_changed.notify_all();
    }
  };
  unsigned a_id = 0;
  unsigned b_id = 0;
  std::thread a(worker, 0, 'a', std::ref(a_id));
  std::thread b(worker, 1, 'b', std::ref(b_id));
  a.join();
  b.join();
  ASSERT_TRUE(recorder.WaitForCount(2));
  for (const auto& line : recorder.Lines()) {
    EXPECT_TRUE(line.OnMainThread);
    if (static_cast<unsigned>(line.ThreadId) == a_id)
      EXPECT_EQ(line.Msg, "a1 a2 a3");
    else
      EXPECT_EQ(line.Msg, "b1 b2 b3");
  }
  EXPECT_EQ(recorder.Count(), 2u);
}

TEST_F(LibraryLog, FoldsRepeatedLinesWhenFlagIsSet) {
  struct Row {
    int flags;
    int copies;
    std::vector<std::string> expected;
  };
  const std::string line = "  same line ";
  const Row rows[] = {
      {1, 5, {line, "same line (repeated 4 times)", "other"}},
      {1, 3, {line, "same line", "other"}},
      {1, 2, {line, "other"}},
      {1, 1, {line, "other"}},
      {0, 5, {line, line, line, line, line, "other"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "flags " << row.flags << ", copies " << row.copies);
    logger.SetLogFlags(row.flags);
    ff::av_log(nullptr, AV_LOG_INFO, "separator\n");
    recorder.Clear();
    for (int i = 0; i < row.copies; ++i) ff::av_log(nullptr, AV_LOG_INFO, "%s\n", line.c_str());
    ff::av_log(nullptr, AV_LOG_INFO, "other\n");
    EXPECT_EQ(recorder.Texts(), row.expected);
  }
}

TEST_F(LibraryLog, DeliversLongMessagesWhole) {
  for (std::size_t length : {2046u, 2047u, 2048u, 5000u, 20000u}) {
    SCOPED_TRACE(length);
    recorder.Clear();
    std::string text(length, 'x');
    for (std::size_t i = 0; i < length; i += 100) text[i] = static_cast<char>('a' + i / 100 % 26);
    ff::av_log(&tester, AV_LOG_ERROR, "%s|%d\n", text.c_str(), 7);
    ASSERT_EQ(recorder.Count(), 1u);
    EXPECT_EQ(recorder.Texts()[0], "[tester @ " + Address(&tester) + "] " + text + "|7");
  }
}

TEST_F(LibraryLog, FlushDeliversAndForgetsTheThreadsUnfinishedLine) {
  ff::av_log(&tester, AV_LOG_WARNING, "unfinished %s", "(tail)");
  EXPECT_EQ(recorder.Count(), 0u);
  FlushThreadLogText();
  ASSERT_EQ(recorder.Count(), 1u);
  EXPECT_EQ(recorder.Lines()[0].Msg, "[tester @ " + Address(&tester) + "] unfinished (tail)");
  EXPECT_EQ(recorder.Lines()[0].Level, llWarning);
  FlushThreadLogText();  // nothing left
  ff::av_log(&tester, AV_LOG_WARNING, "fresh\n");
  EXPECT_EQ(recorder.Texts().back(), "[tester @ " + Address(&tester) + "] fresh");
  EXPECT_EQ(recorder.Count(), 2u);
}

TEST_F(LibraryLog, SurvivesAThrowingOnLog) {
  int calls = 0;
  logger.SetOnLog([&](const void*, int, TLogLevel, const std::string&) {
    ++calls;
    throw std::runtime_error("handler failed");
  });
  ff::av_log(nullptr, AV_LOG_ERROR, "first\n");
  ff::av_log(nullptr, AV_LOG_ERROR, "second\n");
  EXPECT_EQ(calls, 2);
}

TEST_F(LibraryLog, DropsEverythingWhileTheLoggerSkips) {
  logger.SetActive(false);
  ff::av_log(&tester, AV_LOG_ERROR, "dropped, no pending text kept");
  logger.SetActive(true);
  ff::av_log(&tester, AV_LOG_ERROR, "kept\n");
  EXPECT_EQ(recorder.Texts(), std::vector<std::string>{"[tester @ " + Address(&tester) + "] kept"});
}

}  // namespace
}  // namespace zentrova

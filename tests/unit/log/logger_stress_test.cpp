// Many threads log at once (some through the library's own logging) while
// the main thread logs too and serves its queue.
#include <gtest/gtest.h>
#include <atomic>
#include <charconv>
#include <fstream>
#include <map>
#include <thread>
#include <vector>

#include "log/logger.h"
#include "log/main_thread.h"
#include "log/threads.h"
#include "log_recorder.h"
#include "media/ff.h"
#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova {
namespace {

using enum TLogLevel;

constexpr int kWorkers = 4;
constexpr int kLinesPerWorker = 5000;

// "w<worker> <n>" → n, or -1.
int LineNumber(const std::string& msg, int worker) {
  const std::string head = "w" + std::to_string(worker) + " ";
  const auto at = msg.find(head);
  if (at == std::string::npos) return -1;
  int n = -1;
  const char* begin = msg.data() + at + head.size();
  std::from_chars(begin, msg.data() + msg.size(), n);
  return n;
}

TEST(LoggerStress, WorkersAndMainThreadLogWithoutDeadlockAndKeepOrderPerThread) {
  test::LoadMediaLibraries();
  AttachMainThread();
  test::TempDir dir;
  TZOVuzodi logger;
  logger.SetLogLevel(llInfo);
  logger.ApplyLogLevel();
  logger.SetLogFlags(1);
  logger.SetLogFile(dir.File("stress.log"));
  logger.SetLogToFile(true);
  test::LogRecorder recorder;
  auto record = recorder.Handler();
  std::atomic<int> thrown = 0;
  // Every 7th line makes OnLog throw after it was recorded.
  logger.SetOnLog([&](const void* sender, int id, TLogLevel level, const std::string& msg) {
    record(sender, id, level, msg);
    if (recorder.Count() % 7 == 0) {
      ++thrown;
      throw std::runtime_error("handler failed");
    }
  });

  std::atomic<int> finished = 0;
  std::atomic<int> main_calls = 0;
  std::vector<unsigned> worker_ids(kWorkers);
  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w) {
    workers.emplace_back([&, w] {
      worker_ids[w] = CurrentThreadId();
      for (int n = 0; n < kLinesPerWorker; ++n) {
        if (n % 3 == 0)
          ff::av_log(nullptr, AV_LOG_WARNING, "w%d %d\n", w, n);
        else
          logger.LogFmt(nullptr, llInfo, "w{} {}", w, n);
        // A worker that waits for the main thread now and then: the main
        // thread logs meanwhile, which must not lock up.
        if (n % 500 == 0) CallInMainThread([&] { ++main_calls; });
      }
      ++finished;
    });
  }
  const unsigned main_id = CurrentThreadId();
  int main_lines = 0;
  const std::size_t total = kWorkers * kLinesPerWorker;
  const bool all_arrived = MainThreadWait(
      [&] {
        if (finished.load() < kWorkers) logger.LogFmt(nullptr, llInfo, "main {}", main_lines++);
        return finished.load() == kWorkers && recorder.Count() >= total + main_lines;
      },
      60000);
  for (auto& worker : workers) worker.join();
  ASSERT_TRUE(all_arrived) << recorder.Count() << " of " << total + main_lines;
  CheckSynchronize();

  const auto lines = recorder.Lines();
  EXPECT_EQ(lines.size(), total + main_lines);
  EXPECT_EQ(main_calls.load(), kWorkers * (kLinesPerWorker / 500));
  EXPECT_GT(thrown.load(), 0);
  std::map<unsigned, int> next;  // per thread id: the next expected number
  int next_main = 0;
  for (const auto& line : lines) {
    ASSERT_TRUE(line.OnMainThread) << line.Msg;
    const unsigned id = static_cast<unsigned>(line.ThreadId);
    if (id == main_id) {
      ASSERT_EQ(line.Msg, "main " + std::to_string(next_main++));
      continue;
    }
    const auto w = std::find(worker_ids.begin(), worker_ids.end(), id) - worker_ids.begin();
    ASSERT_LT(w, kWorkers) << line.Msg;
    ASSERT_EQ(LineNumber(line.Msg, static_cast<int>(w)), next[id]++) << line.Msg;
  }
  for (unsigned id : worker_ids) EXPECT_EQ(next[id], kLinesPerWorker);

  // The file got every line whole, one per line.
  std::ifstream file(dir.File("stress.log"), std::ios::binary);
  std::size_t file_lines = 0;
  for (std::string line; std::getline(file, line); ++file_lines) ASSERT_EQ(line.back(), '\r');
  EXPECT_EQ(file_lines, lines.size());
  logger.SetLogToFile(false);
}

}  // namespace
}  // namespace zentrova

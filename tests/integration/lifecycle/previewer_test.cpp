// TPreviewer: frames painted from a worker on a surface made on the main
// thread, titled with the frame time; a closed window stays closed.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/run/previewer.h"
#include "log/logger.h"
#include "log/main_thread.h"
#include "log/threads.h"

namespace zentrova::test {
namespace {

// A window provider that records what the previewer asked of it.
struct SurfaceLog {
  std::mutex mutex;
  int made = 0;
  int width = 0;
  int height = 0;
  bool made_on_main = false;
  std::vector<std::string> titles;
  std::vector<int> first_pixel;  // the first byte of each shown bitmap
  std::function<void()> close;   // the surface's close notification
  int destroyed = 0;
};

class RecordingSurface : public IPreviewSurface {
 public:
  explicit RecordingSurface(SurfaceLog& log) : log_(log) {}
  ~RecordingSurface() override {
    std::lock_guard lock(log_.mutex);
    ++log_.destroyed;
  }
  void ShowFrame(const TBitmap& bitmap, const std::string& title) override {
    std::lock_guard lock(log_.mutex);
    log_.titles.push_back(title);
    log_.first_pixel.push_back(bitmap.Bits() ? bitmap.Bits()[0] : -1);
  }

 private:
  SurfaceLog& log_;
};

class Previewer : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPreviewSurfaceFactory([this](int width, int height, std::function<void()> on_close) {
      std::lock_guard lock(log_.mutex);
      ++log_.made;
      log_.width = width;
      log_.height = height;
      log_.made_on_main = IsMainThread();
      log_.close = std::move(on_close);
      return std::make_unique<RecordingSurface>(log_);
    });
  }
  void TearDown() override { SetPreviewSurfaceFactory(nullptr); }

  // Runs `fn` on a worker while this (main) thread serves the main-thread queue.
  template <typename Fn>
  auto OnWorker(Fn fn) {
    auto result = std::async(std::launch::async, fn);
    MainThreadWait([&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
                   10000);
    return result.get();
  }

  SurfaceLog log_;
};

TBitmap Solid(int width, int height, std::uint8_t value) {
  TBitmap bitmap(width, height, TBMPPixelFormat::pf32bit);
  bitmap.Fill(value);
  return bitmap;
}

TEST_F(Previewer, FirstFrameMakesOneWindowOfItsSizeOnTheMainThread) {
  {
    TPreviewer previewer;
    const TBitmap first = Solid(160, 90, 10);
    const TBitmap second = Solid(320, 240, 20);
    EXPECT_TRUE(OnWorker([&] { return previewer.PaintFrame(first, 1, 1000000); }));
    EXPECT_TRUE(OnWorker([&] { return previewer.PaintFrame(second, 2, 1040000); }));
    std::lock_guard lock(log_.mutex);
    EXPECT_EQ(log_.made, 1);
    EXPECT_TRUE(log_.made_on_main);
    EXPECT_EQ(log_.width, 160);
    EXPECT_EQ(log_.height, 90);
    // PaintFrame returned only after the frame was shown.
    EXPECT_EQ(log_.titles, (std::vector<std::string>{"00:00:01.005", "00:00:01.045"}));
    EXPECT_EQ(log_.first_pixel, (std::vector<int>{10, 20}));
  }
  std::lock_guard lock(log_.mutex);
  EXPECT_EQ(log_.destroyed, 1);  // the window goes with the previewer
}

TEST_F(Previewer, ClosedWindowStaysClosed) {
  TPreviewer previewer;
  const TBitmap frame = Solid(64, 48, 0);
  EXPECT_TRUE(OnWorker([&] { return previewer.PaintFrame(frame, 1, 0); }));
  std::function<void()> close;
  {
    std::lock_guard lock(log_.mutex);
    close = log_.close;
  }
  ASSERT_TRUE(close);
  close();  // the user closes the window (main thread)
  EXPECT_TRUE(previewer.Closed());
  EXPECT_FALSE(OnWorker([&] { return previewer.PaintFrame(frame, 2, 40000); }));
  std::lock_guard lock(log_.mutex);
  EXPECT_EQ(log_.made, 1);
  EXPECT_EQ(log_.titles.size(), 1u);
}

TEST_F(Previewer, WithoutAWindowProviderAnswersFalseAndSaysSoOnce) {
  SetPreviewSurfaceFactory(nullptr);
  TZOVuzodi logger;
  logger.SetTriggerEventInMainThread(false);
  std::atomic<int> lines{0};
  logger.SetOnLog([&](const void*, int, TLogLevel, const std::string& msg) {
    if (msg.find("No preview window") != std::string::npos) ++lines;
  });
  TPreviewer previewer;
  const TBitmap frame = Solid(64, 48, 0);
  EXPECT_FALSE(OnWorker([&] { return previewer.PaintFrame(frame, 1, 0); }));
  EXPECT_FALSE(OnWorker([&] { return previewer.PaintFrame(frame, 2, 40000); }));
  logger.SetOnLog(nullptr);
  EXPECT_EQ(lines, 1);
}

TEST_F(Previewer, PaintingOnTheMainThreadItselfDrawsAtOnce) {
  TPreviewer previewer;
  const TBitmap frame = Solid(32, 32, 5);
  EXPECT_TRUE(previewer.PaintFrame(frame, 1, 2000000));
  std::lock_guard lock(log_.mutex);
  EXPECT_EQ(log_.titles, (std::vector<std::string>{"00:00:02.005"}));
}

}  // namespace
}  // namespace zentrova::test

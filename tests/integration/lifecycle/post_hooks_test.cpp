// Post hooks of a running task: the preview bitmap, the preview window, and
// the owner switching them while pictures are being painted.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <vector>

#include "engine/run/preview_surface.h"
#include "lifecycle_fixture.h"
#include "log/main_thread.h"

namespace zentrova::test {
namespace {

using Clock = std::chrono::steady_clock;

// A window provider that counts what it is asked for (main thread only).
struct Windows {
  std::atomic<int> made{0};
  std::atomic<int> shown{0};
  std::atomic<int> alive{0};
  std::function<void()> close_last;  // main thread
};

class CountingSurface : public IPreviewSurface {
 public:
  explicit CountingSurface(Windows& windows) : windows_(windows) { ++windows_.alive; }
  ~CountingSurface() override { --windows_.alive; }
  void ShowFrame(const TBitmap&, const std::string&) override { ++windows_.shown; }

 private:
  Windows& windows_;
};

class PostHooks : public LifecycleTest {
 protected:
  void SetUp() override {
    LifecycleTest::SetUp();
    SetPreviewSurfaceFactory([this](int, int, std::function<void()> on_close) {
      ++windows_.made;
      windows_.close_last = std::move(on_close);
      return std::make_unique<CountingSurface>(windows_);
    });
  }
  void TearDown() override {
    SetPreviewSurfaceFactory(nullptr);
    LifecycleTest::TearDown();
  }
  std::unique_ptr<TFFmpegTask> Task(const std::string& name, double seconds = 2) {
    return MakeTask(Clip("in" + std::to_string(seconds) + ".mp4", Mp4H264Aac(seconds)), "", dir_.File(name),
                    "-an -c:v libx264");
  }
  bool RunToEnd(TFFmpegTask& task) {
    task.StartConvert();
    return WaitFor([&] { return task.Terminated(); }, 120000);
  }

  Windows windows_;
};

TEST_F(PostHooks, PreviewBitmapsComeAtMostOncePerInterval) {
  auto task = Task("bitmap.mp4", 4);
  std::mutex mutex;
  std::vector<Clock::time_point> times;
  task->FPreviewInterval = 100000;
  task->ChangePostHooks(TPostHook::phBitmap);
  task->OnPreviewBitmap = [&](TFFmpegTask*, const TBitmap& bitmap, int, std::int64_t) {
    EXPECT_EQ(bitmap.Width(), 320);
    std::lock_guard lock(mutex);
    times.push_back(Clock::now());
  };
  ASSERT_TRUE(RunToEnd(*task));
  ASSERT_GE(times.size(), 1u);
  EXPECT_LT(times.size(), 100u);  // not every picture
  // The interval is measured before each picture is converted, the handler
  // runs after: allow for that conversion's jitter.
  for (std::size_t i = 1; i < times.size(); ++i)
    EXPECT_GE(times[i] - times[i - 1], std::chrono::milliseconds(90));
}

TEST_F(PostHooks, PreviewBitmapWinsOverThePreviewWindow) {
  auto task = Task("both.mp4");
  std::atomic<int> bitmaps{0};
  task->ChangePostHooks(TPostHooks(TPostHook::phBitmap).With(TPostHook::phPreview));
  task->OnPreviewBitmap = [&](TFFmpegTask*, const TBitmap&, int, std::int64_t) { ++bitmaps; };
  ASSERT_TRUE(RunToEnd(*task));
  EXPECT_GE(bitmaps, 1);
  EXPECT_EQ(windows_.made, 0);
}

TEST_F(PostHooks, PreviewBitmapShowsTheHooksDrawingOnlyWhenItWasApplied) {
  for (const bool apply : {true, false}) {
    auto task = Task(apply ? "applied.mp4" : "not_applied.mp4");
    std::atomic<int> white{0};
    std::atomic<int> other{0};
    task->FPreviewInterval = 0;
    task->ChangePostHooks(TPostHook::phBitmap);
    task->OnOutputVideoHook = [apply](TFFmpegTask*, TBitmap& bitmap, int, std::int64_t, bool& update, bool&) {
      bitmap.Fill(255);
      update = apply;
    };
    task->OnPreviewBitmap = [&](TFFmpegTask*, const TBitmap& bitmap, int, std::int64_t) {
      bool all_white = true;
      for (int y = 0; y < bitmap.Height() && all_white; y += 7)
        for (int x = 0; x < bitmap.Width() * bitmap.BitsPerPixel() / 8; x += 5)
          if (bitmap.ScanLine(y)[x] < 240) all_white = false;
      ++(all_white ? white : other);
    };
    ASSERT_TRUE(RunToEnd(*task));
    EXPECT_EQ(white > 0, apply) << "apply " << apply;
    EXPECT_EQ(other > 0, !apply) << "apply " << apply;
  }
}

TEST_F(PostHooks, ClosingThePreviewWindowStopsThePainting) {
  auto task = Task("closed.mp4", 4);
  task->FPreviewInterval = 0;
  task->ChangePostHooks(TPostHook::phPreview);
  task->StartConvert();
  ASSERT_TRUE(WaitFor([&] { return windows_.shown > 0; }, 60000));
  windows_.close_last();  // the user closes it (this is the main thread)
  const int shown_at_close = windows_.shown;
  ASSERT_TRUE(WaitFor([&] { return task->Terminated(); }, 120000));
  EXPECT_EQ(windows_.shown, shown_at_close);
  EXPECT_EQ(windows_.made, 1);
  EXPECT_FALSE(task->PostHooks().Has(TPostHook::phPreview));
  EXPECT_EQ(windows_.alive, 0);  // freed with the run
}

TEST_F(PostHooks, TogglingThePreviewDuringTwoPreviewedRunsNeverHangs) {
  auto first = Task("toggle1.mp4", 4);
  auto second = Task("toggle2.mp4", 4);
  for (TFFmpegTask* task : {first.get(), second.get()}) {
    task->FPreviewInterval = 0;
    task->ChangePostHooks(TPostHook::phPreview);
    task->StartConvert();
  }
  for (int i = 0; i < 100; ++i) {
    const TPostHooks hooks = i % 2 ? TPostHooks(TPostHook::phPreview) : TPostHooks();
    first->ChangePostHooks(hooks);
    second->ChangePostHooks(hooks);
    CheckSynchronize(2);  // paint what the workers wait for
  }
  EXPECT_TRUE(WaitFor([&] { return first->Terminated() && second->Terminated(); }, 120000));
  EXPECT_GE(windows_.made, 2);
  EXPECT_EQ(windows_.alive, 0);
}

TEST_F(PostHooks, WithoutAWindowProviderThePreviewIsDroppedAndTheRunFinishes) {
  SetPreviewSurfaceFactory(nullptr);
  auto task = Task("no_window.mp4");
  std::atomic<bool> finished{false};
  task->ChangePostHooks(TPostHook::phPreview);
  task->OnTerminate = [&](TFFmpegTask* t) { finished = t->Finished(); };
  ASSERT_TRUE(RunToEnd(*task));
  EXPECT_TRUE(finished);
  EXPECT_FALSE(task->PostHooks().Has(TPostHook::phPreview));
  EXPECT_EQ(log_.Count("No preview window"), 1);
  EXPECT_EQ(CountVideoFrames(dir_.File("no_window.mp4")), 50);
}

}  // namespace
}  // namespace zentrova::test

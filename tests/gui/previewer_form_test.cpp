// The engine's previewer with real Qt windows (offscreen platform).
#include <gtest/gtest.h>

#include <QApplication>
#include <atomic>
#include <future>
#include <thread>

#include "engine/run/previewer.h"
#include "log/main_thread.h"
#include "qt/main_thread_hook.h"
#include "qt/previewer_form.h"
#include "qt_test_app.h"

namespace zentrova::test {
namespace {

std::vector<TPreviewerForm*> PreviewWindows() {
  std::vector<TPreviewerForm*> windows;
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* form = qobject_cast<TPreviewerForm*>(widget)) windows.push_back(form);
  return windows;
}

class PreviewerForm : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApp();
    InstallQtPreviewWindows();
  }
  void TearDown() override { SetPreviewSurfaceFactory(nullptr); }

  // Paints from a worker, as the engine does, while the Qt loop serves the main thread.
  bool PaintFromWorker(TPreviewer& previewer, const TBitmap& bitmap, int number, std::int64_t pts_us) {
    auto painted =
        std::async(std::launch::async, [&] { return previewer.PaintFrame(bitmap, number, pts_us); });
    EXPECT_TRUE(ProcessEventsUntil(
        [&] { return painted.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 10000));
    return painted.get();
  }

  TQtMainThreadHook hook_;
};

TEST_F(PreviewerForm, OneToolWindowOfTheFirstFramesSizeTitledWithItsTime) {
  {
    TPreviewer previewer;
    TBitmap first(160, 90, TBMPPixelFormat::pf24bit);
    first.Fill(200);
    TBitmap larger(320, 240, TBMPPixelFormat::pf24bit);
    ASSERT_TRUE(PaintFromWorker(previewer, first, 1, 1000000));
    std::vector<TPreviewerForm*> windows = PreviewWindows();
    ASSERT_EQ(windows.size(), 1u);
    TPreviewerForm* form = windows.front();
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::Tool));
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->size(), QSize(160, 90));
    EXPECT_EQ(form->windowTitle().toStdString(), "00:00:01.005");
    EXPECT_EQ(QColor(form->Frame().pixel(10, 10)), QColor(200, 200, 200));

    ASSERT_TRUE(PaintFromWorker(previewer, larger, 2, 61000000));
    EXPECT_EQ(PreviewWindows().size(), 1u);
    EXPECT_EQ(form->size(), QSize(160, 90));  // later frames do not resize it
    EXPECT_EQ(form->windowTitle().toStdString(), "00:01:01.005");
  }
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(PreviewWindows().empty());  // the window goes with the previewer
}

TEST_F(PreviewerForm, AfterTheUserClosesItNoMoreFramesAndNoNewWindow) {
  TPreviewer previewer;
  TBitmap frame(64, 48, TBMPPixelFormat::pf32bit);
  ASSERT_TRUE(PaintFromWorker(previewer, frame, 1, 0));
  ASSERT_EQ(PreviewWindows().size(), 1u);
  PreviewWindows().front()->close();  // as the close button does
  EXPECT_TRUE(previewer.Closed());
  EXPECT_FALSE(PaintFromWorker(previewer, frame, 2, 40000));
  EXPECT_EQ(PreviewWindows().size(), 1u);
  EXPECT_FALSE(PreviewWindows().front()->isVisible());
}

}  // namespace
}  // namespace zentrova::test

// Two conversions previewed in real Qt windows while the owner keeps
// switching the preview: the Qt event loop serves the workers, nothing hangs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>

#include "engine/run/ffmpeg_task.h"
#include "engine/options/file_options_scope.h"
#include "media/test_media.h"
#include "qt/main_thread_hook.h"
#include "qt/previewer_form.h"
#include "qt_test_app.h"
#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova::test {
namespace {

std::unique_ptr<TFFmpegTask> OpenTask(const std::string& input, const std::string& output) {
  auto task = std::make_unique<TFFmpegTask>();
  for (const bool is_output : {false, true}) {
    TFileOptionsScope scope(*task);
    const int ret = is_output ? task->OpenOutputFile(scope.Context(), "-an -c:v libx264", false, output, "")
                              : task->OpenInputFile(scope.Context(), "", input, "");
    EXPECT_GE(ret, 0) << task->FLastErrMsg;
  }
  return task;
}

int VisiblePreviewWindows() {
  int n = 0;
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (qobject_cast<TPreviewerForm*>(widget) && widget->isVisible()) ++n;
  return n;
}

TEST(PreviewedRuns, TogglingThePreviewOfTwoRunsAHundredTimesNeverHangs) {
  LoadMediaLibraries();
  TestApp();
  TQtMainThreadHook hook;
  InstallQtPreviewWindows();
  TempDir dir;
  const std::string input = dir.File("in.mp4");
  MakeClip(input, Mp4H264Aac(4));
  auto first = OpenTask(input, dir.File("a.mp4"));
  auto second = OpenTask(input, dir.File("b.mp4"));
  int most_windows = 0;
  for (TFFmpegTask* task : {first.get(), second.get()}) {
    task->FPreviewInterval = 0;
    task->ChangePostHooks(TPostHook::phPreview);
    task->StartConvert();
  }
  ProcessEventsUntil([&] { return VisiblePreviewWindows() == 2; }, 30000);
  most_windows = VisiblePreviewWindows();
  for (int i = 0; i < 100; ++i) {
    const TPostHooks hooks = i % 2 ? TPostHooks(TPostHook::phPreview) : TPostHooks();
    first->ChangePostHooks(hooks);
    second->ChangePostHooks(hooks);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  EXPECT_TRUE(ProcessEventsUntil([&] { return first->Terminated() && second->Terminated(); }, 120000));
  EXPECT_EQ(most_windows, 2);
  EXPECT_EQ(VisiblePreviewWindows(), 0);  // the windows go with the runs
  SetPreviewSurfaceFactory(nullptr);
}

}  // namespace
}  // namespace zentrova::test

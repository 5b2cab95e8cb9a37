#include "app/ui/drop_watch.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QWidget>
#include <memory>

namespace zentrova::ui {
namespace {

/// Drags `urls` over `target` and drops them; true when the drop was accepted.
bool Drop(QWidget* target, const QList<QUrl>& urls) {
  QMimeData data;
  data.setUrls(urls);
  const QPoint at(5, 5);
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  return drop.isAccepted();
}

QList<QUrl> Files(std::initializer_list<const char*> names) {
  QList<QUrl> urls;
  for (const char* name : names) urls << QUrl::fromLocalFile(QString::fromUtf8(name));
  return urls;
}

struct Recorder {
  int calls = 0;
  QStringList last;
  const QStringList* list = nullptr;
  TDropWatch::TFilesDroppedEvent Handler() {
    return [this](TDropWatch*, const QStringList& files) {
      ++calls;
      last = files;
      list = &files;
    };
  }
};

TEST(TDropWatch, ReportsEachDropOnceWithTheNamesInDropOrder) {
  QWidget window;
  TDropWatch watch;
  Recorder recorder;
  watch.SetOnFilesDropped(recorder.Handler());
  watch.SetEnabled(true);
  watch.SetWatchControl(&window);
  EXPECT_TRUE(window.acceptDrops());

  EXPECT_TRUE(Drop(&window, Files({"/a/三.mp4", "/b/one.avi", "/c/two.wav"})));
  EXPECT_EQ(recorder.calls, 1);
  EXPECT_EQ(recorder.last, (QStringList{"/a/三.mp4", "/b/one.avi", "/c/two.wav"}));
  const QStringList* first_list = recorder.list;

  EXPECT_TRUE(Drop(&window, Files({"/d/four.mkv"})));
  EXPECT_EQ(recorder.calls, 2);
  EXPECT_EQ(recorder.last, QStringList{"/d/four.mkv"});
  EXPECT_EQ(recorder.list, first_list) << "the list is reused";

  // Only local files count.
  EXPECT_FALSE(Drop(&window, {QUrl(QStringLiteral("https://example.org/x.mp4"))}));
  EXPECT_EQ(recorder.calls, 2);
}

TEST(TDropWatch, DisablingStopsDropsAndEnablingTakesThemAgain) {
  QWidget window;
  TDropWatch watch;
  Recorder recorder;
  watch.SetOnFilesDropped(recorder.Handler());
  watch.SetWatchControl(&window);
  EXPECT_FALSE(window.acceptDrops()) << "not enabled at creation";
  EXPECT_FALSE(Drop(&window, Files({"/x.mp4"})));
  watch.SetEnabled(true);
  EXPECT_TRUE(Drop(&window, Files({"/x.mp4"})));
  watch.SetEnabled(false);
  EXPECT_FALSE(window.acceptDrops());
  EXPECT_FALSE(Drop(&window, Files({"/x.mp4"})));
  EXPECT_EQ(recorder.calls, 1);
}

TEST(TDropWatch, ChangingTheControlLeavesThePreviousOneAsItWas) {
  QWidget first, second;
  TDropWatch watch;
  Recorder recorder;
  watch.SetOnFilesDropped(recorder.Handler());
  watch.SetEnabled(true);
  watch.SetWatchControl(&first);
  watch.SetWatchControl(&second);
  EXPECT_FALSE(first.acceptDrops());
  EXPECT_TRUE(second.acceptDrops());
  first.setAcceptDrops(true);  // even when it takes drops again, they are not watched
  Drop(&first, Files({"/x.mp4"}));
  EXPECT_EQ(recorder.calls, 0);
  EXPECT_TRUE(Drop(&second, Files({"/y.mp4"})));
  EXPECT_EQ(recorder.calls, 1);
}

TEST(TDropWatch, ADestroyedControlLeavesTheWatchIdle) {
  TDropWatch watch;
  watch.SetEnabled(true);
  {
    auto control = std::make_unique<QWidget>();
    watch.SetWatchControl(control.get());
  }
  EXPECT_EQ(watch.WatchControl(), nullptr);
  EXPECT_FALSE(watch.Enabled());
  QWidget other;
  watch.SetWatchControl(&other);  // watching again works
  watch.SetEnabled(true);
  EXPECT_TRUE(other.acceptDrops());
}

TEST(TDropWatch, ADropWithoutHandlerHasNoEffect) {
  QWidget window;
  TDropWatch watch;
  watch.SetEnabled(true);
  watch.SetWatchControl(&window);
  EXPECT_TRUE(Drop(&window, Files({"/x.mp4", "/y.mp4"})));
  EXPECT_EQ(watch.Files(), (QStringList{"/x.mp4", "/y.mp4"}));
}

}  // namespace
}  // namespace zentrova::ui

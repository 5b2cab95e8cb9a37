// Adding a batch of files to the main window: the files are probed off the
// GUI thread, rows arrive in order while the event loop runs, and Clear,
// closing the window and a second batch meet a batch still being added.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <filesystem>
#include <vector>

#include "window_fixture.h"

namespace zentrova::ui {
namespace {

using test::ModalWatcher;
using test::WaitUntil;

constexpr int kWaitMs = 60000;

/// One file of the batch and what its row must show.
struct TBatchFile {
  QString Name;
  bool Media = true;
  std::int64_t DurationUs = 0;
};

/// A batch of hard links to two tiny generated sources, with garbage files
/// among them: every third name a tone, names 7 and 19 garbage.
struct Batch {
  static constexpr int kFiles = 26;
  test::TempDir dir;
  std::vector<TBatchFile> files;

  explicit Batch(int count = kFiles) {
    const std::string clip = dir.File("source.mp4");
    const std::string tone = dir.File("source.wav");
    const std::string garbage = dir.File("source.bin");
    test::ClipSpec spec = test::Mp4H264Aac(1.0);
    spec.video->width = 64;
    spec.video->height = 48;
    test::MakeClip(clip, spec);
    test::MakeClip(tone, test::WavS16(0.5));
    test::MakeGarbageFile(garbage, 4096);
    for (int i = 0; i < count; ++i) {
      const bool bad = i == 7 || i == 19;
      const bool wav = !bad && i % 3 == 0;
      const std::string name = dir.File(QStringLiteral("f%1.%2")
                                            .arg(i, 3, 10, QLatin1Char('0'))
                                            .arg(wav ? QStringLiteral("wav") : QStringLiteral("mp4"))
                                            .toStdString());
      std::filesystem::create_hard_link(bad ? garbage : wav ? tone : clip, name);
      files.push_back({QString::fromStdString(name), !bad, wav ? 500000 : 1000000});
    }
  }
  QStringList Names() const {
    QStringList names;
    for (const TBatchFile& file : files) names << file.Name;
    return names;
  }
};

TEST(TfrmConverterAdding, RowsArriveInOrderWhileTheWindowKeepsServingItsEvents) {
  WindowFixture f;
  Batch batch;
  ModalWatcher watcher;
  DialogAnswer answer(watcher, f.w());
  // A GUI-thread timer counts its ticks; each row notes the count it arrived at.
  int ticks = 0;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
  tick.start(1);
  std::vector<int> arrived_at_tick;
  QObject::connect(&f.w().List(), &QAbstractItemModel::rowsInserted,
                   [&](const QModelIndex&, int first, int last) {
                     for (int row = first; row <= last; ++row) arrived_at_tick.push_back(ticks);
                   });

  f.w().AddFiles(batch.Names());
  // Returned before probing: nothing added yet, Start waits for the batch.
  EXPECT_TRUE(f.w().Adding());
  EXPECT_EQ(f.w().List().Count(), 0);
  EXPECT_FALSE(f.w().StartButton()->isEnabled());
  EXPECT_TRUE(f.w().StatusLine()->text().contains(QStringLiteral("Adding 0 of 26")))
      << f.w().StatusLine()->text().toStdString();
  ASSERT_TRUE(WaitUntil([&] { return !f.w().Adding(); }, kWaitMs));

  EXPECT_EQ(answer.shown, 1);
  const TConversionList& list = f.w().List();
  ASSERT_EQ(list.Count(), Batch::kFiles - 2) << f.w().LogPane()->toPlainText().toStdString();
  int row = 0;
  for (const TBatchFile& file : batch.files) {
    if (!file.Media) continue;
    const TConversionRow& added = list.Row(row++);
    EXPECT_EQ(added.InputFile, file.Name.toStdString());
    EXPECT_EQ(added.InputSize,
              static_cast<std::int64_t>(std::filesystem::file_size(file.Name.toStdString())));
    EXPECT_NEAR(static_cast<double>(added.InputDuration), static_cast<double>(file.DurationUs), 50000.0)
        << added.InputFile;
  }
  ASSERT_EQ(f.log.inputs.size(), list.Count());
  EXPECT_EQ(f.log.inputs.back().FileName, batch.files.back().Name.toStdString());
  // The rows came over several turns with the timer firing in between.
  ASSERT_EQ(static_cast<int>(arrived_at_tick.size()), list.Count());
  EXPECT_LT(arrived_at_tick.front(), arrived_at_tick.back());
  // The two garbage files, in the one box at the batch's end.
  const QStringList boxes = watcher.MessageTexts();
  ASSERT_EQ(boxes.size(), 1) << boxes.join("\n---\n").toStdString();
  EXPECT_TRUE(boxes[0].contains(QStringLiteral("f007.mp4: ")) &&
              boxes[0].contains(QStringLiteral("f019.mp4: ")))
      << boxes[0].toStdString();
  EXPECT_TRUE(f.w().StartButton()->isEnabled());
  EXPECT_FALSE(f.w().StatusLine()->text().contains(QStringLiteral("Adding")));
}

/// What ends a batch while it is being added.
enum class TInterruption { Clear, Close, Destroy };

class TfrmConverterAddingStops : public testing::TestWithParam<TInterruption> {};

TEST_P(TfrmConverterAddingStops, TheWorkerEndsAndNothingArrivesAfterwards) {
  WindowFixture f;
  Batch batch(200);  // far more than are probed before the stop
  ModalWatcher watcher;
  DialogAnswer answer(watcher, f.w());
  f.w().AddFiles(batch.Names());
  ASSERT_TRUE(WaitUntil([&] { return f.w().List().Count() > 0; }, kWaitMs));
  ASSERT_TRUE(f.w().Adding()) << "the batch ended before the test could stop it";
  // Rows already there can be selected and removed meanwhile; Start waits,
  // Clear stops the batch also when no row is left.
  EXPECT_FALSE(f.w().StartButton()->isEnabled());
  f.w().ListView()->selectRow(0);
  const int before = f.w().List().Count();
  f.w().btnRemoveClick();
  EXPECT_EQ(f.w().List().Count(), before - 1);
  if (before > 1) {
    EXPECT_EQ(f.w().List().Row(0).InputFile, batch.files[1].Name.toStdString());
  }

  switch (GetParam()) {
    case TInterruption::Clear:
      ASSERT_TRUE(f.w().ClearButton()->isEnabled());
      f.w().ClearButton()->click();
      EXPECT_FALSE(f.w().Adding());
      EXPECT_EQ(f.w().List().Count(), 0);
      EXPECT_TRUE(f.w().LogPane()->toPlainText().contains(QStringLiteral("***Adding stopped: ")));
      // Probes the worker had posted before it stopped add nothing.
      QTest::qWait(100);
      EXPECT_EQ(f.w().List().Count(), 0);
      EXPECT_EQ(f.w().State(), TConverterState::Empty);
      break;
    case TInterruption::Close:
      f.w().close();
      EXPECT_FALSE(f.w().Adding());
      break;
    case TInterruption::Destroy:
      f.window.reset();
      QTest::qWait(50);  // a wake posted to the gone window is dropped with it
      break;
  }
  EXPECT_EQ(answer.shown, 1);
}

std::string InterruptionName(const testing::TestParamInfo<TInterruption>& info) {
  static constexpr const char* kNames[] = {"Clear", "Close", "Destroy"};
  return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(ByClearCloseAndDestruction, TfrmConverterAddingStops,
                         testing::Values(TInterruption::Clear, TInterruption::Close, TInterruption::Destroy),
                         InterruptionName);

TEST(TfrmConverterAdding, FilesGivenWhileABatchIsAddedFollowItAsABatchOfTheirOwn) {
  WindowFixture f;
  Batch batch;
  ModalWatcher watcher;
  DialogAnswer answer(watcher, f.w());
  const QStringList names = batch.Names();
  f.w().AddFiles(names.mid(0, 3));
  f.w().AddFiles(names.mid(3, 3));
  ASSERT_TRUE(WaitUntil([&] { return !f.w().Adding(); }, kWaitMs));
  EXPECT_EQ(answer.shown, 2);
  ASSERT_EQ(f.w().List().Count(), 6);
  for (int row = 0; row < 6; ++row) EXPECT_EQ(f.w().List().Row(row).InputFile, names[row].toStdString());
}

TEST(TfrmConverterAdding, SourcesWithoutABitRateAfterTheDialogAreToldInTheBatchsOneBox) {
  WindowFixture f;
  test::TempDir dir;
  const std::string source = dir.File("source.png");
  test::MakeClip(source, test::PngStill());  // its stream line states no bit rate
  QStringList names;
  for (const char* name : {"a.png", "b.png", "c.png"}) {
    std::filesystem::create_hard_link(source, dir.File(name));
    names << QString::fromStdString(dir.File(name));
  }
  ModalWatcher watcher;
  DialogAnswer answer(watcher, f.w());
  AddAndWait(f.w(), names);
  ASSERT_EQ(f.w().List().Count(), 3);
  EXPECT_EQ(answer.shown, 1);
  // The dialog's own file is told before the dialog; the others in one box at the end.
  const QStringList boxes = watcher.MessageTexts();
  ASSERT_EQ(boxes.size(), 2) << boxes.join("\n---\n").toStdString();
  EXPECT_TRUE(boxes[0].startsWith(QStringLiteral("a.png: "))) << boxes[0].toStdString();
  EXPECT_TRUE(boxes[1].startsWith(QStringLiteral("These files were added with a note:")))
      << boxes[1].toStdString();
  EXPECT_TRUE(boxes[1].contains(QStringLiteral("b.png: ")) && boxes[1].contains(QStringLiteral("c.png: ")) &&
              !boxes[1].contains(QStringLiteral("a.png")))
      << boxes[1].toStdString();
}

}  // namespace
}  // namespace zentrova::ui

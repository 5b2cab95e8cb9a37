#include "app/ui/converter_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/ui/drop_watch.h"
#include "app/ui/list_texts.h"
#include "app/ui/option_dialog.h"
#include "fake_encoder.h"
#include "log/logger.h"
#include "media/test_media.h"
#include "modal_watcher.h"
#include "url_recorder.h"
#include "window_fixture.h"
#include "wait_until.h"
#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova::ui {
namespace {

using test::FakeEncoder;
using test::FakeEncoderLog;
using test::ModalWatcher;
using test::UrlRecorder;

QStringList LogLines(const TfrmConverter& window) {
  return window.LogPane()->toPlainText().split('\n');
}

/// The first line that starts with `prefix`; -1 when none does.
int FindLine(const QStringList& lines, const QString& prefix) {
  for (int i = 0; i < lines.size(); ++i)
    if (lines[i].startsWith(prefix)) return i;
  return -1;
}

/// Which of the seven command buttons are enabled, as a word of 0/1.
std::string Buttons(const TfrmConverter& w) {
  std::string s;
  for (const QPushButton* b : {w.AddButton(), w.RemoveButton(), w.ClearButton(), w.StartButton(),
                               w.StopButton(), w.PauseButton(), w.ResumeButton()})
    s += b->isEnabled() ? '1' : '0';
  return s;
}

TEST(TfrmConverterWindow, StartsWithItsCaptionColumnsAndOnlyTheShownControls) {
  WindowFixture f;
  f.w().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.w()));
  EXPECT_EQ(f.w().windowTitle(), QStringLiteral("Zentrova v3.50"));
  EXPECT_EQ(ConverterCaption(QStringLiteral("https://zentrova.example")),
            QStringLiteral("Zentrova v3.50   https://zentrova.example"));
  EXPECT_EQ(Buttons(f.w()), "1000000");
  EXPECT_TRUE(f.w().WebButton1()->isEnabled());
  EXPECT_TRUE(f.w().WebButton2()->isEnabled());
  EXPECT_EQ(f.w().WebButton1()->text(), QStringLiteral("官方网站"));
  EXPECT_EQ(f.w().WebButton2()->text(), QStringLiteral("访问官网"));
  EXPECT_EQ(f.w().AddButton()->text(), QStringLiteral("添加视频文件"));
  EXPECT_EQ(f.w().TaskCountGroup()->title(), QStringLiteral("多线程模式"));
  EXPECT_EQ(f.w().TaskCountEdit()->text(), QStringLiteral("3"));
  for (const QWidget* hidden : {static_cast<const QWidget*>(f.w().ThreadModeCheck()),
                                static_cast<const QWidget*>(f.w().LogLevelGroup()),
                                static_cast<const QWidget*>(f.w().PriorityGroup())})
    EXPECT_FALSE(hidden->isVisible()) << hidden->metaObject()->className();
  EXPECT_TRUE(f.w().ThreadModeCheck()->isChecked());
  EXPECT_FALSE(f.w().PreviewCheck()->isChecked());
  EXPECT_TRUE(f.w().PreviewCheck()->isVisible()) << "a user can watch a conversion";
  EXPECT_TRUE(f.w().StatusLine()->isVisible());
  EXPECT_EQ(f.w().StatusLine()->text(), QStringLiteral("No files in the list"));

  const char* captions[] = {"视频文件", "时长", "文件大小",   "输出文件名",
                            "转换进度", "帧率", "已转换时长", "输出大小"};
  const int widths[] = {160, 80, 80, 160, 150, 60, 80, 80};
  const QTableView* view = f.w().ListView();
  ASSERT_EQ(view->model()->columnCount(), 8);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(view->model()->headerData(i, Qt::Horizontal).toString(), QString::fromUtf8(captions[i]));
    if (i != 3) {
      EXPECT_GE(view->columnWidth(i), widths[i]) << i;
    }
  }
  EXPECT_EQ(view->horizontalHeader()->sectionResizeMode(3), QHeaderView::Stretch)
      << "the output name stretches";
  EXPECT_TRUE(f.w().DropHintShown());
  EXPECT_TRUE(f.w().LogPane()->isReadOnly());
  EXPECT_EQ(f.w().LogPane()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(f.w().AdvertisementLabel()->text().count('\n'), 2);

  QStringList menu;
  for (const QAction* action : f.w().PopupMenu()->actions())
    menu << (action->isSeparator() ? "-" : action->text());
  EXPECT_EQ(menu.join(','), QStringLiteral("Add,Remove,Clear,-,Play Output,Open Folder"));
}

TEST(TfrmConverterWindow, LibrariesThatCannotBeLoadedEndTheStart) {
  WindowFixture f;
  f.encoder->loaded = false;
  f.encoder->load_result = false;
  ModalWatcher watcher;
  EXPECT_FALSE(f.w().LoadLibraries("/nowhere/LibAV"));
  ASSERT_EQ(watcher.MessageTexts(), QStringList{QStringLiteral("无法加载解码库!")});
  EXPECT_EQ(watcher.Seen()[0].Title, QStringLiteral("Zentrova"));
  EXPECT_EQ(watcher.Seen()[0].Icon, QMessageBox::Critical);

  f.encoder->load_result = true;
  EXPECT_TRUE(f.w().LoadLibraries("/nowhere/LibAV"));
  EXPECT_EQ(watcher.Seen().size(), 1u);
}

TEST(TfrmConverterAddFiles, ABatchShowsTheDialogOnceAndLogsTheFileThatCannotBeOpened) {
  WindowFixture f;
  Media media;
  ModalWatcher watcher;
  DialogAnswer answer(watcher, f.w());
  f.w().SetFilesChooser([&](QWidget*, const QString& title, const QString& filter) {
    EXPECT_EQ(title, QStringLiteral("选择视频文件(支持多选)"));
    EXPECT_TRUE(filter.endsWith(QStringLiteral("All Files (*)")));
    return QStringList{QString::fromStdString(media.clip), QString::fromStdString(media.garbage),
                       QString::fromStdString(media.wav)};
  });
  QTest::mouseClick(f.w().AddButton(), Qt::LeftButton);
  ASSERT_TRUE(test::WaitUntil([&] { return !f.w().Adding(); }, 60000));

  EXPECT_EQ(answer.shown, 1);
  const TConversionList& list = f.w().List();
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Text(0, 0), QStringLiteral("第一 clip.mp4"));
  EXPECT_EQ(list.Text(0, 1), QStringLiteral("0:00:02"));
  EXPECT_EQ(list.Text(0, 2), SizeText(static_cast<std::int64_t>(std::filesystem::file_size(media.clip))));
  EXPECT_EQ(list.Text(0, 3), QStringLiteral("第一 clip_(new).mp4"));
  EXPECT_EQ(list.Text(1, 0), QStringLiteral("tone.wav"));
  EXPECT_EQ(list.Text(1, 1), QStringLiteral("0:00:01"));
  EXPECT_EQ(list.Text(1, 3), QStringLiteral("tone_(new).mp4"));
  for (int column = 4; column < 8; ++column) EXPECT_TRUE(list.Text(0, column).isEmpty());
  EXPECT_EQ(list.Row(0).OutputFolder, media.dir.Path().string() + "/");

  const QStringList lines = LogLines(f.w());
  const int error_line = FindLine(lines, QStringLiteral("***文件加载错误: "));
  ASSERT_GE(error_line, 1) << lines.join('\n').toStdString();
  EXPECT_TRUE(lines[error_line].startsWith(QStringLiteral("***文件加载错误: ") +
                                           QString::fromStdString(media.garbage) + QStringLiteral("  ")));
  EXPECT_GT(lines[error_line].size(), QString::fromStdString(media.garbage).size() + 14)
      << "the reason follows";
  EXPECT_TRUE(lines[error_line - 1].isEmpty());
  EXPECT_TRUE(lines[error_line + 1].isEmpty());
  EXPECT_EQ(lines.count(QStringLiteral("***File has been added to convert list.")), 2);
  EXPECT_EQ(Buttons(f.w()), "1111000");
  EXPECT_FALSE(f.w().DropHintShown());

  ASSERT_EQ(f.log.inputs.size(), 2u);
  EXPECT_EQ(f.log.inputs[0].FileName, media.clip);
  ASSERT_EQ(f.log.outputs.size(), 2u);
  EXPECT_EQ(f.log.outputs[0].second.FileName, media.dir.File("第一 clip_(new).mp4"));
  EXPECT_NE(f.log.outputs[0].second.Options.find(" -c:v libx264"), std::string::npos);
  EXPECT_EQ(f.log.inputs[1].Options, "");
}

TEST(TfrmConverterAddFiles, TheSameFileTwiceGetsTwoOutputNames) {
  WindowFixture f;
  Media media;
  ModalWatcher watcher;
  DialogAnswer answer(watcher, f.w());
  AddAndWait(f.w(), {QString::fromStdString(media.clip), QString::fromStdString(media.clip)});
  ASSERT_EQ(f.w().List().Count(), 2);
  EXPECT_EQ(f.w().List().Text(0, 3), QStringLiteral("第一 clip_(new).mp4"));
  EXPECT_EQ(f.w().List().Text(1, 3), QStringLiteral("第一 clip_(new_1).mp4"));
  // Removed, its name is free again.
  f.w().ListView()->selectRow(0);
  f.w().btnRemoveClick();
  AddAndWait(f.w(), {QString::fromStdString(media.clip)});
  EXPECT_EQ(f.w().List().Text(1, 3), QStringLiteral("第一 clip_(new).mp4"));
}

TEST(TfrmConverterAddFiles, AFailedTaskLeavesNoRowAndLogsWhy) {
  struct Case {
    const char* name;
    bool fail_input;
    const char* line;
    std::vector<int> removed;
  } cases[] = {
      {"the input", true, "***File open error: the reason", {}},
      {"the output", false, "***Cannot do convert, error: the reason", {0}},
  };
  for (const Case& c : cases) {
    WindowFixture f;
    Media media;
    ModalWatcher watcher;
    DialogAnswer answer(watcher, f.w());
    if (c.fail_input)
      f.encoder->failing_input = media.clip;
    else
      f.encoder->failing_output = media.dir.File("第一 clip_(new).mp4");
    AddAndWait(f.w(), {QString::fromStdString(media.clip)});
    EXPECT_EQ(f.w().List().Count(), 0) << c.name;
    EXPECT_EQ(f.log.removed, c.removed) << c.name;
    const QStringList lines = LogLines(f.w());
    const qsizetype at = lines.indexOf(QString::fromUtf8(c.line));
    ASSERT_GE(at, 1) << c.name << ": " << lines.join('\n').toStdString();
    EXPECT_TRUE(lines[at - 1].isEmpty());
    EXPECT_EQ(Buttons(f.w()), "1000000") << c.name;
  }
}

TEST(TfrmConverterButtons, FollowTheRunFromStartToClear) {
  WindowFixture f;
  Media media;
  ModalWatcher watcher;
  DialogAnswer answer(watcher, f.w());
  AddAndWait(f.w(), {QString::fromStdString(media.clip), QString::fromStdString(media.wav)});
  EXPECT_EQ(Buttons(f.w()), "1111000");

  f.w().btnStartClick();
  EXPECT_EQ(f.log.starts, std::vector<int>{3});
  EXPECT_EQ(f.log.priorities, std::vector<TRunPriority>{TRunPriority::Normal});
  EXPECT_EQ(Buttons(f.w()), "0000110");
  EXPECT_FALSE(f.w().TaskCountGroup()->isEnabled());
  EXPECT_FALSE(f.w().DropWatch().Enabled());

  f.w().btnPauseClick();
  EXPECT_EQ(Buttons(f.w()), "0000101");
  f.w().btnResumeClick();
  EXPECT_EQ(Buttons(f.w()), "0000110");
  f.w().btnPauseClick();
  f.w().btnStopClick();
  EXPECT_EQ(f.log.stops, std::vector<bool>{false}) << "Stop returns at once";
  EXPECT_EQ(Buttons(f.w()), "0000000") << "nothing to press while the tasks finalise";
  EXPECT_EQ(f.w().List().Text(0, 4), QStringLiteral("Stopping"));
  EXPECT_TRUE(f.w().StatusLine()->text().endsWith(QStringLiteral("stopping…")))
      << f.w().StatusLine()->text().toStdString();
  EXPECT_TRUE(f.w().TaskCountGroup()->isEnabled());
  EXPECT_EQ(f.log.pauses, 2);
  EXPECT_EQ(f.log.resumes, 1);

  f.encoder->on_terminate({-1, false, false, {}, false, {}, 0});
  EXPECT_EQ(f.w().State(), TConverterState::Ended);
  EXPECT_EQ(Buttons(f.w()), "0010000");
  f.w().btnClearClick();
  EXPECT_EQ(Buttons(f.w()), "1000000");
  EXPECT_EQ(f.log.clears, 1);
  EXPECT_EQ(f.w().List().Count(), 0);
  EXPECT_TRUE(f.w().DropWatch().Enabled());
}

TEST(TfrmConverterButtons, ARunThatEndsByItselfLeavesTheTaskCountEditableAfterClear) {
  WindowFixture f;
  Media media;
  ModalWatcher watcher;
  DialogAnswer answer(watcher, f.w());
  AddAndWait(f.w(), {QString::fromStdString(media.wav)});
  f.w().btnStartClick();
  f.encoder->on_terminate({0, true, false, {}, false, {}, 0});
  f.encoder->on_terminate({-1, false, false, {}, false, {}, 0});
  EXPECT_FALSE(f.w().TaskCountGroup()->isEnabled());
  f.w().btnClearClick();
  EXPECT_TRUE(f.w().TaskCountGroup()->isEnabled());
}

TEST(TaskCountOf, NonNumbersAndCountsBelowOneRunOneTaskAtATime) {
  struct Case {
    const char* text;
    int count;
  } cases[] = {{"3", 3},   {" 5 ", 5}, {"1", 1},  {"0", 1},          {"-2", 1},
               {"abc", 1}, {"", 1},    {"2x", 1}, {"99999999999", 1}};
  for (const Case& c : cases) EXPECT_EQ(TaskCountOf(QString::fromUtf8(c.text)), c.count) << c.text;
}

TEST(TfrmConverterButtons, AZeroTaskCountStillStartsOnWorkers) {
  WindowFixture f;
  Media media;
  ModalWatcher watcher;
  DialogAnswer answer(watcher, f.w());
  AddAndWait(f.w(), {QString::fromStdString(media.wav)});
  f.w().TaskCountEdit()->setText("0");
  f.w().btnStartClick();
  EXPECT_EQ(f.log.starts, std::vector<int>{1});
}

TEST(TfrmConverterEvents, ProgressAndTerminationUpdateTheirRowOnly) {
  WindowFixture f;
  Media media;
  ModalWatcher watcher;
  DialogAnswer answer(watcher, f.w());
  AddAndWait(f.w(), {QString::fromStdString(media.clip), QString::fromStdString(media.wav),
                     QString::fromStdString(media.clip)});
  f.w().btnStartClick();
  const TConversionList& list = f.w().List();

  f.encoder->on_progress({.TaskIndex = 0,
                          .FPS = 25,
                          .CurrentSize = 123456,
                          .CurrentDuration = 1500000,
                          .TotalDuration = 2000000});
  EXPECT_EQ(list.Text(0, 4), QStringLiteral("75%"));
  EXPECT_EQ(list.Text(0, 5), QStringLiteral("25"));
  EXPECT_EQ(list.Text(0, 6), QStringLiteral("0:00:01"));
  EXPECT_EQ(list.Text(0, 7), QStringLiteral("120.6 KiB"));
  EXPECT_EQ(list.data(list.index(0, 7), Qt::ToolTipRole).toString(), QStringLiteral("123456 bytes"));
  EXPECT_TRUE(f.w().StatusLine()->text().startsWith(QStringLiteral("0 of 3 files done · ")))
      << f.w().StatusLine()->text().toStdString();
  f.encoder->on_progress({.TaskIndex = 0, .CurrentSize = 200000, .CurrentDuration = 1900000});
  EXPECT_EQ(list.Text(0, 4), QStringLiteral("N/A"));
  EXPECT_EQ(list.Text(0, 5), QStringLiteral("25")) << "an FPS of 0 keeps the last one";
  f.encoder->on_progress({.TaskIndex = 7,
                          .FPS = 30,
                          .CurrentSize = 1,
                          .CurrentDuration = 1,
                          .TotalDuration = 1});  // no such row
  f.encoder->on_progress({.TaskIndex = -1,
                          .FPS = 30,
                          .CurrentSize = 1,
                          .CurrentDuration = 1,
                          .TotalDuration = 1});  // no such row
  f.encoder->on_terminate({9, true, false, {}, false, {}, 0});
  EXPECT_TRUE(list.Text(1, 4).isEmpty());

  f.encoder->on_terminate({0, true, false, {}, false, {}, 0});
  f.encoder->on_progress(
      {.TaskIndex = 1, .FPS = 25, .CurrentSize = 1000, .CurrentDuration = 500000, .TotalDuration = 2000000});
  f.encoder->on_terminate({1, false, false, {}, false, {}, 0});  // stopped while running
  f.encoder->on_terminate({2, true, true, "Could not write header for output file #0", false, {}, 0});
  EXPECT_EQ(list.Text(0, 4), QStringLiteral("Converted"));
  EXPECT_TRUE(list.Row(0).Marker);
  EXPECT_EQ(list.Text(1, 4), QStringLiteral("Stopped at 25%"));
  EXPECT_TRUE(list.data(list.index(1, 4), Qt::ToolTipRole)
                  .toString()
                  .startsWith(QStringLiteral("Stopped by the user")));
  EXPECT_TRUE(list.Row(1).Marker) << "a stopped output can be played";
  EXPECT_EQ(list.Text(2, 4), QStringLiteral("Failed"));
  EXPECT_EQ(list.data(list.index(2, 4), Qt::ToolTipRole).toString(),
            QStringLiteral("Could not write header for output file #0"));
  EXPECT_FALSE(list.Row(2).Marker);
  EXPECT_TRUE(watcher.Seen().size() == 1u && answer.shown == 1) << "the box comes after the event";
  QTest::qWait(150);
  ASSERT_EQ(watcher.MessageTexts(), QStringList{QStringLiteral("Could not write header for output file #0")});
  EXPECT_EQ(watcher.Seen().back().Icon, QMessageBox::Warning);
  EXPECT_EQ(watcher.Seen().back().Title, QStringLiteral("Zentrova"));
}

TEST(TfrmConverterEvents, AnIncompleteRowKeepsItsPercentageWithTheReasonBeside) {
  WindowFixture f;
  Media media;
  ModalWatcher watcher;
  DialogAnswer answer(watcher, f.w());
  AddAndWait(f.w(), {QString::fromStdString(media.clip)});
  f.w().btnStartClick();
  const TConversionList& list = f.w().List();
  f.encoder->on_progress(
      {.TaskIndex = 0, .FPS = 25, .CurrentSize = 1000, .CurrentDuration = 990000, .TotalDuration = 2000000});
  f.encoder->on_terminate({0, true, false, {}, true, "clip.mp4: input ended at 0:00.9 of 0:02.0", 4});
  EXPECT_EQ(list.Text(0, 4), QStringLiteral("Incomplete at 49%"));
  const QString tip = list.data(list.index(0, 4), Qt::ToolTipRole).toString();
  EXPECT_TRUE(tip.contains("input ended at 0:00.9 of 0:02.0")) << tip.toStdString();
  EXPECT_TRUE(tip.contains("Decoding errors: 4")) << tip.toStdString();
  EXPECT_TRUE(list.Row(0).Marker) << "the output is kept and can be played";
  EXPECT_TRUE(watcher.MessageTexts().isEmpty()) << "no error box for an incomplete file";
}

TEST(TfrmConverterMenu, PlayAndOpenFolderActOnTheSelectedRowElseTheLast) {
  WindowFixture f;
  Media media;
  ModalWatcher watcher;
  DialogAnswer answer(watcher, f.w());
  UrlRecorder urls;
  AddAndWait(f.w(), {QString::fromStdString(media.clip), QString::fromStdString(media.wav)});

  f.w().PopupMenu1Popup();
  EXPECT_FALSE(f.w().PlayAction()->isEnabled());
  EXPECT_TRUE(f.w().OpenFolderAction()->isEnabled());

  f.w().btnStartClick();
  f.encoder->on_terminate({0, true, false, {}, false, {}, 0});
  f.encoder->on_terminate({1, false, true, "failed", false, {}, 0});
  f.encoder->on_terminate({-1, false, false, {}, false, {}, 0});
  QTest::qWait(100);

  f.w().ListView()->clearSelection();
  f.w().PopupMenu1Popup();
  EXPECT_FALSE(f.w().PlayAction()->isEnabled()) << "the last row failed";
  f.w().ListView()->selectRow(0);
  f.w().PopupMenu1Popup();
  EXPECT_TRUE(f.w().PlayAction()->isEnabled());

  // The output must exist to be played.
  f.w().mnuPlayClick();
  EXPECT_TRUE(urls.opened.empty());
  std::ofstream(f.w().List().Row(0).OutputFile) << "output";
  f.w().mnuPlayClick();
  f.w().mnuOpenFolderClick();
  ASSERT_EQ(urls.opened.size(), 2u);
  EXPECT_EQ(urls.opened[0], QUrl::fromLocalFile(QString::fromStdString(f.w().List().Row(0).OutputFile)));
  EXPECT_EQ(urls.opened[1].toLocalFile(), QString::fromStdString(media.dir.Path().string() + "/"));

  QTest::mouseClick(f.w().WebButton1(), Qt::LeftButton);
  QTest::mouseClick(f.w().WebButton2(), Qt::LeftButton);
  ASSERT_EQ(urls.opened.size(), 4u);
  EXPECT_EQ(urls.opened[2], QUrl(QStringLiteral("https://example.org/first")));
  EXPECT_EQ(urls.opened[3].toLocalFile(), QStringLiteral("/usr/share/doc/zentrova/README.md"));
}

/// Drags `files` over `target` and drops them; true when the drop was accepted.
bool DropOn(QWidget* target, const QStringList& files) {
  QMimeData data;
  QList<QUrl> urls;
  for (const QString& file : files) urls << QUrl::fromLocalFile(file);
  data.setUrls(urls);
  const QPoint at = target->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  return drop.isAccepted();
}

TEST(TfrmConverterDrops, FilesDroppedOnTheListOrTheLogAreAddedInDropOrder) {
  WindowFixture f;
  Media media;
  f.w().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.w()));
  ModalWatcher watcher;
  DialogAnswer answer(watcher, f.w());

  EXPECT_TRUE(DropOn(f.w().ListView()->viewport(),
                     {QString::fromStdString(media.wav), QString::fromStdString(media.clip)}));
  EXPECT_EQ(f.w().List().Count(), 0) << "added after the drop event has returned";
  EXPECT_TRUE(test::WaitUntil([&] { return f.w().List().Count() == 2; }, 5000));
  EXPECT_EQ(answer.shown, 1);
  EXPECT_EQ(f.w().List().Text(0, 0), QStringLiteral("tone.wav"));
  EXPECT_EQ(f.w().List().Text(1, 0), QStringLiteral("第一 clip.mp4"));

  EXPECT_TRUE(DropOn(f.w().LogPane()->viewport(), {QString::fromStdString(media.wav)}));
  EXPECT_TRUE(test::WaitUntil([&] { return f.w().List().Count() == 3; }, 5000));
  EXPECT_EQ(answer.shown, 2);
}

TEST(TfrmConverterDrops, DropsDuringAndAfterARunChangeNothing) {
  WindowFixture f;
  Media media;
  f.w().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.w()));
  ModalWatcher watcher;
  DialogAnswer answer(watcher, f.w());
  AddAndWait(f.w(), {QString::fromStdString(media.wav)});
  f.w().btnStartClick();
  EXPECT_FALSE(DropOn(f.w().ListView()->viewport(), {QString::fromStdString(media.clip)}));
  f.encoder->on_terminate({0, true, false, {}, false, {}, 0});
  f.encoder->on_terminate({-1, false, false, {}, false, {}, 0});
  EXPECT_FALSE(DropOn(f.w().ListView()->viewport(), {QString::fromStdString(media.clip)}));
  QTest::qWait(100);
  EXPECT_EQ(f.w().List().Count(), 1);
  EXPECT_EQ(f.log.inputs.size(), 1u);
  EXPECT_EQ(answer.shown, 1);
}

TEST(TfrmConverterAddFiles, ClosingTheDialogWithoutOkAddsNothingAndSaysSo) {
  struct Case {
    const char* name;
    std::function<void(TfrmOption&)> close;
  } cases[] = {
      {"Cancel", [](TfrmOption& dialog) { dialog.CancelButton()->click(); }},
      {"Esc", [](TfrmOption& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); }},
      {"the window's close button", [](TfrmOption& dialog) { dialog.close(); }},
  };
  for (const Case& c : cases) {
    WindowFixture f;
    Media media;
    ModalWatcher watcher;
    int shown = 0;
    watcher.SetAnswer([&](QWidget* modal) {
      if (modal != &f.w().OptionDialog()) return;
      ++shown;
      c.close(f.w().OptionDialog());
    });
    AddAndWait(f.w(), {QString::fromStdString(media.clip), QString::fromStdString(media.wav)});
    EXPECT_EQ(shown, 1) << c.name;
    EXPECT_EQ(f.w().List().Count(), 0) << c.name;
    EXPECT_TRUE(f.log.inputs.empty()) << c.name;
    EXPECT_GE(FindLine(LogLines(f.w()), QStringLiteral("***Options dialog closed without OK")), 0) << c.name;
    EXPECT_EQ(Buttons(f.w()), "1000000") << c.name;
  }
}

TEST(TfrmConverterAddFiles, FoldersAddTheirMediaAndBadFilesAreNamedInOneMessage) {
  WindowFixture f;
  Media media;
  ModalWatcher watcher;
  DialogAnswer answer(watcher, f.w());
  const std::string folder = media.dir.File("片 folder");
  std::filesystem::create_directory(folder);
  test::MakeClip(folder + "/b.mp4", test::Mp4H264Aac(1.0));
  test::MakeClip(folder + "/a.wav", test::WavS16(1.0));
  std::ofstream(folder + "/notes.txt") << "not media";
  const std::string empty_folder = media.dir.File("nothing here");
  std::filesystem::create_directory(empty_folder);
  const std::string empty = media.dir.File("empty.mp4");
  test::MakeEmptyFile(empty);

  AddAndWait(f.w(), {QString::fromStdString(empty), QString::fromStdString(folder),
                     QString::fromStdString(media.garbage), QString::fromStdString(empty_folder)});
  ASSERT_EQ(f.w().List().Count(), 2) << f.w().LogPane()->toPlainText().toStdString();
  EXPECT_EQ(f.w().List().Text(0, 0), QStringLiteral("a.wav"));
  EXPECT_EQ(f.w().List().Text(1, 0), QStringLiteral("b.mp4"));
  EXPECT_EQ(answer.shown, 1);
  const QStringList messages = watcher.MessageTexts();
  ASSERT_EQ(messages.size(), 1) << messages.join("|").toStdString();
  const QStringList lines = messages[0].split('\n');
  ASSERT_EQ(lines.size(), 5) << messages[0].toStdString();
  EXPECT_EQ(lines[0], QStringLiteral("These files were not added:"));
  EXPECT_EQ(lines[2], QStringLiteral("empty.mp4: the file is empty"));
  EXPECT_TRUE(lines[3].startsWith(QStringLiteral("not media.mp4: not a media file that can be read (")))
      << lines[3].toStdString();
  EXPECT_EQ(lines[4], QStringLiteral("nothing here: the folder holds no media files"));
  EXPECT_EQ(watcher.Seen().back().Icon, QMessageBox::Warning);
  EXPECT_EQ(LogLines(f.w()).filter(QStringLiteral("***文件加载错误: ")).size(), 3) << "besides the log";
}

TEST(TfrmConverterDropHint, ComesBackWheneverTheListIsEmpty) {
  WindowFixture f;
  Media media;
  ModalWatcher watcher;
  DialogAnswer answer(watcher, f.w());
  AddAndWait(f.w(), {QString::fromStdString(media.wav)});
  EXPECT_FALSE(f.w().DropHintShown());
  f.w().ListView()->selectRow(0);
  f.w().btnRemoveClick();
  EXPECT_TRUE(f.w().DropHintShown()) << "after the last row is removed";
  AddAndWait(f.w(), {QString::fromStdString(media.wav)});
  f.w().btnClearClick();
  EXPECT_TRUE(f.w().DropHintShown()) << "after Clear";
}

TEST(TfrmConverterWindow, RemembersItsSizeAndFitsEveryColumnAt1280x800) {
  {
    WindowFixture f;
    EXPECT_EQ(f.w().size(), QSize(1280, 800)) << "the first start";
    f.w().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.w()));
    const QTableView* view = f.w().ListView();
    int total = 0;
    for (int i = 0; i < 8; ++i) {
      total += view->columnWidth(i);
      const int caption =
          view->fontMetrics().horizontalAdvance(view->model()->headerData(i, Qt::Horizontal).toString());
      EXPECT_GT(view->columnWidth(i), caption) << "caption " << i << " is not cut off";
    }
    EXPECT_LE(total, view->viewport()->width()) << "no column is cut off at the right";
    f.w().resize(900, 650);
    f.w().close();
  }
  WindowFixture again;
  EXPECT_EQ(again.w().size(), QSize(900, 650));
}

TEST(TfrmConverterClose, ClosingDetachesEveryEventAndStopsTheRun) {
  WindowFixture f;
  f.w().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.w()));
  EXPECT_TRUE(f.encoder->on_audio_output && f.encoder->on_progress && f.encoder->on_terminate);
  f.w().close();
  EXPECT_EQ(f.log.stops, std::vector<bool>{true}) << "the outputs are finalised before the window goes";
  EXPECT_FALSE(f.encoder->on_progress);
  EXPECT_FALSE(f.encoder->on_terminate);
  EXPECT_FALSE(f.encoder->on_video_input);
  EXPECT_FALSE(f.encoder->on_video_output);
  EXPECT_FALSE(f.encoder->on_audio_output);
}

TEST(TfrmConverterHooks, AMonoTaskIsToldOnceFromTheGuiThreadAndNotHookedAgain) {
  WindowFixture f;
  ModalWatcher watcher;
  std::vector<std::int16_t> samples(8, 1000);
  std::uint8_t* planes[] = {reinterpret_cast<std::uint8_t*>(samples.data())};
  TAudioHookCall call;
  call.TaskIndex = 0;
  call.Planes = planes;
  call.Size = 16;
  call.LineSize = 16;
  call.Channels = 1;
  call.SampleFormat = kSampleFormatS16;
  // Two hook calls on a worker thread, as the engine makes them.
  std::thread worker([&] {
    f.encoder->on_audio_output(call);
    f.encoder->on_audio_output(call);
  });
  worker.join();
  // Another task in stereo is still hooked.
  std::vector<std::int16_t> stereo(8, 1000);
  std::uint8_t* stereo_planes[] = {reinterpret_cast<std::uint8_t*>(stereo.data())};
  TAudioHookCall other = call;
  other.TaskIndex = 1;
  other.Channels = 2;
  other.Planes = stereo_planes;
  f.encoder->on_audio_output(other);
  EXPECT_EQ(stereo[0], 0);
  EXPECT_EQ(stereo[1], 1000);

  QTest::qWait(150);
  EXPECT_EQ(watcher.MessageTexts(), QStringList{QStringLiteral("Ignore mono for current audio hooking.")});
  EXPECT_EQ(watcher.Seen()[0].Icon, QMessageBox::Information);
  EXPECT_EQ(samples, std::vector<std::int16_t>(8, 1000));
}

TEST(TfrmConverterHiddenControls, LogLevelPreviewAndPriorityStillTakeEffect) {
  WindowFixture f;
  Media media;
  ModalWatcher watcher;
  DialogAnswer answer(watcher, f.w());
  auto radio = [](QGroupBox* group, const char* text) {
    for (QRadioButton* button : group->findChildren<QRadioButton*>())
      if (button->text() == QLatin1String(text)) return button;
    return static_cast<QRadioButton*>(nullptr);
  };
  ASSERT_TRUE(radio(f.w().LogLevelGroup(), "Warning")->isChecked());
  ASSERT_TRUE(radio(f.w().PriorityGroup(), "Normal")->isChecked());

  radio(f.w().LogLevelGroup(), "Error")->click();
  EXPECT_EQ(DefaultLogger()->LogLevel(), TLogLevel::llError);
  radio(f.w().LogLevelGroup(), "Debug")->click();
  EXPECT_EQ(DefaultLogger()->LogLevel(), TLogLevel::llDebug);

  f.w().PreviewCheck()->click();
  EXPECT_EQ(f.log.previews, std::vector<bool>{true});

  AddAndWait(f.w(), {QString::fromStdString(media.wav)});
  radio(f.w().PriorityGroup(), "Idle")->click();
  f.w().btnStartClick();
  EXPECT_EQ(f.log.priorities, std::vector<TRunPriority>{TRunPriority::Idle});
}

TEST(TfrmConverterLog, LoggedMessagesReachTheLogPaneWithThreadAndLevel) {
  WindowFixture f;
  Log(TLogLevel::llError, "something went wrong");
  EXPECT_TRUE(test::WaitUntil(
      [&] { return f.w().LogPane()->toPlainText().contains(QStringLiteral("something went wrong")); }, 5000));
  const QStringList lines = LogLines(f.w());
  int at = -1;
  for (int i = 0; i < lines.size(); ++i)
    if (lines[i].endsWith(QStringLiteral("something went wrong"))) at = i;
  ASSERT_GE(at, 0);
  EXPECT_TRUE(
      QRegularExpression(QStringLiteral("^#\\d+\\.3: something went wrong$")).match(lines[at]).hasMatch())
      << lines[at].toStdString();
}

}  // namespace
}  // namespace zentrova::ui

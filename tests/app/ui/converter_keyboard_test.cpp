// The main window from the keyboard and through its real open dialog:
// Delete removes, Tab leaves the list, Enter plays a finished row, and names
// typed together in the open dialog are all added.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTest>
#include <fstream>

#include "url_recorder.h"
#include "window_fixture.h"

namespace zentrova::ui {
namespace {

using test::ModalWatcher;

/// Shows the window, makes it the active one and puts the focus on the list.
void FocusList(TfrmConverter& window) {
  window.show();
  QApplication::setActiveWindow(&window);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  window.ListView()->setFocus();
  ASSERT_TRUE(window.ListView()->hasFocus());
}

/// A window with two short sound files added: "first.wav" and "second.wav".
struct TwoRows {
  WindowFixture f;
  test::TempDir dir;
  ModalWatcher watcher;
  DialogAnswer answer{watcher, f.w()};
  TwoRows() {
    QStringList files;
    for (const char* name : {"first.wav", "second.wav"}) {
      test::MakeClip(dir.File(name), test::WavS16(0.5));
      files << QString::fromStdString(dir.File(name));
    }
    AddAndWait(f.w(), files);
    EXPECT_EQ(f.w().List().Count(), 2);
  }
};

TEST(TfrmConverterKeyboard, DeleteRemovesTheSelectedRowOnlyWhileRemoveIsEnabled) {
  TwoRows rows;
  WindowFixture& f = rows.f;
  FocusList(f.w());

  f.w().ListView()->selectRow(0);
  QTest::keyClick(f.w().ListView(), Qt::Key_Delete);
  ASSERT_EQ(f.w().List().Count(), 1);
  EXPECT_EQ(f.w().List().Text(0, 0), QStringLiteral("second.wav"));
  EXPECT_EQ(f.log.removed, std::vector<int>{0});

  f.w().ListView()->selectRow(0);
  f.w().btnStartClick();
  ASSERT_FALSE(f.w().RemoveButton()->isEnabled());
  QTest::keyClick(f.w().ListView(), Qt::Key_Delete);
  EXPECT_EQ(f.w().List().Count(), 1) << "a running batch keeps its rows";
  EXPECT_EQ(f.log.removed.size(), 1u);
}

TEST(TfrmConverterKeyboard, TabLeavesTheListForTheButtons) {
  WindowFixture f;
  Media media;
  ModalWatcher watcher;
  DialogAnswer answer(watcher, f.w());
  AddAndWait(f.w(), {QString::fromStdString(media.wav)});
  FocusList(f.w());
  f.w().ListView()->selectRow(0);

  QTest::keyClick(f.w().ListView(), Qt::Key_Tab);
  QWidget* focused = QApplication::focusWidget();
  ASSERT_NE(focused, nullptr);
  EXPECT_NE(focused, f.w().ListView());
  EXPECT_NE(qobject_cast<QPushButton*>(focused), nullptr) << focused->metaObject()->className();
}

TEST(TfrmConverterKeyboard, EnterPlaysAFinishedRowAndNothingElse) {
  TwoRows rows;
  WindowFixture& f = rows.f;
  test::UrlRecorder urls;
  FocusList(f.w());

  f.w().ListView()->selectRow(0);
  QTest::keyClick(f.w().ListView(), Qt::Key_Return);
  EXPECT_TRUE(urls.opened.empty()) << "not converted yet";

  f.w().btnStartClick();
  f.encoder->on_terminate({0, true, false, {}, false, {}, 0});
  f.encoder->on_terminate({1, false, true, "failed", false, {}, 0});
  f.encoder->on_terminate({-1, false, false, {}, false, {}, 0});
  std::ofstream(f.w().List().Row(0).OutputFile) << "output";
  std::ofstream(f.w().List().Row(1).OutputFile) << "left by someone else";

  f.w().ListView()->setCurrentIndex(f.w().ListView()->model()->index(1, 0));
  QTest::keyClick(f.w().ListView(), Qt::Key_Enter);
  EXPECT_TRUE(urls.opened.empty()) << "the second row failed";
  f.w().ListView()->setCurrentIndex(f.w().ListView()->model()->index(0, 0));
  QTest::keyClick(f.w().ListView(), Qt::Key_Return);
  ASSERT_EQ(urls.opened.size(), 1u);
  EXPECT_EQ(urls.opened[0], QUrl::fromLocalFile(QString::fromStdString(f.w().List().Row(0).OutputFile)));
}

TEST(TfrmConverterOpenDialog, OffersTheNewPatternsAndAddsEveryNameTypedAtOnce) {
  WindowFixture f;
  test::TempDir dir;
  const std::string first = dir.File("one.wav"), second = dir.File("two words.wav");
  test::MakeClip(first, test::WavS16(0.5));
  test::MakeClip(second, test::WavS16(0.5));
  ModalWatcher watcher;
  int dialogs = 0;
  QStringList filters;
  watcher.SetAnswer([&](QWidget* modal) {
    if (auto* chooser = qobject_cast<QFileDialog*>(modal)) {
      filters = chooser->nameFilters();
      chooser->setDirectory(QString::fromStdString(dir.Path().string()));
      auto* name_edit = chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      ASSERT_NE(name_edit, nullptr);
      name_edit->setText(QStringLiteral("\"one.wav\" \"two words.wav\""));
      static_cast<QDialog*>(chooser)->accept();  // as the Open button does
    } else if (modal == &f.w().OptionDialog()) {
      ++dialogs;
      f.w().OptionDialog().accept();
    }
  });
  f.w().btnAddClick();
  ASSERT_TRUE(test::WaitUntil([&] { return !f.w().Adding(); }, 60000));

  ASSERT_EQ(f.w().List().Count(), 2);
  EXPECT_EQ(f.w().List().Text(0, 0), QStringLiteral("one.wav"));
  EXPECT_EQ(f.w().List().Text(1, 0), QStringLiteral("two words.wav"));
  EXPECT_EQ(dialogs, 1);
  ASSERT_FALSE(filters.isEmpty());
  for (const char* pattern : {"*.WEBM", "*.OGV", "*.M4V", "*.MTS", "*.M2TS", "*.OPUS", "*.OGA", "*.3G2",
                              "*.MXF", "*.WV", "*.AIFF", "*.TIF", "*.TIFF", "*.WEBP"})
    EXPECT_TRUE(filters[0].split(QRegularExpression(QStringLiteral("[ ()]"))).contains(pattern))
        << pattern << " in " << filters[0].toStdString();
}

}  // namespace
}  // namespace zentrova::ui

// The options dialog fits the screen at any scale factor (its settings
// scroll, its OK button stays in view), and its frame-size list names the
// common sizes plainly and lists them first. ctest runs the fit test again
// with QT_SCALE_FACTOR=2.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include "app/ui/option_dialog.h"

namespace zentrova::ui {
namespace {

TEST(TfrmOptionFit, TheDialogAndItsOkButtonStayOnTheScreen) {
  TfrmOption dialog;
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  const QRect room = dialog.screen()->availableGeometry();
  EXPECT_TRUE(room.contains(dialog.frameGeometry()))
      << "scale " << dialog.devicePixelRatioF() << ", screen " << room.width() << "x" << room.height();
  const QRect ok(dialog.OkButton()->mapTo(&dialog, QPoint(0, 0)), dialog.OkButton()->size());
  EXPECT_TRUE(dialog.rect().contains(ok));
  QWidget* settings = dialog.SettingsArea()->widget();
  const bool all_shown = settings->sizeHint().height() <= dialog.SettingsArea()->viewport()->height();
  EXPECT_EQ(dialog.SettingsArea()->verticalScrollBar()->isVisible(), !all_shown);
  // A screen as wide as the settings shows them without a horizontal bar.
  if (room.width() >= settings->sizeHint().width() + 60) {
    EXPECT_FALSE(dialog.SettingsArea()->horizontalScrollBar()->isVisible());
  }
  dialog.hide();
}

TEST(TfrmOptionFrameSizes, CommonSizesComeFirstWithPlainNamesAndPickTheirItem) {
  TfrmOption dialog;
  QComboBox* sizes = dialog.FrameSizeCombo();
  const QStringList first{
      QStringLiteral("Auto - Original"),           QStringLiteral("1920x1080 - 1080p (Full HD)"),
      QStringLiteral("1280x720 - 720p (HD)"),      QStringLiteral("852x480 - 480p (wide SD)"),
      QStringLiteral("640x480 - 480p (4:3, VGA)"), QStringLiteral("320x240 - 240p (QVGA)")};
  for (int i = 0; i < first.size(); ++i) EXPECT_EQ(sizes->itemText(i), first[i]);
  EXPECT_TRUE(sizes->itemText(static_cast<int>(first.size())).isEmpty()) << "a separator";
  // Every item of the table is offered once by its size.
  QSet<QString> offered;
  for (int i = 0; i < sizes->count(); ++i)
    if (!sizes->itemText(i).isEmpty()) offered << sizes->itemText(i).section(' ', 0, 0);
  QSet<QString> table;
  for (std::string_view item : app::kFrameSizeItems)
    table << QString::fromUtf8(item.data(), static_cast<qsizetype>(item.size())).section(' ', 0, 0);
  EXPECT_EQ(offered, table);

  for (int i = 0; i < sizes->count(); ++i) {
    if (sizes->itemText(i).isEmpty()) continue;
    sizes->setCurrentIndex(i);
    const std::string_view item = app::kFrameSizeItems[static_cast<std::size_t>(dialog.Settings().FrameSize)];
    EXPECT_EQ(QString::fromUtf8(item.data(), static_cast<qsizetype>(item.size())).section(' ', 0, 0),
              sizes->itemText(i).section(' ', 0, 0));
  }
}

}  // namespace
}  // namespace zentrova::ui

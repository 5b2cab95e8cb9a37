// The window's language: a Chinese desktop sees the Chinese captions and
// Chinese for the texts that have no Chinese original; every other desktop
// sees English for every visible text. The desktop's locale comes from the
// environment (LANGUAGE, LC_ALL, …): ctest runs the locale test once per
// environment and says through ZENTROVA_TEST_LANGUAGE which language the
// environment must give.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include "app/ui/app_translations.h"
#include "window_fixture.h"

namespace zentrova::ui {
namespace {

bool HasChinese(const QString& text) {
  for (const QChar c : text)
    if ((c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF) ||
        (c.unicode() >= 0x3000 && c.unicode() <= 0x303F) || (c.unicode() >= 0xFF00 && c.unicode() <= 0xFFEF))
      return true;
  return false;
}

/// Every text a user can see on `root` and its visible children.
QStringList VisibleTexts(QWidget* root) {
  QStringList texts{root->windowTitle()};
  for (QWidget* widget : root->findChildren<QWidget*>()) {
    if (!widget->isVisibleTo(root)) continue;
    texts << widget->toolTip();
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) texts << button->text();
    if (auto* box = qobject_cast<QGroupBox*>(widget)) texts << box->title();
    if (auto* label = qobject_cast<QLabel*>(widget)) texts << label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) texts << edit->text();
    if (auto* combo = qobject_cast<QComboBox*>(widget)) texts << combo->currentText();
    if (auto* view = qobject_cast<QTableView*>(widget))
      for (int i = 0; i < view->model()->columnCount(); ++i)
        texts << view->model()->headerData(i, Qt::Horizontal).toString();
  }
  texts.removeAll(QString());
  return texts;
}

QString MenuTexts(const QMenu* menu) {
  QStringList texts;
  for (const QAction* action : menu->actions()) texts << (action->isSeparator() ? "-" : action->text());
  return texts.join(',');
}

TEST(ChineseLocale, OnlyAChineseFirstLanguageIsChinese) {
  const struct {
    const char* Name;
    bool Chinese;
  } cases[] = {{"zh_CN", true},  {"zh_TW", true},  {"zh_HK", true}, {"en_US", false},
               {"de_DE", false}, {"ja_JP", false}, {"C", false}};
  for (const auto& c : cases)
    EXPECT_EQ(ChineseLocale(QLocale(QString::fromLatin1(c.Name))), c.Chinese) << c.Name;
}

TEST(AppTranslations, BothCataloguesAndQtsOwnAreFoundAndRemovedAgain) {
  for (const char* name : {"zh_CN", "en_GB"}) {
    const bool chinese = ChineseLocale(QLocale(QString::fromLatin1(name)));
    {
      TAppTranslations translations{QLocale(QString::fromLatin1(name))};
      ASSERT_TRUE(translations.Loaded()) << name << " in " << TranslationsFolder().toStdString();
      EXPECT_EQ(TConversionList::tr("视频文件"),
                chinese ? QStringLiteral("视频文件") : QStringLiteral("Source File"));
      EXPECT_EQ(TfrmConverter::tr("Open Folder"),
                chinese ? QStringLiteral("打开所在文件夹") : QStringLiteral("Open Folder"));
      if (chinese) {
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "OK"), QStringLiteral("确定"));
      }
    }
    EXPECT_EQ(TConversionList::tr("视频文件"), QStringLiteral("视频文件")) << "removed with its owner";
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "OK"), QStringLiteral("OK"));
  }
}

TEST(AppLanguage, TheWindowAndTheDialogFollowTheDesktopLocale) {
  const QLocale desktop = QLocale::system();
  const bool chinese = ChineseLocale(desktop);
  const QByteArray expected = qgetenv("ZENTROVA_TEST_LANGUAGE");
  if (!expected.isEmpty()) {
    ASSERT_EQ(chinese, expected == "zh") << "uiLanguages: " << desktop.uiLanguages().join(',').toStdString();
  }

  TAppTranslations translations(desktop);
  ASSERT_TRUE(translations.Loaded());
  WindowFixture f;
  f.w().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.w()));
  TfrmOption& dialog = f.w().OptionDialog();
  // A file added: the dialog shows its information lines.
  test::TempDir dir;
  test::MakeClip(dir.File("tone.wav"), test::WavS16(0.5));
  QString information;
  {
    test::ModalWatcher watcher;
    watcher.SetAnswer([&](QWidget* modal) {
      if (modal != &dialog) return;
      information = dialog.InfoText()->toPlainText();
      dialog.accept();
    });
    AddAndWait(f.w(), {QString::fromStdString(dir.File("tone.wav"))});
  }
  ASSERT_FALSE(information.isEmpty());
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  const QStringList window_texts = VisibleTexts(&f.w());
  const QStringList dialog_texts = VisibleTexts(&dialog);
  const QString menu = MenuTexts(f.w().PopupMenu());
  const QString header = f.w().ListView()->model()->headerData(0, Qt::Horizontal).toString();
  const app::OutputSettings settings = dialog.Settings();
  dialog.hide();

  // The placeholder reads in the window's language but still means "beside the source".
  EXPECT_EQ(settings.OutPath, std::string(app::kOutputFolderPlaceholder));
  if (chinese) {
    EXPECT_EQ(f.w().AddButton()->text(), QStringLiteral("添加视频文件"));
    EXPECT_EQ(f.w().TaskCountGroup()->title(), QStringLiteral("多线程模式"));
    EXPECT_EQ(header, QStringLiteral("视频文件"));
    EXPECT_EQ(menu, QStringLiteral("添加,删除,清空,-,播放输出文件,打开所在文件夹"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("视频输出选项"));
    EXPECT_TRUE(dialog_texts.contains(QStringLiteral("视频每帧大小")));
    // The choices' default items too.
    EXPECT_TRUE(dialog_texts.contains(QStringLiteral("自动")));
    EXPECT_TRUE(dialog_texts.contains(QStringLiteral("自动 - 原始大小")));
    EXPECT_TRUE(information.contains(QStringLiteral("音频码率:"))) << information.toStdString();
    return;
  }
  EXPECT_EQ(f.w().AddButton()->text(), QStringLiteral("Add Video Files"));
  EXPECT_EQ(f.w().TaskCountGroup()->title(), QStringLiteral("Parallel Tasks"));
  EXPECT_EQ(header, QStringLiteral("Source File"));
  EXPECT_EQ(menu, QStringLiteral("Add,Remove,Clear,-,Play Output,Open Folder"));
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Video Output Options"));
  EXPECT_TRUE(dialog_texts.contains(QStringLiteral("Frame Size")));
  EXPECT_TRUE(information.contains(QStringLiteral("Audio bit rate:"))) << information.toStdString();
  for (const QString& text : window_texts + dialog_texts + QStringList{menu, information})
    EXPECT_FALSE(HasChinese(text)) << text.toStdString();
}

}  // namespace
}  // namespace zentrova::ui

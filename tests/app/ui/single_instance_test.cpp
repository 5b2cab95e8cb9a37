// One window per user: a second start hands its files to the window that is
// open, in-process through the real window and with two real "zentrova"
// processes on the offscreen platform.
#include "app/ui/single_instance.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPlainTextEdit>
#include <QTest>
#include <atomic>
#include <optional>
#include <thread>

#include "wait_until.h"
#include "window_fixture.h"

namespace zentrova::ui {
namespace {

using test::ModalWatcher;
using test::WaitUntil;

/// A socket name no other test and no real window uses.
QString TestInstanceName(const char* test) {
  return SingleInstanceName() +
         QStringLiteral("-test-%1-%2").arg(QLatin1String(test)).arg(QCoreApplication::applicationPid());
}

/// Runs HandOver on its own thread while the GUI thread serves the window.
std::optional<int> HandOverWhileServing(const QString& name, const QStringList& files) {
  std::optional<int> taken;  // read after join
  std::atomic<bool> done{false};
  std::thread client([&] {
    taken = HandOver(name, files);
    done = true;
  });
  WaitUntil([&] { return done.load(); }, 30000);
  client.join();
  return taken;
}

TEST(SingleInstance, NobodyListeningTakesNothing) {
  EXPECT_EQ(HandOver(TestInstanceName("nobody"), {QStringLiteral("/tmp/x.mp4")}, 500), std::nullopt);
}

TEST(SingleInstance, TheOpenWindowAddsTheFilesOfASecondStart) {
  WindowFixture f;
  Media media;
  ModalWatcher watcher;
  DialogAnswer answer(watcher, f.w());
  TSingleInstance instance(TestInstanceName("window"));
  ASSERT_TRUE(instance.Listen());
  instance.SetOnFiles([&f](const QStringList& files) { f.w().OpenFiles(files); });

  const QStringList files{QString::fromStdString(media.wav), QString::fromStdString(media.clip)};
  EXPECT_EQ(HandOverWhileServing(TestInstanceName("window"), files), 2);
  ASSERT_TRUE(WaitUntil([&] { return f.w().List().Count() == 2; }, 20000));
  EXPECT_EQ(f.w().List().Text(0, 0), QStringLiteral("tone.wav"));
  EXPECT_EQ(answer.shown, 1);

  // During a run the files are not added, and the log says so.
  f.w().btnStartClick();
  EXPECT_EQ(HandOverWhileServing(TestInstanceName("window"), {QString::fromStdString(media.wav)}), 1);
  ASSERT_TRUE(
      WaitUntil([&] { return f.w().LogPane()->toPlainText().contains(QStringLiteral("tone.wav")); }, 5000));
  EXPECT_EQ(f.w().List().Count(), 2);
}

TEST(SingleInstance, FilesHandedOverWhileTheDialogIsOpenFollowThatBatch) {
  WindowFixture f;
  Media media;
  const QString name = TestInstanceName("batch");
  TSingleInstance instance(name);
  ASSERT_TRUE(instance.Listen());
  instance.SetOnFiles([&f](const QStringList& files) { f.w().OpenFiles(files); });
  ModalWatcher watcher;
  int shown = 0;
  watcher.SetAnswer([&](QWidget* modal) {
    if (modal != &f.w().OptionDialog()) return;
    if (++shown == 1) {
      // A second start while the first batch's dialog is open.
      EXPECT_EQ(HandOverWhileServing(name, {QString::fromStdString(media.clip)}), 1);
      QTest::qWait(50);
    }
    f.w().OptionDialog().accept();
  });
  f.w().OpenFiles({QString::fromStdString(media.wav)});
  ASSERT_TRUE(WaitUntil([&] { return f.w().List().Count() == 2; }, 20000));
  EXPECT_EQ(shown, 2);
  EXPECT_EQ(f.w().List().Text(0, 0), QStringLiteral("tone.wav"));
  EXPECT_EQ(f.w().List().Text(1, 0), QStringLiteral("第一 clip.mp4"));
}

TEST(SingleInstance, ASocketLeftByACrashedWindowIsTakenOver) {
  const QString name = TestInstanceName("stale");
  QFile stale(QDir(QDir::tempPath()).filePath(name));
  ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
  stale.close();
  TSingleInstance instance(name);
  EXPECT_TRUE(instance.Listen());
  int handed = -1;
  instance.SetOnFiles([&](const QStringList& files) { handed = static_cast<int>(files.size()); });
  EXPECT_EQ(HandOverWhileServing(name, {}), 0);
  EXPECT_EQ(handed, 0);
}

/// "zentrova" on the offscreen platform, with its own temporary and settings folders.
struct AppProcess : QProcess {
  AppProcess(const test::TempDir& home, const QStringList& arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("TMPDIR"), QString::fromStdString(home.Path().string()));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(home.File("config")));
    setProcessEnvironment(environment);
    start(QStringLiteral(ZENTROVA_APP_PROGRAM), arguments);
  }
  ~AppProcess() override {
    if (state() != NotRunning) {
      kill();
      waitForFinished(10000);
    }
  }
};

TEST(SingleInstance, ASecondZentrovaHandsItsFilesToTheFirstAndEnds) {
  test::TempDir home;
  Media media;
  AppProcess first(home, {});
  ASSERT_TRUE(first.waitForStarted(10000));
  const QString socket = QString::fromStdString(home.File(SingleInstanceName().toStdString()));
  ASSERT_TRUE(
      WaitUntil([&] { return QFile::exists(socket) || first.state() == QProcess::NotRunning; }, 60000));
  ASSERT_EQ(first.state(), QProcess::Running) << first.readAllStandardError().toStdString();

  for (const QStringList& arguments : {QStringList{QString::fromStdString(media.wav)}, QStringList{}}) {
    AppProcess second(home, arguments);
    ASSERT_TRUE(second.waitForFinished(60000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromUtf8(second.readAllStandardOutput()).trimmed(),
              QStringLiteral("zentrova: %1 file(s) handed to the open window").arg(arguments.size()));
    EXPECT_EQ(first.state(), QProcess::Running);
  }
}

}  // namespace
}  // namespace zentrova::ui

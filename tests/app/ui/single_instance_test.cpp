// One window per user: a second start hands its files to the window that is
// open, in-process through the real window and with two real "zentrova"
// processes on the offscreen platform.
#include "app/ui/single_instance.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
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

TEST(SingleInstance, AWindowThatListensAlreadyKeepsItsSocket) {
  const QString name = TestInstanceName("taken");
  TSingleInstance first(name);
  ASSERT_TRUE(first.Listen());
  TSingleInstance second(name);
  EXPECT_FALSE(second.Listen());
  int handed = -1;
  first.SetOnFiles([&](const QStringList& files) { handed = static_cast<int>(files.size()); });
  EXPECT_EQ(HandOverWhileServing(name, {QStringLiteral("/a.mp4"), QStringLiteral("/b.mp4")}), 2);
  EXPECT_EQ(handed, 2);
}

TEST(SingleInstance, AListenerThatDoesNotAnswerIsToldApart) {
  const QString name = TestInstanceName("silent");
  QLocalServer silent;
  ASSERT_TRUE(silent.listen(name));
  EXPECT_EQ(HandOver(name, {QStringLiteral("/a.mp4")}, 300), -1);
}

TEST(SingleInstance, WhatIsNoHandOverIsDroppedAndTheWindowGoesOn) {
  const QString name = TestInstanceName("garbage");
  TSingleInstance instance(name);
  ASSERT_TRUE(instance.Listen());
  int calls = 0;
  instance.SetOnFiles([&](const QStringList&) { ++calls; });
  for (const QByteArray& garbage : {QByteArray("not a count\n"), QByteArray("-3\n"), QByteArray(64, 'x'),
                                    QByteArray("4294967296000\n") + QByteArray(100, '\0')}) {
    std::atomic<bool> closed{false}, done{false};
    std::thread client([&] {
      QLocalSocket socket;
      socket.connectToServer(name);
      if (socket.waitForConnected(5000)) {
        socket.write(garbage);
        socket.waitForBytesWritten(5000);
        // Dropped: no answer, the connection ends.
        closed = !socket.waitForReadyRead(5000) && socket.state() == QLocalSocket::UnconnectedState;
      }
      done = true;
    });
    WaitUntil([&] { return done.load(); }, 10000);
    client.join();
    EXPECT_TRUE(closed.load()) << garbage.left(20).toStdString();
  }
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(HandOverWhileServing(name, {QStringLiteral("/tmp/名字 with blanks.mp4")}), 1);
  EXPECT_EQ(calls, 1);
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
  test::LoadMediaLibraries();  // for the generator
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

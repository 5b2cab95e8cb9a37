// zentrova-screenshot-tour: runs the application's windows as a new user
// would meet them — start-up, adding generated files (the options dialog
// appears), converting them — and saves a picture of the screen at each
// step, so that anyone can look at what a user sees: the empty window, the
// options dialog, the list with its status line, progress bars mid-run,
// the close question, the stop feedback and a finished batch with every
// outcome (converted, incomplete, stopped, failed). Meant for a real X
// server (scripts/screenshots.sh runs it under Xvfb with a CJK font).
//
// Usage: zentrova-screenshot-tour OUTPUT_FOLDER [--dialog-only]
// The windows speak the desktop's language (LANGUAGE, LC_ALL). With
// --dialog-only the tour ends after the options dialog's picture.
// Prints the main window's caption and the saved files; exit code 0 when
// every step completed and the batch ended with all four outcomes.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QPixmap>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <clocale>
#include <cstdio>
#include <exception>
#include <functional>
#include <memory>
#include <set>
#include <string_view>
#include <utility>

#include "app/ui/app_paths.h"
#include "app/ui/app_translations.h"
#include "app/ui/converter_window.h"
#include "app/ui/encoder_backend.h"
#include "app/ui/option_dialog.h"
#include "log/main_thread.h"
#include "media/test_media.h"
#include "qt/main_thread_hook.h"

namespace {

using zentrova::ui::TfrmConverter;

QDir output;

void Save(const QString& name, QWidget* window) {
  QScreen* screen = QGuiApplication::primaryScreen();
  const QString path = output.filePath(name + ".png");
  screen->grabWindow(0).save(path);
  std::printf("saved %s\n", qPrintable(path));
  if (window) {
    const QString own = output.filePath(name + "-window.png");
    window->grab().save(own);
    std::printf("saved %s\n", qPrintable(own));
  }
}

/// Lets the event loop run for `ms` milliseconds (the tour is a script, not
/// a slot: waiting here is what a user's pause is).
void Wait(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

/// Runs the event loop until `done` holds or `timeout_ms` passed.
bool WaitFor(const std::function<bool()>& done, int timeout_ms) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeout_ms) return false;
    Wait(100);
  }
  return true;
}

bool RowEnded(const TfrmConverter& window, int row) {
  return window.List().Row(row).Outcome != zentrova::ui::TRowOutcome::Waiting;
}

int Tour(const QString& folder, bool dialog_only) {
  output = QDir(folder);
  output.mkpath(QStringLiteral("media"));
  const QDir media(output.filePath(QStringLiteral("media")));

  TfrmConverter window(std::make_unique<zentrova::ui::TEncoderBackend>(), zentrova::ui::DefaultWebPages());
  if (!window.LoadLibraries(zentrova::ui::LibraryFolder())) return 1;
  window.resize(1280, 800);
  window.show();
  Wait(800);
  std::printf("caption: %s\n", qPrintable(window.windowTitle()));
  Save(QStringLiteral("1-start"), &window);

  // A batch with every outcome: a clip that converts, a Matroska file cut
  // in half (incomplete), a long clip that is stopped, and a clip whose
  // output folder is gone when the run starts (failed).
  const QString clip = media.filePath(QStringLiteral("旅行 clip.mp4"));
  const QString whole = media.filePath(QStringLiteral("whole.mkv"));
  const QString cut = media.filePath(QStringLiteral("cut in half.mkv"));
  const QString long_clip = media.filePath(QStringLiteral("long concert.mp4"));
  const QString lost = media.filePath(QStringLiteral("lost folder.mp4"));
  zentrova::test::MakeClip(clip.toStdString(), zentrova::test::Mp4H264Aac(3.0));
  zentrova::test::MakeClip(whole.toStdString(), zentrova::test::MatroskaWithSubtitles(8.0));
  zentrova::test::MakeTruncatedCopy(whole.toStdString(), cut.toStdString(), 0.5);
  zentrova::test::MakeClip(long_clip.toStdString(), zentrova::test::Mp4H264Aac(120.0));
  zentrova::test::MakeClip(lost.toStdString(), zentrova::test::Mp4H264Aac(2.0));
  const QString gone = output.filePath(QStringLiteral("gone"));
  QDir().mkpath(gone);

  // The options dialog opens for each batch: photograph the first, then OK.
  // The close question is photographed and answered No; other boxes (a
  // task's error) are photographed and closed.
  bool dialog_seen = false;
  bool question_seen = false;
  int messages = 0;
  QTimer answer;
  answer.setInterval(300);
  QWidget* shown_modal = nullptr;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    // A window is photographed one tick after it appeared: it has been drawn by then.
    if (!modal || modal != std::exchange(shown_modal, modal)) return;
    shown_modal = nullptr;
    if (modal == &window.OptionDialog()) {
      if (!dialog_seen) Save(QStringLiteral("2-options-dialog"), modal);
      dialog_seen = true;
      window.OptionDialog().accept();
    } else if (auto* box = qobject_cast<QMessageBox*>(modal); box && box->button(QMessageBox::No)) {
      question_seen = true;
      Save(QStringLiteral("5-close-question"), modal);
      box->button(QMessageBox::No)->click();
    } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      Save(QStringLiteral("message-%1").arg(++messages), modal);
      dialog->accept();
    }
  });
  answer.start();
  if (dialog_only) {
    window.AddFiles({clip});
    while (window.Adding()) Wait(20);
    window.close();
    return dialog_seen ? 0 : 2;
  }
  window.AddFiles({clip, cut, long_clip});
  while (window.Adding()) Wait(20);
  window.OptionDialog().SetFolderChooser(
      [&](QWidget*, const QString&, const QString&) { return gone + '/'; });
  window.OptionDialog().btnOutPathClick();
  window.AddFiles({lost});
  while (window.Adding()) Wait(20);
  QDir(gone).removeRecursively();
  Wait(500);
  Save(QStringLiteral("3-files-added"), &window);

  window.btnStartClick();
  Wait(2500);
  Save(QStringLiteral("4-converting"), &window);
  window.close();  // answered No: the batch goes on
  Wait(500);

  // Everything but the long clip ends; then Stop, photographed at once.
  WaitFor([&] { return RowEnded(window, 0) && RowEnded(window, 1) && RowEnded(window, 3); }, 120000);
  window.btnStopClick();
  Wait(100);  // drawn on the screen, well before the tasks have finalised
  Save(QStringLiteral("6-stopping"), &window);
  WaitFor([&] { return window.State() == zentrova::ui::TConverterState::Ended; }, 120000);
  Wait(500);
  Save(QStringLiteral("7-finished"), &window);
  answer.stop();

  std::set<zentrova::ui::TRowOutcome> outcomes;
  for (int row = 0; row < window.List().Count(); ++row) {
    std::printf("row %d: %s -> %s %s | %s\n", row, qPrintable(window.List().Text(row, 0)),
                qPrintable(window.List().Text(row, 3)), qPrintable(window.List().Text(row, 4)),
                qPrintable(window.List().Row(row).Note));
    outcomes.insert(window.List().Row(row).Outcome);
  }
  std::printf("status: %s\n", qPrintable(window.StatusLine()->text()));
  const bool ended = window.State() == zentrova::ui::TConverterState::Ended;
  window.close();
  return dialog_seen && question_seen && ended && outcomes.size() == 4 ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  zentrova::AttachMainThread();
  const zentrova::TQtMainThreadHook wake_hook;
  // The window's remembered size stays out of the user's settings: every
  // tour starts from the first-start size.
  const QTemporaryDir settings_folder;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_folder.path());
  const zentrova::ui::TAppTranslations translations(QLocale::system());
  const bool dialog_only = argc == 3 && std::string_view(argv[2]) == "--dialog-only";
  if (argc != 2 && !dialog_only) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER [--dialog-only]\n", argv[0]);
    return 2;
  }
  try {
    return Tour(QString::fromLocal8Bit(argv[1]), dialog_only);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "zentrova-screenshot-tour: %s\n", error.what());
    return 1;
  }
}

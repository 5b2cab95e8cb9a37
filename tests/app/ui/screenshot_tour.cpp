// zentrova-screenshot-tour: runs the application's windows as a new user
// would meet them — start-up, adding generated files (the options dialog
// appears), converting them — and saves a picture of the screen at each
// step, so that anyone can look at what a user sees. Meant for a real X
// server (scripts/screenshots.sh runs it under Xvfb with a CJK font).
//
// Usage: zentrova-screenshot-tour OUTPUT_FOLDER [--dialog-only]
// The windows speak the desktop's language (LANGUAGE, LC_ALL). With
// --dialog-only the tour ends after the options dialog's picture.
// Prints the main window's caption and the saved files; exit code 0 when
// every step completed and the conversions finished.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <clocale>
#include <cstdio>
#include <exception>
#include <memory>
#include <string_view>

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

int Tour(const QString& folder, bool dialog_only) {
  output = QDir(folder);
  output.mkpath(QStringLiteral("media"));
  const QDir media(output.filePath(QStringLiteral("media")));

  TfrmConverter window(std::make_unique<zentrova::ui::TEncoderBackend>(), zentrova::ui::DefaultWebPages());
  if (!window.LoadLibraries(zentrova::ui::LibraryFolder())) return 1;
  window.resize(1000, 700);
  window.show();
  Wait(800);
  std::printf("caption: %s\n", qPrintable(window.windowTitle()));
  Save(QStringLiteral("1-start"), &window);

  const QString clip = media.filePath(QStringLiteral("旅行 clip.mp4"));
  const QString second = media.filePath(QStringLiteral("second.mkv"));
  const QString tone = media.filePath(QStringLiteral("tone.wav"));
  zentrova::test::MakeClip(clip.toStdString(), zentrova::test::Mp4H264Aac(6.0));
  zentrova::test::MakeClip(second.toStdString(), zentrova::test::MatroskaWithSubtitles(4.0));
  zentrova::test::MakeClip(tone.toStdString(), zentrova::test::WavS16(3.0));

  // The options dialog opens for the first file: photograph it, then OK.
  bool dialog_seen = false;
  QTimer answer;
  answer.setInterval(300);
  QObject::connect(&answer, &QTimer::timeout, [&] {
    // Other boxes (a source without bit rate tells so) are answered too.
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    if (modal == &window.OptionDialog()) {
      if (dialog_seen) return;
      dialog_seen = true;
      Save(QStringLiteral("2-options-dialog"), modal);
      window.OptionDialog().accept();
    } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      Save(QStringLiteral("2-message"), modal);
      dialog->accept();
    }
  });
  answer.start();
  if (dialog_only) {
    window.AddFiles({clip});
    window.close();
    return dialog_seen ? 0 : 2;
  }
  window.AddFiles({clip, second, tone});
  Wait(500);
  Save(QStringLiteral("3-files-added"), &window);

  window.btnStartClick();
  Wait(1500);
  Save(QStringLiteral("4-converting"), &window);
  QElapsedTimer timer;
  timer.start();
  while (window.State() != zentrova::ui::TConverterState::Ended && timer.elapsed() < 120000) Wait(200);
  Wait(300);
  Save(QStringLiteral("5-converted"), &window);
  answer.stop();

  bool all_done = window.State() == zentrova::ui::TConverterState::Ended;
  for (int row = 0; row < window.List().Count(); ++row) {
    std::printf("row %d: %s -> %s %s\n", row, qPrintable(window.List().Text(row, 0)),
                qPrintable(window.List().Text(row, 3)), qPrintable(window.List().Text(row, 4)));
    all_done = all_done && window.List().Text(row, 4) == QStringLiteral("100%");
  }
  window.close();
  return dialog_seen && all_done && window.List().Count() == 3 ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  zentrova::AttachMainThread();
  const zentrova::TQtMainThreadHook wake_hook;
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

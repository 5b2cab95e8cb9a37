// zentrova-bench-app-adding CLIP [--files N] [--tick-ms T]
//
// Builds the real main window over the real encoder (offscreen unless a
// platform is chosen), adds N (default 1000) hard links to CLIP as one batch,
// accepts the options dialog as soon as it shows, and measures on the GUI
// thread: the longest gap between ticks of a T ms (default 5) timer, less T,
// is the longest stall; the time from AddFiles to the last row is the total.
// Uses only what the window offered before adding went off the GUI thread
// (AddFiles, the list's row count), so it measures either way of adding.
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/ui/conversion_list.h"
#include "app/ui/converter_window.h"
#include "app/ui/encoder_backend.h"
#include "app/ui/option_dialog.h"
#include "log/main_thread.h"
#include "qt/main_thread_hook.h"

namespace {

struct TArguments {
  QString Clip;
  int Files = 1000;
  int TickMs = 5;
};

bool ReadArguments(const QStringList& words, TArguments& arguments) {
  for (int i = 1; i < words.size(); ++i) {
    bool number = true;
    if (words[i] == QLatin1String("--files") && i + 1 < words.size())
      arguments.Files = words[++i].toInt(&number);
    else if (words[i] == QLatin1String("--tick-ms") && i + 1 < words.size())
      arguments.TickMs = words[++i].toInt(&number);
    else if (arguments.Clip.isEmpty() && !words[i].startsWith(QLatin1Char('-')))
      arguments.Clip = words[i];
    else
      return false;
    if (!number) return false;
  }
  return !arguments.Clip.isEmpty() && arguments.Files > 0 && arguments.TickMs > 0;
}

/// N hard links to `clip` in `folder`, in the order they are added.
QStringList LinksTo(const QString& clip, const QString& folder, int count) {
  QStringList links;
  for (int i = 0; i < count; ++i) {
    const QString link = QStringLiteral("%1/copy%2.mp4").arg(folder).arg(i, 4, 10, QLatin1Char('0'));
    std::filesystem::create_hard_link(clip.toStdString(), link.toStdString());
    links << link;
  }
  return links;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  TArguments arguments;
  if (!ReadArguments(QApplication::arguments(), arguments)) {
    std::fprintf(stderr, "usage: zentrova-bench-app-adding CLIP [--files N] [--tick-ms T]\n");
    return 2;
  }
  QTemporaryDir folder;
  const QStringList files = LinksTo(arguments.Clip, folder.path(), arguments.Files);

  zentrova::AttachMainThread();
  const zentrova::TQtMainThreadHook wake_hook;
  zentrova::ui::TfrmConverter window(std::make_unique<zentrova::ui::TEncoderBackend>(),
                                     zentrova::ui::TWebPages{});
  if (!window.LoadLibraries("")) return 1;
  window.show();

  // The dialog is accepted as soon as it shows; any other modal window is closed.
  QElapsedTimer clock;
  std::int64_t dialog_ms = -1;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == &window.OptionDialog()) {
      if (dialog_ms < 0) dialog_ms = clock.elapsed();
      window.OptionDialog().accept();
    } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      std::fprintf(stderr, "closed an unexpected window: %s\n", qPrintable(dialog->windowTitle()));
      dialog->reject();
    }
  });
  answer.start(1);

  std::int64_t last_tick_ms = -1;
  std::int64_t longest_gap_ms = 0;
  std::int64_t total_ms = -1;
  int ticks = 0;
  struct TGap {
    std::int64_t Ms;
    std::int64_t FromMs;
    int Rows;
  };
  std::vector<TGap> long_gaps;  // over 50 ms: when, and how many rows were there
  QTimer tick;
  tick.setTimerType(Qt::PreciseTimer);
  QObject::connect(&tick, &QTimer::timeout, [&] {
    const std::int64_t now = clock.elapsed();
    if (last_tick_ms >= 0) longest_gap_ms = std::max(longest_gap_ms, now - last_tick_ms);
    if (last_tick_ms >= 0 && now - last_tick_ms > 50)
      long_gaps.push_back({now - last_tick_ms, last_tick_ms, window.List().Count()});
    last_tick_ms = now;
    ++ticks;
    if (window.List().Count() >= arguments.Files || now > 600000) {
      total_ms = now;
      QApplication::quit();
    }
  });
  QTimer::singleShot(0, [&] {
    clock.start();
    tick.start(arguments.TickMs);
    window.AddFiles(files);
  });
  QApplication::exec();
  window.close();

  std::printf("files %d, rows %d\n", arguments.Files, window.List().Count());
  std::printf("total until the last row: %lld ms (%.2f ms a file)\n", static_cast<long long>(total_ms),
              static_cast<double>(total_ms) / arguments.Files);
  std::printf("longest GUI-thread stall: %lld ms (longest gap between %d ms ticks, less %d; %d ticks)\n",
              static_cast<long long>(longest_gap_ms - arguments.TickMs), arguments.TickMs, arguments.TickMs,
              ticks);
  std::printf("options dialog shown after: %lld ms\n", static_cast<long long>(dialog_ms));
  for (const TGap& gap : long_gaps)
    std::printf("  gap of %lld ms from %lld ms, at %d rows\n", static_cast<long long>(gap.Ms),
                static_cast<long long>(gap.FromMs), gap.Rows);
  return window.List().Count() == arguments.Files ? 0 : 1;
}

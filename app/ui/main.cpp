// The desktop application "zentrova [FILE…]": the conversion window over the
// encoder component, in the desktop's language, with the user's remembered
// settings. The files named on the command line are added on start; when
// the user's window is already open they are handed to it instead and this
// start ends.
#include <QApplication>
#include <QFileInfo>
#include <QSettings>
#include <QTextStream>
#include <clocale>
#include <memory>

#include "app/ui/app_paths.h"
#include "app/ui/app_settings.h"
#include "app/ui/app_translations.h"
#include "app/ui/converter_window.h"
#include "app/ui/encoder_backend.h"
#include "app/ui/single_instance.h"
#include "log/main_thread.h"
#include "qt/main_thread_hook.h"

namespace {

/// The command line's file names (Qt has taken its own options), absolute.
QStringList FilesOf(const QStringList& arguments) {
  QStringList files;
  for (const QString& argument : arguments.mid(1)) files << QFileInfo(argument).absoluteFilePath();
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Zentrova"));
  QApplication::setApplicationName(QStringLiteral("Zentrova"));
  // Qt takes the user's locale; option strings and filter arguments are
  // written and read with '.' as the decimal point.
  std::setlocale(LC_NUMERIC, "C");
  const zentrova::ui::TAppTranslations translations(QLocale::system());

  const QStringList files = FilesOf(QApplication::arguments());
  const QString instance_name = zentrova::ui::SingleInstanceName();
  if (const std::optional<int> taken = zentrova::ui::HandOver(instance_name, files)) {
    if (*taken < 0) {
      QTextStream(stderr) << QStringLiteral("zentrova: the open window does not answer\n");
      return 1;
    }
    QTextStream(stdout) << QStringLiteral("zentrova: %1 file(s) handed to the open window\n").arg(*taken);
    return 0;
  }
  // No window yet: this one listens (alone when the socket cannot be made).
  zentrova::ui::TSingleInstance instance(instance_name);
  instance.Listen();

  zentrova::AttachMainThread();
  const zentrova::TQtMainThreadHook wake_hook;
  zentrova::ui::TfrmConverter window(std::make_unique<zentrova::ui::TEncoderBackend>(),
                                     zentrova::ui::DefaultWebPages());
  QSettings settings;
  zentrova::ui::RestoreSettings(settings, window);
  if (!window.LoadLibraries(zentrova::ui::LibraryFolder())) return 1;
  instance.SetOnFiles([&window](const QStringList& handed) {
    window.showNormal();
    window.raise();
    window.activateWindow();
    window.OpenFiles(handed);
  });
  window.show();
  window.OpenFiles(files);
  const int status = application.exec();
  zentrova::ui::SaveSettings(settings, window);
  return status;
}

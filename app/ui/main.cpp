// The desktop application "zentrova": the conversion window over the
// encoder component, in the desktop's language.
#include <QApplication>
#include <clocale>
#include <memory>

#include "app/ui/app_paths.h"
#include "app/ui/app_translations.h"
#include "app/ui/converter_window.h"
#include "app/ui/encoder_backend.h"
#include "log/main_thread.h"
#include "qt/main_thread_hook.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // Qt takes the user's locale; option strings and filter arguments are
  // written and read with '.' as the decimal point.
  std::setlocale(LC_NUMERIC, "C");
  const zentrova::ui::TAppTranslations translations(QLocale::system());
  zentrova::AttachMainThread();
  const zentrova::TQtMainThreadHook wake_hook;

  zentrova::ui::TfrmConverter window(std::make_unique<zentrova::ui::TEncoderBackend>(),
                                     zentrova::ui::DefaultWebPages());
  if (!window.LoadLibraries(zentrova::ui::LibraryFolder())) return 1;
  window.show();
  return application.exec();
}

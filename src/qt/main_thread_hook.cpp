#include "qt/main_thread_hook.h"

#include <QCoreApplication>
#include <QMetaObject>

#include "log/main_thread.h"

namespace zentrova {

TQtMainThreadHook::TQtMainThreadHook() {
  SetWakeHook([] {
    // Queued to the application object: runs on the main thread from its
    // event loop, whichever thread queued the call.
    if (QCoreApplication* app = QCoreApplication::instance())
      QMetaObject::invokeMethod(
          app, [] { CheckSynchronize(0); }, Qt::QueuedConnection);
  });
}

TQtMainThreadHook::~TQtMainThreadHook() {
  SetWakeHook(nullptr);
}

}  // namespace zentrova

// Serves the core's main-thread queue from the Qt event loop.
//
// Worker threads hand calls to the main thread (`CallInMainThread`,
// `PostToMainThread`, see log/main_thread.h). While this hook is installed,
// each queued call posts a `CheckSynchronize` to the application's event
// loop, so a GUI application runs them without polling.
//
// Threads: create and destroy on the main thread (the thread that runs the
// QApplication) while the application object exists; the hook itself is
// called on whatever thread queues a call.
#pragma once

namespace zentrova {

class TQtMainThreadHook {
 public:
  /// Installs the wake hook (replacing any other).
  TQtMainThreadHook();
  /// Removes it; calls still queued wait for the next CheckSynchronize.
  ~TQtMainThreadHook();
  TQtMainThreadHook(const TQtMainThreadHook&) = delete;
  TQtMainThreadHook& operator=(const TQtMainThreadHook&) = delete;
};

}  // namespace zentrova

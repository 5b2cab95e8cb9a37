#include "qt_test_app.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <cstdlib>

namespace zentrova::test {

QApplication& TestApp() {
  static int argc = 1;
  static char name[] = "qt_glue_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return new QApplication(argc, argv);  // lives until the process ends
  }();
  return *app;
}

bool ProcessEventsUntil(const std::function<bool()>& done, int timeout_ms) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < timeout_ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

}  // namespace zentrova::test

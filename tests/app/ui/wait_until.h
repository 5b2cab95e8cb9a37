// Waits for a condition while the GUI thread's event loop runs (queued
// calls, timers, the main-thread hand-off of the core).
#pragma once

#include <QElapsedTimer>
#include <QTest>
#include <functional>

namespace zentrova::test {

/// True as soon as `condition()` holds; false after `timeout_ms`.
inline bool WaitUntil(const std::function<bool()>& condition, int timeout_ms) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > timeout_ms) return false;
    QTest::qWait(20);
  }
  return true;
}

}  // namespace zentrova::test

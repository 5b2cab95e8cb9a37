// One QApplication for the Qt glue tests, made on the main thread on first use.
#pragma once

#include <QApplication>
#include <functional>

namespace zentrova::test {

/// The test program's application object (offscreen unless QT_QPA_PLATFORM says otherwise).
QApplication& TestApp();

/// Runs the Qt event loop until `done` or `timeout_ms`; gives done().
bool ProcessEventsUntil(const std::function<bool()>& done, int timeout_ms);

}  // namespace zentrova::test

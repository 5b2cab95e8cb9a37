// Adding files to the main window as a user waits for it: the batch is
// probed off the GUI thread, so the test runs the event loop until it ends.
#pragma once

#include <gtest/gtest.h>

#include <QStringList>

#include "app/ui/converter_window.h"
#include "wait_until.h"

namespace zentrova::ui {

/// Adds the files and waits until the whole batch has been added (the
/// test's watcher answers the dialog and the message boxes meanwhile).
inline void AddAndWait(TfrmConverter& window, const QStringList& files) {
  window.AddFiles(files);
  EXPECT_TRUE(test::WaitUntil([&window] { return !window.Adding(); }, 60000)) << "the batch never ended";
}

}  // namespace zentrova::ui

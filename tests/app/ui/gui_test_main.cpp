// The GUI tests' main: one QApplication for every test of the program.
// Qt's offscreen platform is used unless the caller chose another (the
// screenshot script runs the windows on a real X server).
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <clocale>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  testing::InitGoogleTest(&argc, argv);
  QApplication application(argc, argv);
  // Settings (the window's remembered size) go to a folder of this process:
  // not the user's, and not shared with tests running in parallel.
  const QTemporaryDir settings_folder;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_folder.path());
  std::setlocale(LC_NUMERIC, "C");
  return RUN_ALL_TESTS();
}

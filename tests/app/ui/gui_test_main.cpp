// The GUI tests' main: one QApplication for every test of the program.
// Qt's offscreen platform is used unless the caller chose another (the
// screenshot script runs the windows on a real X server).
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <clocale>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  testing::InitGoogleTest(&argc, argv);
  QApplication application(argc, argv);
  // The window's remembered size goes to a test folder, not the user's settings.
  QStandardPaths::setTestModeEnabled(true);
  QSettings(QStringLiteral("Zentrova"), QStringLiteral("Zentrova")).clear();
  std::setlocale(LC_NUMERIC, "C");
  return RUN_ALL_TESTS();
}

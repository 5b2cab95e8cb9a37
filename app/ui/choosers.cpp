#include "app/ui/choosers.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace zentrova::ui {
QString browse_for_folder(QWidget* parent, const QString& title, const QString& initial) {
  const QString start = !initial.isEmpty() && QFileInfo(initial).isDir() ? initial : QString();
  const QString chosen = QFileDialog::getExistingDirectory(
      parent, title, start, QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  if (chosen.isEmpty()) return {};
  return chosen.endsWith('/') ? chosen : chosen + '/';
}

QString ChooseOpenFile(QWidget* parent, const QString& filter, const QString& initial) {
  return QFileDialog::getOpenFileName(parent, QString(), initial, filter, nullptr,
                                      QFileDialog::DontUseNativeDialog);
}

}  // namespace zentrova::ui

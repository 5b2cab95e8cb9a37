#include "app/ui/message_box.h"

namespace zentrova::ui {

void ShowMessage(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
  QMessageBox box(icon, QString::fromUtf8(kApplicationTitle), text, QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace zentrova::ui

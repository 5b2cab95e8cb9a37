#include "modal_watcher.h"

#include <QApplication>
#include <QDialog>
#include <QStringList>

namespace zentrova::test {

ModalWatcher::ModalWatcher(QWidget* ignore) : ignore_(ignore) {
  timer_.setInterval(20);
  QObject::connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
  timer_.start();
}

ModalWatcher::~ModalWatcher() = default;

QStringList ModalWatcher::MessageTexts() const {
  QStringList texts;
  for (const TSeenModal& seen : seen_)
    if (seen.ClassName == QLatin1String("QMessageBox")) texts << seen.Text;
  return texts;
}

void ModalWatcher::Poll() {
  QWidget* modal = QApplication::activeModalWidget();
  if (!modal || modal == ignore_ || !modal->isVisible()) return;
  TSeenModal seen;
  seen.ClassName = QString::fromLatin1(modal->metaObject()->className());
  seen.Title = modal->windowTitle();
  if (auto* box = qobject_cast<QMessageBox*>(modal)) {
    seen.Text = box->text();
    seen.Icon = box->icon();
  }
  seen_.push_back(seen);
  if (answer_) {
    answer_(modal);
  } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
    dialog->reject();
  } else {
    modal->close();
  }
}

}  // namespace zentrova::test

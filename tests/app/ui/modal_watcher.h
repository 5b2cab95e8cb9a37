// Answers the modal windows a test provokes (message boxes, choosers,
// nested dialogs): a timer looks for the active modal window, records what
// it showed and closes it.
//
// GUI thread; the watcher lives on the test's stack and stops with it.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <vector>

class QWidget;

namespace zentrova::test {

/// What one modal window showed.
struct TSeenModal {
  QString ClassName;  ///< "QMessageBox", "QFileDialog", ...
  QString Title;
  QString Text;  ///< a message box's text
  QMessageBox::Icon Icon = QMessageBox::NoIcon;
};

class ModalWatcher : public QObject {
 public:
  /// Closes (rejects) every modal window but `ignore`, a window the test
  /// itself shows.
  explicit ModalWatcher(QWidget* ignore = nullptr);
  ~ModalWatcher() override;

  /// Called for each new modal window instead of closing it; it must close
  /// the window itself.
  void SetAnswer(std::function<void(QWidget*)> answer) { answer_ = std::move(answer); }
  const std::vector<TSeenModal>& Seen() const { return seen_; }
  /// Seen message boxes' texts, in order.
  QStringList MessageTexts() const;

 private:
  void Poll();

  QWidget* ignore_;
  QTimer timer_;
  std::function<void(QWidget*)> answer_;
  std::vector<TSeenModal> seen_;
};

}  // namespace zentrova::test

// Draws the conversion list's progress column as a progress bar with the
// cell's text on it (the percentage, "Stopping", "Stopped at 42%"...). A
// row without a bar value (not started, failed) shows its text only.
//
// GUI thread only.
#pragma once

#include <QStyledItemDelegate>

namespace zentrova::ui {

class TProgressDelegate : public QStyledItemDelegate {
 public:
  /// `percent_role`: the model's role holding the bar value (int 0..100,
  /// negative: no bar).
  TProgressDelegate(int percent_role, QObject* parent);

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  int percent_role_;
};

}  // namespace zentrova::ui

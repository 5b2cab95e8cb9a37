#include "app/ui/progress_delegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionProgressBar>

namespace zentrova::ui {

TProgressDelegate::TProgressDelegate(int percent_role, QObject* parent)
    : QStyledItemDelegate(parent), percent_role_(percent_role) {}

void TProgressDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
  const QVariant value = index.data(percent_role_);
  const int percent = value.isValid() ? value.toInt() : -1;
  if (percent < 0) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  // The selection stays visible behind the bar.
  if (option.state & QStyle::State_Selected) painter->fillRect(option.rect, option.palette.highlight());
  QStyleOptionProgressBar bar;
  bar.rect = option.rect.adjusted(2, 2, -2, -2);
  bar.minimum = 0;
  bar.maximum = 100;
  bar.progress = percent;
  bar.text = index.data(Qt::DisplayRole).toString();
  bar.textVisible = true;
  bar.textAlignment = Qt::AlignCenter;
  bar.state = option.state | QStyle::State_Horizontal;
  bar.palette = option.palette;
  bar.fontMetrics = option.fontMetrics;
  const QWidget* widget = option.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ProgressBar, &bar, painter, widget);
}

}  // namespace zentrova::ui

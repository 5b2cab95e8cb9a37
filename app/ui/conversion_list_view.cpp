#include "app/ui/conversion_list_view.h"

#include <QHeaderView>
#include <QPainter>

namespace zentrova::ui {

const char TConversionListView::kDropHint[] =
    QT_TRANSLATE_NOOP("TConversionListView", "可以拖放视频文件到本窗口");

TConversionListView::TConversionListView(QWidget* parent) : QTableView(parent) {
  setShowGrid(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  verticalHeader()->setVisible(false);
  setContextMenuPolicy(Qt::CustomContextMenu);
  // The selection stays as visible when the list has no focus.
  QPalette colours = palette();
  colours.setColor(QPalette::Inactive, QPalette::Highlight,
                   colours.color(QPalette::Active, QPalette::Highlight));
  colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   colours.color(QPalette::Active, QPalette::HighlightedText));
  setPalette(colours);
}

void TConversionListView::SetList(QAbstractItemModel* model, const int* widths, int count) {
  setModel(model);
  for (int i = 0; i < count; ++i) setColumnWidth(i, widths[i]);
}

void TConversionListView::HideDropHint() {
  if (!drop_hint_) return;
  drop_hint_ = false;
  viewport()->update();
}

void TConversionListView::paintEvent(QPaintEvent* event) {
  QTableView::paintEvent(event);
  if (!drop_hint_) return;
  QPainter painter(viewport());
  QFont font = painter.font();
  font.setBold(true);
  font.setPointSize(13);
  painter.setFont(font);
  painter.setPen(palette().color(QPalette::Link));
  const QFontMetrics metrics(font);
  // Centred across the list, its top at half the height.
  const QString hint = tr(kDropHint);
  const int x = (viewport()->width() - metrics.horizontalAdvance(hint)) / 2;
  const int y = viewport()->height() / 2;
  painter.drawText(x, y + metrics.ascent(), hint);
}

}  // namespace zentrova::ui

#include "app/ui/conversion_list_view.h"

#include <QHeaderView>
#include <QPainter>
#include <algorithm>

#include "app/ui/progress_delegate.h"

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

void TConversionListView::SetList(QAbstractItemModel* model, const int* widths, int count, int stretch_column,
                                  int progress_column, int percent_role) {
  setModel(model);
  QHeaderView* header = horizontalHeader();
  // No caption is cut off, whatever the language.
  for (int i = 0; i < count; ++i) setColumnWidth(i, std::max(widths[i], header->sectionSizeHint(i)));
  header->setSectionResizeMode(stretch_column, QHeaderView::Stretch);
  setItemDelegateForColumn(progress_column, new TProgressDelegate(percent_role, this));
}

void TConversionListView::ShowDropHint() {
  if (drop_hint_) return;
  drop_hint_ = true;
  viewport()->update();
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

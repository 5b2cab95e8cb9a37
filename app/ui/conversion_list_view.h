// The conversion list's view: an eight-column grid with whole-row single
// selection that stays visible without focus, and the drop hint
// "可以拖放视频文件到本窗口" painted on the empty list until the first row
// is added.
//
// GUI thread only.
#pragma once

#include <QCoreApplication>
#include <QTableView>

namespace zentrova::ui {

class TConversionListView : public QTableView {
  Q_DECLARE_TR_FUNCTIONS(TConversionListView)

 public:
  /// The hint's text (untranslated).
  static const char kDropHint[];

  explicit TConversionListView(QWidget* parent = nullptr);

  /// Takes the model and its column widths.
  void SetList(QAbstractItemModel* model, const int* widths, int count);
  bool DropHintShown() const { return drop_hint_; }
  /// The hint is not painted again.
  void HideDropHint();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool drop_hint_ = true;
};

}  // namespace zentrova::ui

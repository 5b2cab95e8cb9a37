// The conversion list's view: an eight-column grid with whole-row single
// selection that stays visible without focus, the progress column drawn as
// a bar, the output name column taking the width left over, and the drop
// hint "可以拖放视频文件到本窗口" painted whenever the list is empty.
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

  /// Takes the model and its column widths (each at least its caption's
  /// width); `stretch_column` takes the width left over, `progress_column`
  /// is drawn as a bar of the model's `percent_role`.
  void SetList(QAbstractItemModel* model, const int* widths, int count, int stretch_column,
               int progress_column, int percent_role);
  bool DropHintShown() const { return drop_hint_; }
  void HideDropHint();
  void ShowDropHint();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool drop_hint_ = true;
};

}  // namespace zentrova::ui

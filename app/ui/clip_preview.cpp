#include "app/ui/clip_preview.h"

#include <QCheckBox>
#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "app/ui/picture_fit.h"
#include "convert/clip_times.h"
#include "qt/bitmap_image.h"

namespace zentrova::ui {

/// The preview picture: a fixed-size canvas painted from an image, clicks
/// reported to the group.
class TPreviewArea : public QWidget {
 public:
  explicit TPreviewArea(QWidget* parent)
      : QWidget(parent),
        canvas_(TClipPreview::kPreviewWidth, TClipPreview::kPreviewHeight, QImage::Format_RGB32) {
    setFixedSize(canvas_.size());
    canvas_.fill(TClipPreview::kPreviewFill);
  }

  QImage& Canvas() { return canvas_; }
  std::function<void()> OnClick;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawImage(0, 0, canvas_);
  }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && OnClick) OnClick();
  }

 private:
  QImage canvas_;
};

namespace {

/// Round half to even into the int range.
int RoundToInt(double value) {
  const double rounded = std::nearbyint(value);
  if (!std::isfinite(rounded)) return 0;
  return static_cast<int>(std::clamp(rounded, static_cast<double>(std::numeric_limits<int>::min()),
                                     static_cast<double>(std::numeric_limits<int>::max())));
}

QString TimeText(std::int64_t t) {
  return QString::fromStdString(app::clip_time_text(t));
}

/// The picture at its own size; a click, Enter or Escape closes it.
class TActualSizeView : public QDialog {
 public:
  TActualSizeView(const QImage& picture, const QString& title, QWidget* parent)
      : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(title);
    auto* label = new QLabel(this);
    label->setPixmap(QPixmap::fromImage(picture));
    label->setGeometry(0, 0, picture.width(), picture.height());
    // Enter closes like Escape: a zero-size default button.
    auto* close = new QPushButton(this);
    close->setGeometry(0, 0, 0, 0);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    setFixedSize(picture.size());
  }

 protected:
  void mousePressEvent(QMouseEvent*) override { reject(); }
  void showEvent(QShowEvent* event) override {
    QDialog::showEvent(event);
    if (const QScreen* shown_on = screen()) move(shown_on->availableGeometry().center() - rect().center());
  }
};

}  // namespace

TClipPreview::TClipPreview(app::TSourceState& state, QWidget* parent)
    : QGroupBox(QStringLiteral("Cut a piece clip (seconds)"), parent), state_(state) {
  preview_ = new TPreviewArea(this);
  preview_->setToolTip(QStringLiteral("Click to view current picture in actual size"));
  preview_->OnClick = [this] { Image1Click(); };
  slider_ = new QSlider(Qt::Horizontal, this);
  slider_->setRange(0, 10);
  slider_->setTickPosition(QSlider::TicksBelow);
  time_label_ = new QLabel(this);
  start_edit_ = new QLineEdit(QStringLiteral("N/A"), this);
  start_edit_->setReadOnly(true);
  end_edit_ = new QLineEdit(QStringLiteral("N/A"), this);
  end_edit_->setReadOnly(true);
  set_start_ = new QPushButton(QStringLiteral("Set Start"), this);
  set_end_ = new QPushButton(QStringLiteral("Set End"), this);
  next_frame_ = new QPushButton(QStringLiteral("Next Frame"), this);
  cut_clip_ = new QCheckBox(QStringLiteral("Cut Clip"), this);
  cut_clip_->setEnabled(false);

  auto* layout = new QGridLayout(this);
  layout->addWidget(preview_, 0, 0, 1, 3);
  layout->addWidget(slider_, 1, 0, 1, 3);
  layout->addWidget(time_label_, 2, 0);
  layout->addWidget(next_frame_, 2, 2);
  layout->addWidget(set_start_, 3, 0);
  layout->addWidget(start_edit_, 3, 1, 1, 2);
  layout->addWidget(set_end_, 4, 0);
  layout->addWidget(end_edit_, 4, 1, 1, 2);
  layout->addWidget(cut_clip_, 5, 0, 1, 3);

  connect(slider_, &QSlider::valueChanged, this, [this](int position) { TrackBar1Change(position); });
  connect(next_frame_, &QPushButton::clicked, this, [this] { btnNextFrameClick(); });
  connect(set_start_, &QPushButton::clicked, this, [this] { btnStartTimeClick(); });
  connect(set_end_, &QPushButton::clicked, this, [this] { btnEndTimeClick(); });
  Reset(true);
}

QWidget* TClipPreview::PreviewArea() const {
  return preview_;
}

const QImage& TClipPreview::PreviewImage() const {
  return preview_->Canvas();
}

void TClipPreview::Reset(bool full) {
  FCurrentPTS = 0;
  ShowTime();
  FBitmap.SetSize(0, 0);
  preview_->Canvas().fill(kPreviewFill);
  preview_->update();
  slider_->setEnabled(false);
  slider_->setValue(0);
  SliderSetup();
  if (!full) return;
  selection_start_ = 0;
  selection_end_ = 0;
  cut_clip_->setEnabled(false);
  cut_clip_->setChecked(false);
  start_edit_->setText(QStringLiteral("N/A"));
  end_edit_->setText(QStringLiteral("N/A"));
}

void TClipPreview::SliderSetup() {
  const bool enabled = slider_->isEnabled();
  slider_->setEnabled(false);
  const int old_maximum = slider_->maximum();
  const double place = old_maximum > 0 ? static_cast<double>(slider_->value()) / old_maximum : 0;
  if (state_.Frames > 0) slider_->setMaximum(state_.Frames);
  const int maximum = slider_->maximum();
  slider_->setTickInterval(maximum <= 10 ? 1 : maximum / 10);
  slider_->setPageStep(maximum <= 9 ? 2 : maximum >= 100 ? maximum / 20 : 5);
  const int position = RoundToInt(place * maximum);
  slider_->setValue(position);
  FLastPosition = position;
  slider_->setEnabled(enabled);
}

void TClipPreview::SetSliderEnabled(bool enabled) {
  slider_->setEnabled(enabled);
}

bool TClipPreview::DecodeAndShow() {
  if (!source_ || !source_->DecodeNext()) return false;
  ShowCurrentPicture();
  return true;
}

void TClipPreview::ShowTime() {
  time_label_->setText(TimeText(FCurrentPTS));
}

void TClipPreview::ShowCurrentPicture() {
  FCurrentPTS = source_->CurrentPTS();
  app::NotePictureShown(state_, FCurrentPTS);
  ShowTime();
  if (!FChanging && state_.Duration > 0) {
    FChanging = true;
    const int maximum = slider_->maximum();
    slider_->setValue(
        std::min(maximum, RoundToInt(static_cast<double>(maximum) * static_cast<double>(FCurrentPTS) /
                                     static_cast<double>(state_.Duration))));
    FChanging = false;
  }
  if (!source_->CopyToBitmap(FBitmap)) return;
  const std::optional<QRect> target =
      FitPicture(FBitmap.Width(), FBitmap.Height(), kPreviewWidth, kPreviewHeight);
  if (!target) return;
  QImage& canvas = preview_->Canvas();
  canvas.fill(kPreviewFill);
  QPainter painter(&canvas);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(*target, BitmapImage(std::as_const(FBitmap)));
  painter.end();
  preview_->update();
}

std::int64_t TClipPreview::TargetTime(int position) const {
  const int maximum = slider_->maximum();
  if (maximum <= 0) return 0;
  return static_cast<std::int64_t>(
      std::nearbyint(static_cast<double>(position) / maximum * static_cast<double>(state_.Duration)));
}

void TClipPreview::TrackBar1Change(int position) {
  if (state_.VideoStreamIndex < 0) {
    FCurrentPTS = TargetTime(position);
    ShowTime();
    return;
  }
  if (FChanging || !slider_->isEnabled() || position == FLastPosition || !source_) return;
  FChanging = true;
  const std::int64_t target = TargetTime(position);
  if (position == FLastPosition + 1) {
    if (source_->DecodeNext()) ShowCurrentPicture();
  } else if (position == FLastPosition - 1) {
    if (source_->DecodePrevious()) ShowCurrentPicture();
  } else {
    JumpTo(target);
  }
  FLastPosition = position;
  FChanging = false;
}

void TClipPreview::JumpTo(std::int64_t target) {
  if (!source_->Seek(target, TPreviewSeek::Plain) && !source_->Seek(target, TPreviewSeek::Backward) &&
      !source_->Seek(target, TPreviewSeek::Any))
    return;
  while (source_->DecodeNext()) {
    if (target <= 0 || source_->CurrentPTS() >= target) {
      ShowCurrentPicture();
      return;
    }
  }
}

void TClipPreview::btnNextFrameClick() {
  DecodeAndShow();
}

void TClipPreview::btnStartTimeClick() {
  selection_start_ = slider_->value();
  start_edit_->setText(TimeText(FCurrentPTS));
  app::OutputSettings marks;
  app::SetClipStart(state_, marks, FCurrentPTS);
  cut_clip_->setEnabled(marks.CutClipEnabled);
}

void TClipPreview::btnEndTimeClick() {
  selection_end_ = slider_->value();
  end_edit_->setText(TimeText(FCurrentPTS));
  app::OutputSettings marks;
  app::SetClipEnd(state_, marks, FCurrentPTS);
  cut_clip_->setEnabled(marks.CutClipEnabled);
}

void TClipPreview::Image1Click() {
  if (FBitmap.Empty()) return;
  const QImage picture = BitmapImage(std::as_const(FBitmap)).copy();
  const QString title =
      QStringLiteral("%1x%2 @ %3").arg(FBitmap.Width()).arg(FBitmap.Height()).arg(TimeText(FCurrentPTS));
  TActualSizeView view(picture, title, window());
  view.exec();
}

}  // namespace zentrova::ui

#include "qt/previewer_form.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>
#include <utility>

#include "qt/bitmap_image.h"

namespace zentrova {

TPreviewerForm::TPreviewerForm(int width, int height, std::function<void()> on_user_close)
    : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint),
      on_user_close_(std::move(on_user_close)) {
  setFixedSize(width, height);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

TPreviewerForm::~TPreviewerForm() = default;

void TPreviewerForm::ShowFrame(const TBitmap& bitmap, const std::string& title) {
  // The engine reuses its bitmap once this returns: keep a copy.
  frame_ = BitmapImage(bitmap).copy();
  setWindowTitle(QString::fromStdString(title));
  if (!isVisible() && !centred_) {
    centred_ = true;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      QRect area = geometry();
      area.moveCenter(screen->availableGeometry().center());
      move(area.topLeft());
    }
    show();
  }
  update();
}

void TPreviewerForm::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (!frame_.isNull()) painter.drawImage(QPoint(0, 0), frame_);
}

void TPreviewerForm::closeEvent(QCloseEvent* event) {
  event->accept();
  if (on_user_close_) on_user_close_();
}

void TPreviewerForm::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && windowHandle()) {
    windowHandle()->startSystemMove();
    event->accept();
    return;
  }
  QWidget::mousePressEvent(event);
}

void InstallQtPreviewWindows() {
  SetPreviewSurfaceFactory([](int width, int height, std::function<void()> on_user_close) {
    return std::make_unique<TPreviewerForm>(width, height, std::move(on_user_close));
  });
}

}  // namespace zentrova

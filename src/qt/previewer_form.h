// TPreviewerForm: the engine's preview window in Qt.
//
// A small always-on-top tool window with only a close button, centred on
// the screen, whose drawing area has the size of the first frame. Each
// frame is copied and drawn at the origin (a frame of another size is not
// scaled and does not resize the window); the title shows the frame time.
// A left press anywhere moves the window, like a press on a title bar.
// Closing the window tells the engine's previewer, which then stops
// sending frames.
//
// Threads: the main (GUI) thread only: the core's `TPreviewer` makes,
// paints and frees its surfaces there.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>
#include <string>

#include "engine/run/preview_surface.h"

namespace zentrova {

class TPreviewerForm : public QWidget, public IPreviewSurface {
  Q_OBJECT

 public:
  /// A hidden window with a `width` × `height` drawing area; shown by the
  /// first `ShowFrame`. `on_user_close` is called when the user closes it.
  TPreviewerForm(int width, int height, std::function<void()> on_user_close);
  ~TPreviewerForm() override;

  void ShowFrame(const TBitmap& bitmap, const std::string& title) override;

  /// The frame last shown (a copy).
  const QImage& Frame() const { return frame_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QImage frame_;
  std::function<void()> on_user_close_;
  bool centred_ = false;
};

/// Makes the engine's preview use `TPreviewerForm` windows. Any thread; the
/// windows are made on the main thread.
void InstallQtPreviewWindows();

}  // namespace zentrova

// The window seam of the engine's preview.
//
// The core never opens a window itself: a front end installs a factory that
// makes a preview surface (the Qt glue installs one that makes a real
// window). Without a factory the preview post-hook has nowhere to draw and
// `TPreviewer::PaintFrame` answers false.
//
// Threads: the factory is called, and its surfaces are used and destroyed,
// on the main thread only (`TPreviewer` hands every step there through
// `CallInMainThread`). The factory itself may be installed from any thread.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "picture/bitmap.h"

namespace zentrova {

/// One preview window. Made for the first frame, destroyed with its
/// `TPreviewer`; main thread only.
class IPreviewSurface {
 public:
  virtual ~IPreviewSurface() = default;
  /// Draws `bitmap` at the surface's origin and sets the title. The bitmap
  /// is valid only during the call: a surface that keeps it copies it.
  virtual void ShowFrame(const TBitmap& bitmap, const std::string& title) = 0;
};

/// Makes a surface whose drawing area is `width` × `height` (the first
/// frame's size). `on_user_close` is to be called on the main thread when the
/// user closes the window; it stays callable for the surface's lifetime.
/// A factory may return null when it cannot make a window.
using TPreviewSurfaceFactory = std::function<std::unique_ptr<IPreviewSurface>(
    int width, int height, std::function<void()> on_user_close)>;

/// Installs the process-wide factory (an empty function removes it).
/// Surfaces already made stay with their previewers.
void SetPreviewSurfaceFactory(TPreviewSurfaceFactory factory);

/// Makes a surface with the installed factory; null when none is installed
/// or the factory made none. Main thread.
std::unique_ptr<IPreviewSurface> MakePreviewSurface(int width, int height,
                                                    std::function<void()> on_user_close);

}  // namespace zentrova

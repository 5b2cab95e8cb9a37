// TPreviewer: the preview window of one conversion task.
//
// The engine's preview post-hook hands every previewed output picture to
// `PaintFrame`. The window is made lazily on the main thread for the first
// frame (the size of that frame, through the surface factory of
// preview_surface.h), each frame is drawn with its time as the title, and a
// window the user closed stays closed: `PaintFrame` then answers false and
// the engine stops previewing that task.
//
// Ownership: the engine owns the previewer (created on the first previewed
// frame, freed when the preview is switched off or the run ends); the
// previewer owns its surface.
// Threads: `PaintFrame` and the destructor are called on the task's worker
// (or on the main thread itself) and do every window step on the main thread
// through `CallInMainThread`, waiting for it. So the caller must hold no lock
// that the main thread may take meanwhile, and the main thread must serve
// its queue (a waiting main thread does, see main_thread.h).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/run/preview_surface.h"
#include "picture/bitmap.h"

namespace zentrova {

class TPreviewer {
 public:
  /// No window until the first frame.
  TPreviewer();
  /// Frees the window on the main thread.
  ~TPreviewer();
  TPreviewer(const TPreviewer&) = delete;
  TPreviewer& operator=(const TPreviewer&) = delete;

  /// Draws `bitmap` (valid for the call only) titled with `time_to_text` of
  /// `pts_us` and returns once it is drawn. False once the user has closed the
  /// window, and when no window can be made (no surface factory installed:
  /// said once in the log).
  bool PaintFrame(const TBitmap& bitmap, std::int32_t frame_number, std::int64_t pts_us);

  /// True once the user has closed the window (any thread).
  bool Closed() const { return FClosed->load(); }

 private:
  // Main thread only.
  void DoPaint(const TBitmap& bitmap, std::int64_t pts_us);

  std::unique_ptr<IPreviewSurface> FForm;  // made, used and freed on the main thread
  // Set by the surface's close notification (main thread), read by the
  // worker; shared so that the notification can never outlive it.
  std::shared_ptr<std::atomic<bool>> FClosed;
  std::atomic<bool> FNoWindow{false};  // no factory: answered false once and logged
};

}  // namespace zentrova

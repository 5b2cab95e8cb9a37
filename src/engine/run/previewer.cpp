#include "engine/run/previewer.h"

#include <mutex>
#include <utility>

#include "log/logger.h"
#include "log/main_thread.h"
#include "options/time_text.h"

namespace zentrova {

namespace {

// The installed factory; any thread installs it, the main thread calls a copy.
struct FactorySlot {
  std::mutex mutex;
  TPreviewSurfaceFactory factory;  // guarded by mutex
};

FactorySlot& Slot() {
  static FactorySlot slot;
  return slot;
}

}  // namespace

void SetPreviewSurfaceFactory(TPreviewSurfaceFactory factory) {
  FactorySlot& slot = Slot();
  std::lock_guard lock(slot.mutex);
  slot.factory = std::move(factory);
}

std::unique_ptr<IPreviewSurface> MakePreviewSurface(int width, int height,
                                                    std::function<void()> on_user_close) {
  TPreviewSurfaceFactory factory;
  {
    FactorySlot& slot = Slot();
    std::lock_guard lock(slot.mutex);
    factory = slot.factory;
  }
  if (!factory) return nullptr;
  return factory(width, height, std::move(on_user_close));
}

TPreviewer::TPreviewer() : FClosed(std::make_shared<std::atomic<bool>>(false)) {}

TPreviewer::~TPreviewer() {
  // FForm is only touched on the main thread; every earlier touch was
  // waited for by CallInMainThread, so reading it here is ordered.
  if (!FForm) return;
  try {
    CallInMainThread([this] { FForm.reset(); });
  } catch (...) {
    // A window that fails to close must not take the task down with it.
  }
}

bool TPreviewer::PaintFrame(const TBitmap& bitmap, std::int32_t frame_number, std::int64_t pts_us) {
  if (FClosed->load() || FNoWindow.load()) return false;
  static_cast<void>(frame_number);  // the title shows the time, not the number
  // Waits until the frame is drawn, so the caller may reuse the bitmap.
  CallInMainThread([this, &bitmap, pts_us] { DoPaint(bitmap, pts_us); });
  return !FClosed->load() && !FNoWindow.load();
}

void TPreviewer::DoPaint(const TBitmap& bitmap, std::int64_t pts_us) {
  if (FClosed->load()) return;
  if (!FForm) {
    std::shared_ptr<std::atomic<bool>> closed = FClosed;
    FForm = MakePreviewSurface(bitmap.Width(), bitmap.Height(), [closed] { closed->store(true); });
    if (!FForm) {
      FNoWindow.store(true);
      Log(TLogLevel::llWarning,
          "No preview window can be opened (no window provider is installed); "
          "the preview of this task is off.");
      return;
    }
  }
  FForm->ShowFrame(bitmap, time_to_text(pts_us));
}

}  // namespace zentrova

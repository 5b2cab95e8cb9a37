// The post hooks of a running task: the preview window and the preview
// bitmap (run's thread), and the owner's requests to change them.
//
// The owner's `ChangePostHooks` only stores a request that the run applies
// at its next output picture. No lock is held while a picture is painted
// or handed out, so a main thread that changes the preview never waits for
// a worker that waits for the main thread.
#include "engine/run/ffmpeg_task.h"
#include "log/logger.h"

namespace zentrova {

void TFFmpegTask::ChangePostHooks(TPostHooks hooks) {
  FPostHooksRequest.store(static_cast<int>(hooks.Bits()));
}

TPostHooks TFFmpegTask::PostHooks() const {
  const int request = FPostHooksRequest.load();
  return request != kNoRequest ? TPostHooks(static_cast<unsigned>(request))
                               : TPostHooks(FPostHooksBits.load());
}

bool TFFmpegTask::PostHooksRequested() const {
  // A pending request to switch everything off still needs a picture to be
  // applied at (it closes the window).
  const int request = FPostHooksRequest.load();
  return FPostHooksBits.load() != 0 || (request != kNoRequest && request != 0);
}

void TFFmpegTask::SetPostHooks(TPostHooks hooks) {
  if (hooks == FPostHooks) return;
  // Leaving the preview closes its window (on the main thread; no lock held).
  if (FHookPictures && FPostHooks.Has(TPostHook::phPreview) && !hooks.Has(TPostHook::phPreview))
    FHookPictures->Output.Previewer.reset();
  FPostHooks = hooks;
  FPostHooksBits.store(hooks.Bits());
}

bool TFFmpegTask::PreparePreviewBitmap(AVFrame* frame, bool current) {
  // The output video hook may have left this very picture in the bitmap.
  if (current && !FPostHooksChanged) return true;
  TFormatConverter& converter = HookPictures().Output.Converter;
  if (converter.PictureToRGB(frame->data, frame->linesize, static_cast<AVPixelFormat>(frame->format),
                             frame->width, frame->height, TBitmapCopy::bcCopy))
    return true;
  Log(TLogLevel::llError, converter.LastErrMsg());
  return false;
}

void TFFmpegTask::run_post_hooks(AVFrame* frame, bool current, std::int64_t pts_us, int frame_number) {
  const int request = FPostHooksRequest.exchange(kNoRequest);
  if (request != kNoRequest) {
    SetPostHooks(TPostHooks(static_cast<unsigned>(request)));
    FPostHooksChanged = true;
  }
  TPostHooks hooks = FPostHooks;
  if (hooks.Empty()) return;
  TPostHookContext& context = HookPictures().Output;
  const bool bitmap_hook = hooks.Has(TPostHook::phBitmap) && OnPreviewBitmap;
  if (bitmap_hook || hooks.Has(TPostHook::phPreview)) {
    const std::int64_t now = ff::av_gettime_relative();
    context.preview_cur_time = now;
    if (context.preview_last_time == 0 || now - context.preview_last_time > FPreviewInterval) {
      bool ok = PreparePreviewBitmap(frame, current);
      if (bitmap_hook) {
        // Handler exceptions end the run, like those of the other events.
        if (ok) OnPreviewBitmap(this, context.Converter.Bitmap(), frame_number, pts_us);
        if (!ok) hooks = hooks.Without(TPostHook::phBitmap);
      } else {
        if (ok) {
          if (!context.Previewer) context.Previewer = std::make_unique<TPreviewer>();
          ok = context.Previewer->PaintFrame(context.Converter.Bitmap(), frame_number, pts_us);
        }
        if (!ok) hooks = hooks.Without(TPostHook::phPreview);
      }
      context.preview_last_time = context.preview_cur_time;
    }
  }
  // A request that came in meanwhile wins over what this picture changed.
  if (FPostHooksRequest.load() == kNoRequest) SetPostHooks(hooks);
  FPostHooksChanged = false;
}

}  // namespace zentrova

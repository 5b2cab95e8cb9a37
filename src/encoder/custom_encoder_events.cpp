// TCustomEncoder: the engine's events turned into the encoder's — hooks on
// the task's thread; preview, progress and before-find-stream-info handed
// to the main thread when TriggerEventInMainThread.
#include <algorithm>
#include <mutex>

#include "encoder/custom_encoder.h"
#include "encoder/custom_encoder_state.h"
#include "log/main_thread.h"

namespace zentrova {

// ---- Hooks (task's thread) ----------------------------------------------------------

void TCustomEncoder::HandleInputAudioHook(TFFmpegTask* sender, std::int64_t pts_us, AVFrame* frame, int size,
                                          int sample_rate, int channels, AVSampleFormat sample_format) {
  if (!FOnInputAudioHook.Assigned()) return;
  std::lock_guard lock(FAudioHookLock);
  if (const auto handler = FOnInputAudioHook.Get()) {
    (*handler)(this, GetTaskIndex(sender), pts_us, frame, size, sample_rate, channels, sample_format);
  }
}

void TCustomEncoder::HandleOutputAudioHook(TFFmpegTask* sender, std::int64_t pts_us, AVFrame* frame, int size,
                                           int sample_rate, int channels, AVSampleFormat sample_format) {
  if (!FOnOutputAudioHook.Assigned()) return;
  std::lock_guard lock(FAudioHookLock);
  if (const auto handler = FOnOutputAudioHook.Get()) {
    (*handler)(this, GetTaskIndex(sender), pts_us, frame, size, sample_rate, channels, sample_format);
  }
}

namespace {

// Fills the video hook record, calls the handler and hands the answers back
// to the engine. The caller holds the video hook lock.
template <typename Handler>
void CallVideoHook(TCustomEncoder* encoder, const Handler& handler, THookInfo& info, int task_index,
                   TBitmap& bitmap, int frame_number, std::int64_t pts_us, bool& update, bool& stop_hook) {
  info.TaskIndex = task_index;
  info.Bitmap = &bitmap;
  info.FrameNumber = frame_number;
  info.PTS = pts_us;
  info.Update = update;
  info.StopHook = stop_hook;
  // The bitmap is plain memory the handler draws on directly: there is no
  // drawing surface to lock around the call.
  handler(encoder, info);
  update = info.Update;
  stop_hook = info.StopHook;
}

void FillFrameHookInfo(TFrameHookInfo& info, int task_index, TAVPicture& picture, AVPixelFormat pix_fmt,
                       int frame_number, int width, int height, std::int64_t pts_us) {
  info.TaskIndex = task_index;
  info.FrameNumber = frame_number;
  info.Picture = &picture;
  info.PixFmt = pix_fmt;
  info.Width = width;
  info.Height = height;
  info.PTS = pts_us;
}

}  // namespace

void TCustomEncoder::HandleInputVideoHook(TFFmpegTask* sender, TBitmap& bitmap, int frame_number,
                                          std::int64_t pts_us, bool& update, bool& stop_hook) {
  if (!FOnInputVideoHook.Assigned()) return;
  std::lock_guard lock(FVideoHookLock);
  if (const auto handler = FOnInputVideoHook.Get()) {
    CallVideoHook(this, *handler, FVideoHookInfo, GetTaskIndex(sender), bitmap, frame_number, pts_us, update,
                  stop_hook);
  }
}

void TCustomEncoder::HandleOutputVideoHook(TFFmpegTask* sender, TBitmap& bitmap, int frame_number,
                                           std::int64_t pts_us, bool& update, bool& stop_hook) {
  if (!FOnOutputVideoHook.Assigned()) return;
  std::lock_guard lock(FVideoHookLock);
  if (const auto handler = FOnOutputVideoHook.Get()) {
    CallVideoHook(this, *handler, FVideoHookInfo, GetTaskIndex(sender), bitmap, frame_number, pts_us, update,
                  stop_hook);
  }
}

void TCustomEncoder::HandleInputFrameHook(TFFmpegTask* sender, TAVPicture& picture, AVPixelFormat pix_fmt,
                                          int frame_number, int width, int height, std::int64_t pts_us) {
  if (!FOnInputFrameHook.Assigned()) return;
  std::lock_guard lock(FFrameHookLock);
  if (const auto handler = FOnInputFrameHook.Get()) {
    FillFrameHookInfo(FFrameHookInfo, GetTaskIndex(sender), picture, pix_fmt, frame_number, width, height,
                      pts_us);
    (*handler)(this, FFrameHookInfo);
  }
}

void TCustomEncoder::HandleOutputFrameHook(TFFmpegTask* sender, TAVPicture& picture, AVPixelFormat pix_fmt,
                                           int frame_number, int width, int height, std::int64_t pts_us) {
  if (!FOnOutputFrameHook.Assigned()) return;
  std::lock_guard lock(FFrameHookLock);
  if (const auto handler = FOnOutputFrameHook.Get()) {
    FillFrameHookInfo(FFrameHookInfo, GetTaskIndex(sender), picture, pix_fmt, frame_number, width, height,
                      pts_us);
    (*handler)(this, FFrameHookInfo);
  }
}

// ---- Events handed to the main thread -------------------------------------------------
// Delivered on the task's thread, the record is the component's own and the
// lock makes parallel tasks take turns. Handed to the main thread, the call
// gets a copy of the record and the lock is not held while the worker
// waits: the main thread runs one call at a time anyway, and a handler that
// stops and waits for the other tasks must not find them blocked on a lock
// that its own task holds.

bool TCustomEncoder::HandsOver() const {
  return FTriggerEventInMainThread.load() && !IsMainThread();
}

void TCustomEncoder::HandlePreviewBitmap(TFFmpegTask* sender, const TBitmap& bitmap, int frame_number,
                                         std::int64_t pts_us) {
  if (!FOnPreviewBitmap.Assigned()) return;
  std::unique_lock lock(FPreviewLock);
  FPreviewInfo.TaskIndex = GetTaskIndex(sender);
  FPreviewInfo.Bitmap = &bitmap;
  FPreviewInfo.FrameNumber = frame_number;
  FPreviewInfo.PTS = pts_us;
  if (!HandsOver()) {
    if (const auto handler = FOnPreviewBitmap.Get()) (*handler)(this, FPreviewInfo);
    return;
  }
  const TPreviewInfo info = FPreviewInfo;
  lock.unlock();
  HandOver(sender, [this, &info] {
    if (const auto handler = FOnPreviewBitmap.Get()) (*handler)(this, info);
  });
}

void TCustomEncoder::HandleProgress(TFFmpegTask* sender, int file_index, int frame_number, int fps,
                                    float quality, float bit_rate, std::int64_t current_size,
                                    std::int64_t current_duration, std::int64_t total_duration) {
  if (!FOnProgress.Assigned()) return;
  std::unique_lock lock(FProgressLock);
  FProgressInfo.TaskIndex = GetTaskIndex(sender);
  FProgressInfo.FileIndex = file_index;
  FProgressInfo.FrameNumber = frame_number;
  FProgressInfo.FPS = fps;
  FProgressInfo.Quality = quality;
  FProgressInfo.BitRate = bit_rate;
  FProgressInfo.CurrentSize = current_size;
  FProgressInfo.CurrentDuration = current_duration;
  FProgressInfo.TotalDuration = total_duration;
  if (!HandsOver()) {
    if (const auto handler = FOnProgress.Get()) (*handler)(this, FProgressInfo);
    return;
  }
  TProgressInfo info = FProgressInfo;
  lock.unlock();
  HandOver(sender, [this, &info] {
    if (const auto handler = FOnProgress.Get()) (*handler)(this, info);
  });
}

void TCustomEncoder::HandleBeforeFindStreamInfo(TCustomFFmpegOpt* sender, AVFormatContext* format_context) {
  if (!FOnBeforeFindStreamInfo.Assigned()) return;
  // The engine that raises this event is always one of this encoder's tasks.
  auto* task = dynamic_cast<TFFmpeg*>(sender);
  std::unique_lock lock(FFindStreamLock);
  FSender = task;
  FAVFormatContext = format_context;
  if (!HandsOver()) {
    if (const auto handler = FOnBeforeFindStreamInfo.Get()) (*handler)(FSender, FAVFormatContext);
    return;
  }
  lock.unlock();
  HandOver(task, [this, task, format_context] {
    if (const auto handler = FOnBeforeFindStreamInfo.Get()) (*handler)(task, format_context);
  });
}

// ---- Held output names --------------------------------------------------------------------

std::string TCustomEncoder::HandleOutputNameHeld(TFFmpeg* sender, const std::string& held_name) {
  const auto handler = FOnOutputNameHeld.Get();
  if (!handler) return {};
  const int index = FState->FFFmpegList.Locate(sender).first;
  if (index < 0) return {};
  // On the task's thread: the run waits for the name, not for the main thread.
  return (*handler)(this, index, held_name);
}

// ---- The hand-off itself ---------------------------------------------------------------------

void TCustomEncoder::HandOver(const TFFmpegTask* sender, const std::function<void()>& call) {
  CallInMainThread([this, sender, &call] {
    // While the main thread serves this call the task's thread waits for it
    // (see ServingEventOf).
    FServedEvents.push_back(sender);
    struct TPop {
      std::vector<const TFFmpegTask*>& served;
      ~TPop() { served.pop_back(); }
    } pop{FServedEvents};
    call();
  });
}

bool TCustomEncoder::ServingEventOf(const TFFmpegTask* task) const {
  return std::find(FServedEvents.begin(), FServedEvents.end(), task) != FServedEvents.end();
}

}  // namespace zentrova

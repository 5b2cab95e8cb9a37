// TCustomEncoder: construction, destruction, libraries, properties and the
// list operations.
#include "encoder/custom_encoder.h"

#include <stdexcept>
#include <utility>

#include "encoder/custom_encoder_state.h"
#include "log/logger.h"
#include "media/library_loader.h"

namespace zentrova {

TCustomEncoder::TState::TState(TCustomEncoder& owner)
    : FSchedule(owner.FTerminateLock, TTaskSchedule::TCallbacks{
                                          [this](int index) { return FFFmpegList.Present(index); },
                                          [&owner](int index) { owner.StartTaskThread(index); },
                                          [&owner] { owner.AllTasksDone(); },
                                      }),
      FDelivery([&owner](const TTerminateItem& item) { owner.DeliverTermination(item); }) {}

TCustomEncoder::TCustomEncoder() : FState(std::make_unique<TState>(*this)) {}

TCustomEncoder::~TCustomEncoder() {
  Shutdown();
}

void TCustomEncoder::Shutdown() {
  if (FShutDown) return;
  FShutDown = true;

  // No event once destruction has begun: clear the caller's events first.
  FOnInputAudioHook.Set(nullptr);
  FOnOutputAudioHook.Set(nullptr);
  FOnBeforeFindStreamInfo.Set(nullptr);
  FOnInputVideoHook.Set(nullptr);
  FOnOutputVideoHook.Set(nullptr);
  FOnPreviewBitmap.Set(nullptr);
  FOnProgress.Set(nullptr);
  FOnTerminate.Set(nullptr);
  FOnInputFrameHook.Set(nullptr);
  FOnOutputFrameHook.Set(nullptr);
  // No task starts any more; the running ones end and are waited for (their
  // handlers still reach this encoder until then).
  FState->FSchedule.CancelPending();
  for (const TFFmpegList::TTaskPtr& task : FState->FFFmpegList.Snapshot()) task->Stop(TStopWait::swWait);
  // Nothing is delivered or released after this.
  FState->FDelivery.Shutdown();
  // The list is the tasks' only owner: each task is freed here, while this
  // encoder still exists for a termination report that is on its way.
  FState->FFFmpegList.Clear();
}

// ---- Media libraries -----------------------------------------------------------

bool TCustomEncoder::LoadAVLib(const std::string& path) {
  TFFLoader& loader = FFLoader();
  loader.SetLibraryPath(path);
  if (!loader.Load(FState->FDeviceFormats ? EncoderLibraries : ConversionLibraries)) {
    FLastErrMsg = loader.LastErrMsg();
    return false;
  }
  if (!loader.Load(TLibrary::libMFX)) DefaultLogger()->Log(this, TLogLevel::llWarning, loader.LastErrMsg());
  return true;
}

bool TCustomEncoder::AVLibLoaded() const {
  return FFLoader().Loaded(FState->FDeviceFormats ? EncoderLibraries : ConversionLibraries);
}

bool TCustomEncoder::DeviceFormats() const {
  return FState->FDeviceFormats;
}

void TCustomEncoder::SetDeviceFormats(bool value) {
  FState->FDeviceFormats = value;
}

void TCustomEncoder::UnloadAVLib() {
  CheckWorking("UnloadAVLib");
  // The tasks' engines and decoders call the libraries until they are freed.
  if (FState->FFFmpegList.Count() > 0) throw std::runtime_error("Cannot UnloadAVLib while tasks exist.");
  FState->FDecoder.Close();
  FFLoader().Unload(EncoderLibraries);
}

TRIDarivir& TCustomEncoder::Decoder() {
  return FState->FDecoder.Get();
}

bool TCustomEncoder::Terminated() const {
  return FState->FSchedule.Terminated();
}

// ---- Properties ------------------------------------------------------------------

void TCustomEncoder::SetPreview(bool value) {
  for (const TFFmpegList::TTaskPtr& task : FState->FFFmpegList.Snapshot()) {
    const TPostHooks hooks = task->PostHooks();
    task->ChangePostHooks(value ? hooks.With(TPostHook::phPreview) : hooks.Without(TPostHook::phPreview));
  }
  FPreview = value;
}

void TCustomEncoder::SetPreviewBitmap(bool value) {
  for (const TFFmpegList::TTaskPtr& task : FState->FFFmpegList.Snapshot()) {
    const TPostHooks hooks = task->PostHooks();
    task->ChangePostHooks(value ? hooks.With(TPostHook::phBitmap) : hooks.Without(TPostHook::phBitmap));
  }
  FPreviewBitmap = value;
}

namespace {

// Interval properties never go below 10 ms.
std::int32_t ClampInterval(int value_ms) {
  return value_ms <= 10 ? 10 : value_ms;
}

}  // namespace

// The engine reads its intervals and time-outs while it runs without a lock:
// only tasks that have not been started take a new value (a run in progress
// keeps the values it started with; a new run starts from new tasks).
void TCustomEncoder::SetPreviewInterval(int value_ms) {
  FPreviewInterval = ClampInterval(value_ms);
  if (Working()) return;
  for (const TFFmpegList::TTaskPtr& task : FState->FFFmpegList.Snapshot()) {
    task->FPreviewInterval = static_cast<std::int64_t>(FPreviewInterval) * 1000;
  }
}

void TCustomEncoder::SetProgressInterval(int value_ms) {
  FProgressInterval = ClampInterval(value_ms);
  if (Working()) return;
  for (const TFFmpegList::TTaskPtr& task : FState->FFFmpegList.Snapshot()) {
    task->FReportInterval = static_cast<std::int64_t>(FProgressInterval) * 1000;
  }
}

void TCustomEncoder::SetReadTimeout(int value_ms) {
  TFFBaseComponent::SetReadTimeout(value_ms);
  if (Working()) return;
  for (const TFFmpegList::TTaskPtr& task : FState->FFFmpegList.Snapshot()) task->FReadTimeout = value_ms;
}

void TCustomEncoder::SetWriteTimeout(int value_ms) {
  TFFBaseComponent::SetWriteTimeout(value_ms);
  if (Working()) return;
  for (const TFFmpegList::TTaskPtr& task : FState->FFFmpegList.Snapshot()) task->FWriteTimeout = value_ms;
}

// ---- The list --------------------------------------------------------------------

void TCustomEncoder::ClearTasks() {
  if (Working() && !Terminated()) throw std::runtime_error("Cannot ClearTasks while working.");
  // Released outside the list lock; a late automatic release of one of
  // these finds nothing (it releases by pointer, not by index).
  std::vector<TFFmpegList::TTaskPtr> tasks = FState->FFFmpegList.Clear();
  tasks.clear();
  FLastErrMsg.clear();
  {
    std::lock_guard lock(FTerminateLock);
    FState->FSchedule.Reset();
    FCallerRecords.clear();
  }
  FWorking = false;
  FPaused = false;
}

void TCustomEncoder::RemoveTask(int task_index) {
  CheckWorking("RemoveTask");
  FState->FFFmpegList.Delete(task_index);  // the task is freed here, outside the list lock
}

void TCustomEncoder::Exchange(int task_index1, int task_index2) {
  CheckWorking("Exchange");
  FState->FFFmpegList.Exchange(task_index1, task_index2);
}

int TCustomEncoder::GetTaskIndex(const TFFmpegTask* task) const {
  return FState->FFFmpegList.IndexOf(task);
}

TFFmpeg* TCustomEncoder::GetTask(int task_index) const {
  return FState->FFFmpegList.Item(task_index).get();
}

int TCustomEncoder::TasksCount() const {
  return FState->FFFmpegList.Count();
}

}  // namespace zentrova

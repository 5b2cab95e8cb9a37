#include "app/ui/encoder_backend.h"

#include "convert/library_names.h"
#include "encoder/derodorir.h"

namespace zentrova::ui {
namespace {

TEncVideoHookEvent VideoHook(IConverterEncoder::TVideoHookHandler handler) {
  if (!handler) return nullptr;
  return [handler = std::move(handler)](TCustomEncoder*, THookInfo& info) {
    TVideoHookCall call;
    call.TaskIndex = info.TaskIndex;
    call.Bitmap = info.Bitmap;
    call.FrameNumber = info.FrameNumber;
    call.PTS = info.PTS;
    call.Update = info.Update;
    call.StopHook = info.StopHook;
    handler(call);
    info.Update = call.Update;
    info.StopHook = call.StopHook;
  };
}

}  // namespace

TEncoderBackend::TEncoderBackend() : encoder_(std::make_unique<TDERodorir>()) {
  encoder_->SetInputPolicy(TInputPolicy::LocalFiles);  // a file's content opens nothing else
  // Files only, never a capture or playback device: the device library and
  // its dozens of dependencies stay unloaded.
  encoder_->SetDeviceFormats(false);
  // A long list keeps no file open until its task runs.
  encoder_->SetDeferredOpen(true);
}

TEncoderBackend::~TEncoderBackend() = default;

bool TEncoderBackend::AVLibLoaded() const {
  return encoder_->AVLibLoaded();
}

bool TEncoderBackend::LoadAVLib(const std::string& folder) {
  return encoder_->LoadAVLib(folder);
}

int TEncoderBackend::AddTask(const TInputOptions& input) {
  TInputOptions record = input;
  return encoder_->AddTask(app::InputUrl(input.FileName), &record);
}

int TEncoderBackend::SetOutput(int task_index, const TOutputOptions& output) {
  TOutputOptions record = output;
  return encoder_->SetOutput(task_index, app::LocalFileUrl(output.FileName), &record);
}

void TEncoderBackend::RemoveTask(int task_index) {
  encoder_->RemoveTask(task_index);
}

void TEncoderBackend::ClearTasks() {
  encoder_->ClearTasks();
}

void TEncoderBackend::SetThreadPriority(TRunPriority priority) {
  static constexpr TThreadPriority kPriorities[] = {TThreadPriority::tpIdle, TThreadPriority::tpLowest,
                                                    TThreadPriority::tpLower, TThreadPriority::tpNormal};
  encoder_->SetThreadPriority(kPriorities[static_cast<int>(priority)]);
}

void TEncoderBackend::SetPreview(bool preview) {
  encoder_->SetPreview(preview);
}

void TEncoderBackend::Start(int thread_count) {
  encoder_->Start(thread_count);
}

void TEncoderBackend::Stop(TStopWait wait) {
  encoder_->Stop(wait);
}

void TEncoderBackend::Pause() {
  encoder_->Pause();
}

void TEncoderBackend::Resume() {
  encoder_->Resume();
}

std::string TEncoderBackend::LastErrMsg() const {
  return encoder_->LastErrMsg();
}

void TEncoderBackend::SetOnProgress(TProgressHandler handler) {
  if (!handler) return encoder_->SetOnProgress(nullptr);
  encoder_->SetOnProgress(
      [handler = std::move(handler)](TCustomEncoder*, TProgressInfo& info) { handler(info); });
}

void TEncoderBackend::SetOnTerminate(TEndHandler handler) {
  if (!handler) return encoder_->SetOnTerminate(nullptr);
  encoder_->SetOnTerminate(
      [handler = std::move(handler)](TCustomEncoder*, const TTerminateInfo& info) { handler(info); });
}

void TEncoderBackend::SetOnVideoInputHook(TVideoHookHandler handler) {
  encoder_->SetOnVideoInputHook(VideoHook(std::move(handler)));
}

void TEncoderBackend::SetOnVideoOutputHook(TVideoHookHandler handler) {
  encoder_->SetOnVideoOutputHook(VideoHook(std::move(handler)));
}

void TEncoderBackend::SetOnAudioOutputHook(TAudioHookHandler handler) {
  if (!handler) return encoder_->SetOnAudioOutputHook(nullptr);
  encoder_->SetOnAudioOutputHook(
      [handler = std::move(handler)](TCustomEncoder*, int task_index, std::int64_t pts_us, AVFrame* frame,
                                     int size, int sample_rate, int channels, AVSampleFormat sample_format) {
        TAudioHookCall call;
        call.TaskIndex = task_index;
        call.PTS = pts_us;
        call.Planes = frame ? frame->extended_data : nullptr;
        call.LineSize = frame ? frame->linesize[0] : 0;
        call.Size = size;
        call.SampleRate = sample_rate;
        call.Channels = channels;
        call.SampleFormat = static_cast<int>(sample_format);
        handler(call);
      });
}

}  // namespace zentrova::ui

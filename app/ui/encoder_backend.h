// The main window's encoder: `IConverterEncoder` over the encoder component
// `TDERodorir`, used with its defaults (events on the main thread).
//
// Ownership: owns the component. Threads: as IConverterEncoder (the
// component's progress and termination events arrive on the main thread,
// its hooks on the tasks' workers).
#pragma once

#include <memory>

#include "app/ui/converter_encoder.h"

namespace zentrova {
class TDERodorir;
}

namespace zentrova::ui {

class TEncoderBackend : public IConverterEncoder {
 public:
  TEncoderBackend();
  ~TEncoderBackend() override;

  bool AVLibLoaded() const override;
  bool LoadAVLib(const std::string& folder) override;
  int AddTask(const TInputOptions& input) override;
  int SetOutput(int task_index, const TOutputOptions& output) override;
  void RemoveTask(int task_index) override;
  void ClearTasks() override;
  void SetThreadPriority(TRunPriority priority) override;
  void SetPreview(bool preview) override;
  void Start(int thread_count) override;
  void Stop(TStopWait wait) override;
  void Pause() override;
  void Resume() override;
  std::string LastErrMsg() const override;

  void SetOnProgress(TProgressHandler handler) override;
  void SetOnTerminate(TEndHandler handler) override;
  void SetOnVideoInputHook(TVideoHookHandler handler) override;
  void SetOnVideoOutputHook(TVideoHookHandler handler) override;
  void SetOnAudioOutputHook(TAudioHookHandler handler) override;

  /// The component itself (tests read its state).
  TDERodorir& Encoder() { return *encoder_; }

 private:
  std::unique_ptr<TDERodorir> encoder_;
};

}  // namespace zentrova::ui

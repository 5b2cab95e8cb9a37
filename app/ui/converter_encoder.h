// What the main window asks of the encoder component, and what the
// component reports back.
//
// The window drives its conversions through this interface so that its
// button states and list updates can be exercised without running real
// conversions; `TEncoderBackend` (encoder_backend.h) is the implementation
// over the real encoder component.
//
// Threads: every operation is for the GUI thread. The progress and
// termination handlers are called on the GUI thread; the hook handlers are
// called on the task's worker thread and must not touch widgets.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/ui/frame_hooks.h"
#include "encoder/custom_encoder.h"
#include "encoder/progress_info.h"
#include "encoder/task_options.h"
#include "encoder/terminate_info.h"

namespace zentrova::ui {

/// Worker-thread priority of a run, in the order of the window's choices.
enum class TRunPriority { Idle, Lowest, Lower, Normal };

class IConverterEncoder {
 public:
  using TProgressHandler = std::function<void(const TProgressInfo&)>;
  using TEndHandler = std::function<void(const TTerminateInfo&)>;
  using TVideoHookHandler = std::function<void(TVideoHookCall&)>;
  using TAudioHookHandler = std::function<void(const TAudioHookCall&)>;

  virtual ~IConverterEncoder() = default;

  virtual bool AVLibLoaded() const = 0;
  /// Loads the media libraries, from `folder` first; false with `LastErrMsg`.
  virtual bool LoadAVLib(const std::string& folder) = 0;
  /// A new task reading the input; its index or a negative value.
  virtual int AddTask(const TInputOptions& input) = 0;
  /// The task's output; negative on failure.
  virtual int SetOutput(int task_index, const TOutputOptions& output) = 0;
  virtual void RemoveTask(int task_index) = 0;
  virtual void ClearTasks() = 0;
  virtual void SetThreadPriority(TRunPriority priority) = 0;
  virtual void SetPreview(bool preview) = 0;
  /// At most `thread_count` tasks at once on workers; 0 runs them all on the
  /// calling thread before returning.
  virtual void Start(int thread_count) = 0;
  /// Stops the run; with `swWait` returns when every task has ended.
  virtual void Stop(TStopWait wait) = 0;
  virtual void Pause() = 0;
  virtual void Resume() = 0;
  virtual std::string LastErrMsg() const = 0;

  /// Handlers (empty: detached).
  virtual void SetOnProgress(TProgressHandler handler) = 0;
  virtual void SetOnTerminate(TEndHandler handler) = 0;
  virtual void SetOnVideoInputHook(TVideoHookHandler handler) = 0;
  virtual void SetOnVideoOutputHook(TVideoHookHandler handler) = 0;
  virtual void SetOnAudioOutputHook(TAudioHookHandler handler) = 0;
};

}  // namespace zentrova::ui

// An encoder that converts nothing: it records what the window asks of it
// and lets a test raise the events a real run would raise. For the window's
// button states, list updates and messages; real conversions are tested with
// the real encoder.
#pragma once

#include <string>
#include <vector>

#include "app/ui/converter_encoder.h"

namespace zentrova::test {

struct FakeEncoderLog {
  std::vector<TInputOptions> inputs;
  std::vector<std::pair<int, TOutputOptions>> outputs;
  std::vector<int> removed;
  int clears = 0;
  std::vector<int> starts;  ///< thread counts
  std::vector<bool> stops;  ///< wait flags
  int pauses = 0;
  int resumes = 0;
  std::vector<ui::TRunPriority> priorities;
  std::vector<bool> previews;
};

class FakeEncoder : public ui::IConverterEncoder {
 public:
  /// `log` outlives the encoder (the window owns and destroys the encoder).
  explicit FakeEncoder(FakeEncoderLog& log) : log_(log) {}

  bool loaded = true;
  bool load_result = true;
  std::string load_error = "cannot load libavcodec.so.59";
  /// Answers of AddTask/SetOutput: failures for these input/output names.
  std::string failing_input, failing_output;
  std::string error = "the reason";

  bool AVLibLoaded() const override { return loaded; }
  bool LoadAVLib(const std::string&) override {
    last_error_ = load_error;
    return loaded = load_result;
  }
  int AddTask(const TInputOptions& input) override {
    if (input.FileName == failing_input) {
      last_error_ = error;
      return -1;
    }
    log_.inputs.push_back(input);
    return tasks_++;
  }
  int SetOutput(int task_index, const TOutputOptions& output) override {
    if (output.FileName == failing_output) {
      last_error_ = error;
      return -1;
    }
    log_.outputs.emplace_back(task_index, output);
    return 0;
  }
  void RemoveTask(int task_index) override {
    log_.removed.push_back(task_index);
    last_error_ = "overwritten by RemoveTask";
    --tasks_;
  }
  void ClearTasks() override {
    ++log_.clears;
    tasks_ = 0;
  }
  void SetThreadPriority(ui::TRunPriority priority) override { log_.priorities.push_back(priority); }
  void SetPreview(bool preview) override { log_.previews.push_back(preview); }
  void Start(int thread_count) override { log_.starts.push_back(thread_count); }
  void Stop(TStopWait wait) override { log_.stops.push_back(wait == TStopWait::swWait); }
  void Pause() override { ++log_.pauses; }
  void Resume() override { ++log_.resumes; }
  std::string LastErrMsg() const override { return last_error_; }

  void SetOnProgress(TProgressHandler handler) override { on_progress = std::move(handler); }
  void SetOnTerminate(TEndHandler handler) override { on_terminate = std::move(handler); }
  void SetOnVideoInputHook(TVideoHookHandler handler) override { on_video_input = std::move(handler); }
  void SetOnVideoOutputHook(TVideoHookHandler handler) override { on_video_output = std::move(handler); }
  void SetOnAudioOutputHook(TAudioHookHandler handler) override { on_audio_output = std::move(handler); }

  TProgressHandler on_progress;
  TEndHandler on_terminate;
  TVideoHookHandler on_video_input, on_video_output;
  TAudioHookHandler on_audio_output;

 private:
  FakeEncoderLog& log_;
  int tasks_ = 0;
  std::string last_error_;
};

}  // namespace zentrova::test

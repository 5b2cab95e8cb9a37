// TFFmpeg: one task of the encoder component — a conversion engine plus what
// the encoder keeps with it: a decoder per input (adopting the input the
// engine opened, for reading its information), and the caller's input and
// output records.
//
// Ownership: the encoder's task list owns the task (shared with callers that
// asked for it through `TCustomEncoder::GetTask`). The decoders only adopt
// the engine's inputs and are detached (`DetachDecoders`) before the task
// starts, since the run releases those inputs when it ends.
//
// Threads: built on the owner's thread (the main thread); see
// engine/ffmpeg_task.h for the run's threads.
#pragma once

#include <memory>
#include <vector>

#include "encoder/input_decoders.h"
#include "encoder/task_options.h"
#include "engine/ffmpeg_task.h"

namespace zentrova {

class TCustomEncoder;

class TFFmpeg : public TFFmpegTask {
 public:
  /// Requires the encoder's libraries (throws std::runtime_error otherwise).
  TFFmpeg();
  /// Stops a running conversion and waits for it, detaches and frees the
  /// decoders, then the engine (which waits for a termination report still
  /// on its way: the encoder that receives it must still exist).
  ~TFFmpeg() override;

  /// The number of inputs opened so far.
  int InputCount() const { return static_cast<int>(Finput_files.size()); }
  /// The number of outputs opened so far.
  int OutputCount() const { return static_cast<int>(Foutput_files.size()); }
  /// The encoder that built the task; null before `AddTask` took it.
  TCustomEncoder* Parent() const { return FParent; }

  /// The decoder that reads input `index` (null when the task has started
  /// or there is no such input). Owner's thread; valid while the task is
  /// idle.
  TRIDarivir* Decoder(int index) const;
  /// The caller's records, one per input / output that was added with one
  /// (a default record where none was given).
  const std::vector<TInputOptions>& InputOptions() const { return FInputOptions; }
  const std::vector<TOutputOptions>& OutputOptions() const { return FOutputOptions; }

 private:
  friend class TCustomEncoder;

  /// The decoder of input `index`, created when missing, adopting the
  /// input's format context.
  void AttachDecoder(int index);
  /// Every decoder forgets its input.
  void DetachDecoders();
  TInputDecoders FDecoders;
  std::vector<TInputOptions> FInputOptions;
  std::vector<TOutputOptions> FOutputOptions;
  TCustomEncoder* FParent = nullptr;
};

}  // namespace zentrova

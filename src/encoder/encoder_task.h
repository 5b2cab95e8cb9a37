// TFFmpeg: one task of the encoder component — a conversion engine plus what
// the encoder keeps with it: a decoder per input (adopting the input the
// engine opened, for reading its information), and the caller's input and
// output records.
//
// Ownership: the encoder's task list owns the task (shared with callers that
// asked for it through `TCustomEncoder::GetTask`). The decoders only adopt
// the engine's inputs and are detached (`DetachDecoders`) before the task
// starts, since the run releases those inputs when it ends. In the
// encoder's deferred-open mode the task keeps only what its files' opens
// need, and opens them when it is about to run (it then has no decoders).
//
// Threads: built on the owner's thread (the main thread); see
// engine/ffmpeg_task.h for the run's threads.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "encoder/input_decoders.h"
#include "encoder/task_options.h"
#include "engine/run/ffmpeg_task.h"

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

  /// The number of inputs added so far (opened, or waiting for the run).
  int InputCount() const { return static_cast<int>(Finput_files.size()) + PendingCount(TFileKind::fkInput); }
  /// The number of outputs added so far (opened, or waiting for the run).
  int OutputCount() const {
    return static_cast<int>(Foutput_files.size()) + PendingCount(TFileKind::fkOutput);
  }
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

  /// Opens the files added in the encoder's deferred-open mode, in the order
  /// they were added (on the run's thread, or the owner's for InitTask);
  /// false with FLastErrMsg. Each file is opened once.
  bool OpenFilesForRun() override;
  bool HasOutputs() const override;

 private:
  friend class TCustomEncoder;

  enum class TFileKind { fkInput, fkOutput };
  /// A file added in deferred-open mode: what its open needs.
  struct TPendingOpen {
    TFileKind Kind = TFileKind::fkInput;
    std::string FileName;
    std::string Options;  ///< the option text (hook words already normalised)
    std::string Presets;
    bool Join = false;
  };
  int PendingCount(TFileKind kind) const;
  /// Whether an output's name is claimed (its `.part` file created and
  /// locked) before it is opened: only when the task is about to run.
  enum class TNameClaim { ncLater, ncNow };
  /// Opens `opens` on this task, in order; false with FLastErrMsg.
  bool OpenAll(const std::vector<TPendingOpen>& opens, TNameClaim claim);
  /// Claims the plain local file `name` for writing; while another running
  /// conversion holds it, moves on to the name the encoder's caller offers
  /// (`name` then changes). Nothing to claim for other outputs (`target`
  /// stays null). False with FLastErrMsg.
  bool ClaimOutputName(std::string& name, std::unique_ptr<TOutputTarget>& target);
  /// Waiting to be opened when the task runs (owner's thread until then).
  std::vector<TPendingOpen> FPendingOpens;

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

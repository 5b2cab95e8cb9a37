// TCustomEncoder: building tasks — AddTask, AddInput, SetOutput, InitTask
// and the filter commands. Main thread.
#include <exception>
#include <fmt/format.h>
#include <stdexcept>
#include <utility>

#include "encoder/custom_encoder.h"
#include "encoder/custom_encoder_state.h"
#include "engine/options/file_options_scope.h"
#include "media/library_loader.h"

namespace zentrova {
namespace {

// Puts `record` at `index` of `records`, growing it with default records.
template <typename Record>
void StoreRecord(std::vector<Record>& records, int index, const Record& record) {
  const auto slot = static_cast<std::size_t>(index);
  if (records.size() <= slot) records.resize(slot + 1);
  records[slot] = record;
}

// Resets the record at `index` when there is one.
template <typename Record>
void ResetRecord(std::vector<Record>& records, int index) {
  const auto slot = static_cast<std::size_t>(index);
  if (slot < records.size()) records[slot] = Record{};
}

}  // namespace

// ---- Checks ----------------------------------------------------------------------

void TCustomEncoder::CheckWorking(const char* operation) const {
  if (Working()) throw std::runtime_error(fmt::format("Cannot {} while working.", operation));
}

void TCustomEncoder::CheckLibrariesLoaded() const {
  if (!AVLibLoaded()) throw std::runtime_error("FFmpeg libraries not loaded.");
}

std::shared_ptr<TFFmpeg> TCustomEncoder::TaskForBuilding(int task_index, const char* operation) {
  // A released entry answers so in every state (after a run with automatic
  // release the tasks are gone, although building stays refused until
  // ClearTasks); a live task is refused while working.
  std::shared_ptr<TFFmpeg> task = FState->FFFmpegList.Item(task_index);
  if (!task) {
    FLastErrMsg = fmt::format("The task #{} had been released.", task_index);
    return nullptr;
  }
  CheckWorking(operation);
  return task;
}

void TCustomEncoder::PrepareForOpen(TFFmpeg& task) const {
  task.FLastErrMsg.clear();
  task.HaltOnInvalidOption = FHaltOnInvalidOption;
  task.FReadTimeout = FReadTimeout;
  task.FWriteTimeout = FWriteTimeout;
  task.FInputPolicy = FInputPolicy;
}

// ---- Inputs ------------------------------------------------------------------------

int TCustomEncoder::OpenInput(TFFmpeg& task, const std::string& file_name, TInputOptions* options) {
  PrepareForOpen(task);
  const int index = task.InputCount();
  std::string option_text;
  std::string presets;
  if (options) {
    if (options->FileName.empty()) options->FileName = file_name;
    StoreRecord(task.FInputOptions, index, *options);
    option_text = options->Options;
    presets = options->Presets;
  } else {
    ResetRecord(task.FInputOptions, index);
  }
  if (FDeferredOpen) {
    // Checked with the task's output (SetOutput), opened when the task runs.
    task.FPendingOpens.push_back({TFFmpeg::TFileKind::fkInput, file_name, option_text, presets, false});
    return index;
  }
  TFileOptionsScope scope(task);
  return task.OpenInputFile(scope.Context(), option_text, file_name, presets);
}

std::string TCustomEncoder::CheckPendingOpens(const TFFmpeg& task) const {
  TFFmpeg scratch;  // freed at once: its files close again
  PrepareForOpen(scratch);
  return scratch.OpenAll(task.FPendingOpens, TFFmpeg::TNameClaim::ncLater) ? std::string()
                                                                           : scratch.FLastErrMsg;
}

int TCustomEncoder::AddTask(const std::string& file_name, TInputOptions* options) {
  CheckLibrariesLoaded();
  CheckWorking("AddTask");
  auto task = std::make_shared<TFFmpeg>();
  task->FPreviewInterval = static_cast<std::int64_t>(FPreviewInterval) * 1000;
  task->FReportInterval = static_cast<std::int64_t>(FProgressInterval) * 1000;
  try {
    task->FOnBeforeFindStreamInfo = [this](TCustomFFmpegOpt* sender, AVFormatContext* ic) {
      HandleBeforeFindStreamInfo(sender, ic);
    };
    task->OnPreviewBitmap = [this](TFFmpegTask* sender, const TBitmap& bitmap, int frame_number,
                                   std::int64_t pts_us) {
      HandlePreviewBitmap(sender, bitmap, frame_number, pts_us);
    };
    task->FParent = this;
    TPostHooks hooks;
    if (FPreview) hooks = hooks.With(TPostHook::phPreview);
    if (FPreviewBitmap) hooks = hooks.With(TPostHook::phBitmap);
    task->ChangePostHooks(hooks);
    const int ret = OpenInput(*task, file_name, options);
    if (ret < 0) {
      FLastErrMsg = task->FLastErrMsg;
      return ret;  // the half-built task is freed here
    }
    task->AttachDecoder(task->InputCount() - 1);
    task->OnProgress = [this](TFFmpegTask* sender, int file_index, int frame_number, int fps, float quality,
                              float bit_rate, std::int64_t size, std::int64_t duration, std::int64_t total) {
      HandleProgress(sender, file_index, frame_number, fps, quality, bit_rate, size, duration, total);
    };
    task->OnTerminate = [this](TFFmpegTask* sender) { HandleTerminate(sender); };
    return FState->FFFmpegList.Add(std::move(task));
  } catch (const std::exception& e) {
    FLastErrMsg = e.what();
    return -1;
  }
}

int TCustomEncoder::AddTask(const std::string& file_name, const std::string& options,
                            const std::string& presets) {
  TInputOptions record = MakeInputOptions(file_name, options, presets);
  return AddTask(file_name, &record);
}

int TCustomEncoder::AddTask(const TStream& stream, const std::string& private_data,
                            TInputOptions* /*options*/) {
  CheckLibrariesLoaded();
  CheckWorking("AddTask");
  FLastErrMsg = StreamNotSupportedMessage(MemoryStreamName(stream, private_data));
  return -1;
}

int TCustomEncoder::AddTask(const TStream& stream, const std::string& private_data,
                            const std::string& options, const std::string& presets) {
  TInputOptions record = MakeInputOptions({}, options, presets);
  return AddTask(stream, private_data, &record);
}

int TCustomEncoder::AddInput(int task_index, const std::string& file_name, TInputOptions* options) {
  CheckLibrariesLoaded();
  const std::shared_ptr<TFFmpeg> task = TaskForBuilding(task_index, "AddInput");
  if (!task) return -1;
  try {
    const int index = task->InputCount();
    const int ret = OpenInput(*task, file_name, options);
    if (ret < 0) {
      ResetRecord(task->FInputOptions, index);
      FLastErrMsg = task->FLastErrMsg;
      return ret;
    }
    task->AttachDecoder(index);
    return index;
  } catch (const std::exception& e) {
    FLastErrMsg = e.what();
    return -1;
  }
}

int TCustomEncoder::AddInput(int task_index, const std::string& file_name, const std::string& options,
                             const std::string& presets) {
  TInputOptions record = MakeInputOptions(file_name, options, presets);
  return AddInput(task_index, file_name, &record);
}

int TCustomEncoder::AddInput(int task_index, const TStream& stream, const std::string& private_data,
                             TInputOptions* /*options*/) {
  CheckLibrariesLoaded();
  if (!TaskForBuilding(task_index, "AddInput")) return -1;
  FLastErrMsg = StreamNotSupportedMessage(MemoryStreamName(stream, private_data));
  return -1;
}

int TCustomEncoder::AddInput(int task_index, const TStream& stream, const std::string& private_data,
                             const std::string& options, const std::string& presets) {
  TInputOptions record = MakeInputOptions({}, options, presets);
  return AddInput(task_index, stream, private_data, &record);
}

// ---- Outputs -----------------------------------------------------------------------

void TCustomEncoder::ConnectHooks(TFFmpeg& task, const TOutputOptions& options) {
  // Connected hooks stay connected for the task (a later output without the
  // flag does not disconnect them).
  if (options.AudioInputHook) {
    task.OnInputAudioHook = [this](TFFmpegTask* sender, std::int64_t pts, AVFrame* frame, int size, int rate,
                                   int channels, AVSampleFormat format) {
      HandleInputAudioHook(sender, pts, frame, size, rate, channels, format);
    };
  }
  if (options.AudioOutputHook) {
    task.OnOutputAudioHook = [this](TFFmpegTask* sender, std::int64_t pts, AVFrame* frame, int size, int rate,
                                    int channels, AVSampleFormat format) {
      HandleOutputAudioHook(sender, pts, frame, size, rate, channels, format);
    };
  }
  if (options.VideoInputHook) {
    task.OnInputVideoHook = [this](TFFmpegTask* sender, TBitmap& bitmap, int number, std::int64_t pts,
                                   bool& update, bool& stop) {
      HandleInputVideoHook(sender, bitmap, number, pts, update, stop);
    };
  }
  if (options.VideoOutputHook) {
    task.OnOutputVideoHook = [this](TFFmpegTask* sender, TBitmap& bitmap, int number, std::int64_t pts,
                                    bool& update, bool& stop) {
      HandleOutputVideoHook(sender, bitmap, number, pts, update, stop);
    };
  }
  if (options.FrameInputHook) {
    task.OnInputFrameHook = [this](TFFmpegTask* sender, TAVPicture& picture, AVPixelFormat pix_fmt,
                                   int number, int width, int height, std::int64_t pts) {
      HandleInputFrameHook(sender, picture, pix_fmt, number, width, height, pts);
    };
  }
  if (options.FrameOutputHook) {
    task.OnOutputFrameHook = [this](TFFmpegTask* sender, TAVPicture& picture, AVPixelFormat pix_fmt,
                                    int number, int width, int height, std::int64_t pts) {
      HandleOutputFrameHook(sender, picture, pix_fmt, number, width, height, pts);
    };
  }
  task.SetVideoHookBitsPixel(options.VideoHookBitsPixel);
}

int TCustomEncoder::OpenOutput(TFFmpeg& task, const std::string& file_name, TOutputOptions* options) {
  PrepareForOpen(task);
  const int index = task.OutputCount();
  std::string option_text;
  std::string presets;
  bool join = false;
  if (options) {
    if (options->FileName.empty()) options->FileName = file_name;
    StoreRecord(task.FOutputOptions, index, *options);
    ConnectHooks(task, *options);
    option_text = options->Options;
    presets = options->Presets;
    join = options->Join;
    if (options->KeepExisting) task.Fno_file_overwrite = 1;
  } else {
    ResetRecord(task.FOutputOptions, index);
  }
  // The option table knows the hook words in one spelling and skips them.
  option_text = NormalizeHookWords(option_text);
  int ret = index;
  if (FDeferredOpen) {
    // Every file of the task is opened once now, to report a bad file or
    // option while the task is built, and closed again.
    task.FPendingOpens.push_back({TFFmpeg::TFileKind::fkOutput, file_name, option_text, presets, join});
    std::string error;
    try {
      error = CheckPendingOpens(task);
    } catch (const std::exception& e) {
      error = e.what();
    }
    if (!error.empty()) {
      task.FPendingOpens.pop_back();
      task.FLastErrMsg = error;
      ret = -1;
    }
  } else {
    TFileOptionsScope scope(task);
    ret = task.OpenOutputFile(scope.Context(), option_text, join, file_name, presets);
  }
  if (ret < 0) {
    FLastErrMsg = task.FLastErrMsg;
    ResetRecord(task.FOutputOptions, index);
  }
  return ret;
}

int TCustomEncoder::SetOutput(int task_index, const std::string& file_name, TOutputOptions* options) {
  const std::shared_ptr<TFFmpeg> task = TaskForBuilding(task_index, "SetOutput");
  if (!task) return -1;
  const int index = task->OutputCount();
  try {
    return OpenOutput(*task, file_name, options);
  } catch (const std::exception& e) {
    ResetRecord(task->FOutputOptions, index);
    // The engine's own text first, unless the error is that very text.
    const std::string& engine_text = task->FLastErrMsg;
    FLastErrMsg = (engine_text.empty() || engine_text == e.what()) ? std::string(e.what())
                                                                   : engine_text + "\r\n" + e.what();
    return -1;
  }
}

int TCustomEncoder::SetOutput(int task_index, const std::string& file_name, const std::string& options,
                              const std::string& presets) {
  TOutputOptions record = MakeOutputOptions(file_name, options, presets);
  return SetOutput(task_index, file_name, &record);
}

int TCustomEncoder::SetOutput(int task_index, const TStream& stream, const std::string& private_data,
                              TOutputOptions* /*options*/) {
  if (!TaskForBuilding(task_index, "SetOutput")) return -1;
  FLastErrMsg = StreamNotSupportedMessage(MemoryStreamName(stream, private_data));
  return -1;
}

int TCustomEncoder::SetOutput(int task_index, const TStream& stream, const std::string& private_data,
                              const std::string& options, const std::string& presets) {
  TOutputOptions record = MakeOutputOptions({}, options, presets);
  return SetOutput(task_index, stream, private_data, &record);
}

// ---- Preparing and filter commands ------------------------------------------------------

bool TCustomEncoder::InitTask(int task_index) {
  const std::shared_ptr<TFFmpeg> task = FState->FFFmpegList.Item(task_index);
  if (!task) return false;
  try {
    // A deferred task opens its files now (on this thread), once.
    const bool ok = (Working() || task->OpenFilesForRun()) && task->PrepareTranscode();
    // The message is the task's own until it has started.
    if (!ok && !Working()) FLastErrMsg = task->FLastErrMsg;
    return ok;
  } catch (const std::exception& e) {
    FLastErrMsg = e.what();
    return false;
  }
}

bool TCustomEncoder::SendFilterCommand(int task_index, const std::string& target, const std::string& command,
                                       const std::string& argument, int flags) {
  // Held here: an automatic release may empty the entry meanwhile.
  const std::shared_ptr<TFFmpeg> task = FState->FFFmpegList.Item(task_index);
  if (!task || !InitTask(task_index)) return false;
  return task->SendFilterCommand(target, command, argument, flags);
}

bool TCustomEncoder::QueueFilterCommand(int task_index, const std::string& target, const std::string& command,
                                        const std::string& argument, int flags, double pts_s) {
  const std::shared_ptr<TFFmpeg> task = FState->FFFmpegList.Item(task_index);
  if (!task || !InitTask(task_index)) return false;
  return task->QueueFilterCommand(target, command, argument, flags, pts_s);
}

}  // namespace zentrova

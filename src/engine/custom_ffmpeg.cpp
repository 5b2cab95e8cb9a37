#include "engine/custom_ffmpeg.h"

#include <charconv>
#include <string_view>

#include "log/library_error_capture.h"
#include "log/logger.h"
#include "media/library_loader.h"
#include "options/option_apply.h"

namespace zentrova {

namespace {

// Some failures end with a pointer to the log, which names a component the
// user cannot look into: the log keeps it, the outcome the user reads not.
std::string WithoutLogPointer(std::string text) {
  constexpr std::string_view kPointer =
      "Please check error log message(reported by ZOVuzodi) to find out more detail information.";
  const std::size_t at = text.find(kPointer);
  if (at == std::string::npos) return text;
  text.erase(at, kPointer.size());
  while (!text.empty() && (text.back() == ' ' || text.back() == '.' || text.back() == ',')) text.pop_back();
  return text;
}

}  // namespace

TCustomFFmpeg::TCustomFFmpeg() {
  FFLoader().CheckLibAV(ConversionLibraries);
  // The option table is built by the first open: a task that waits in a
  // long batch holds none.
}

TCustomFFmpeg::~TCustomFFmpeg() {
  Stop();
  // Codecs still listed belong to a run that never released them.
  ReleaseEncoderList();
  CloseDecoderList();
}

void TCustomFFmpeg::Stop() {
  FBroken = true;
  FSuspender.Set();  // a paused run wakes up to see the request
}

void TCustomFFmpeg::Pause() {
  int running = 0;
  if (!FSuspended.compare_exchange_strong(running, 1)) return;
  FPauseTime = ff::av_gettime_relative();
  FSuspender.Reset();
}

void TCustomFFmpeg::Resume() {
  int paused = 1;
  if (!FSuspended.compare_exchange_strong(paused, 0)) return;
  FTotalPauseTime += ff::av_gettime_relative() - FPauseTime;
  FSuspender.Set();
}

void TCustomFFmpeg::RunConversion() {
  if (FConverting || FTerminated) return;
  FConverting = true;
  FFinished = false;
  // A run started by TFFmpegTask::StartConvert has its control state set
  // already, and a stop or pause may have come in since: only a direct call
  // starts from scratch.
  int never_started = -1;
  if (FSuspended.compare_exchange_strong(never_started, 0)) {
    FBroken = false;
    FPauseTime = 0;
    FTotalPauseTime = 0;
  }
  // The library's own error line is often the cause the user can act on;
  // the failure message carries it after the step's line.
  const TLibraryErrorCapture library_error;
  auto record = [this, &library_error](const std::string& text) {
    Log(TLogLevel::llFatal, text);
    FFatalException = true;
    FFatalMessage = library_error.WithCause(WithoutLogPointer(text));
  };
  try {
    if (!OpenFilesForRun()) throw FFmpegException(FLastErrMsg);
    if (Foutput_files.empty()) throw FFmpegException("At least one output file must be specified");
    if (!PrepareTranscode()) throw FFmpegException(FLastErrMsg);
    run_transcode();
  } catch (const std::exception& e) {
    record(e.what());
  }
  try {
    ReleaseEncoderList();
    CloseDecoderList();
    if (FTranscodeInitialized && !FTranscodeCleanuped) ReleaseTranscodeState();
    // A finished, stopped or incomplete run keeps its outputs; a failed one
    // leaves the files under the outputs' names as they were.
    const std::string error =
        CloseOutputWriters(FFatalException ? TOutputFate::ofDiscard : TOutputFate::ofKeep);
    if (!error.empty()) throw FFmpegException(error);
  } catch (const std::exception& e) {
    record(e.what());
  }
  FConverting = false;
  FTerminated = true;
  FlushThreadLogText();
}

void TCustomFFmpeg::RecordRunFailure(const std::string& message) {
  if (FRunFailure.empty()) FRunFailure = message;
}

void TCustomFFmpeg::input_audio_hook(TInputStream&, AVFrame*, std::int64_t) {}
void TCustomFFmpeg::pre_process_video_frame(TInputStream&, AVFrame*) {}
void TCustomFFmpeg::output_video_hooks(TOutputStream&, AVFrame*, std::int64_t, int) {}
void TCustomFFmpeg::output_audio_hook(TOutputStream&, AVFrame*, std::int64_t) {}

void TCustomFFmpeg::report_progress(int file_index, bool is_last, std::int64_t, std::int64_t) {
  if (!is_last || file_index != -1) return;
  std::int64_t total_size = 0;
  for (const std::unique_ptr<TOutputFile>& of : Foutput_files) {
    AVIOContext* pb = of && of->ctx ? of->ctx->pb : nullptr;
    if (!pb) continue;
    const std::int64_t size = ff::avio_size(pb);
    total_size += size > 0 ? size : ff::avio_seek(pb, 0, SEEK_CUR);
    if (FJoinMode) break;
  }
  log_final_statistics(total_size);
}

int TCustomFFmpeg::opt_VideoHookBitsPixel(Ctx*, Str, Str arg) {
  int bits = 0;
  const auto [end, ec] = std::from_chars(arg.data(), arg.data() + arg.size(), bits);
  std::string error;
  if (ec != std::errc() || end != arg.data() + arg.size())
    error = fmt::format("'{}' is not a valid integer value", arg);
  else if (bits != 8 && bits != 15 && bits != 16 && bits != 24 && bits != 32)
    error = fmt::format("Invalid BitsPixel {}", bits);
  if (!error.empty()) {
    last_error_text() = error;
    Log(TLogLevel::llError, error);
    return AVERROR(EINVAL);
  }
  FVideoHookBitsPixel = bits;
  return 0;
}

}  // namespace zentrova

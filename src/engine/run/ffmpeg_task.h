// TFFmpegTask: one conversion task with its run lifecycle, hooks, preview
// and progress.
//
// The transcoding engine (`TCustomFFmpeg`) converts on the thread that calls
// `RunConversion`. This class runs it on a worker thread of its own or on the
// calling thread, lets the owner pause, resume and stop it, reports its end
// exactly once through `OnTerminate`, and fills the engine's call points:
// audio, video and frame hooks on the input and the output side, the post
// hooks (preview window, preview bitmap), progress reports and the status
// line, and filter commands sent to the running graphs. The encoder
// component's task (`TFFmpeg`) derives from it.
//
// Life cycle: created → running (`StartConvert`) ⇄ paused → ended; or
// created → ended by `StopOrCancel` (the end is reported without a run).
// `StartConvert` works once; whatever way the task ends, everything it held
// is released before `OnTerminate`: an output is kept only when the run
// ended without an error (a plain local file's `.part` file then replaces
// its name), and nothing was created for a task that never ran.
//
// Threads:
//   * the owner's thread (normally the main thread) builds the task, assigns
//     the events and intervals (before `StartConvert`), and calls
//     `StartConvert`, `Pause`, `Resume`, `Stop`, `StopOrCancel`,
//     `ChangePostHooks`, the filter commands and the destructor;
//   * the run's thread raises every event, `OnTerminate` included; a task
//     cancelled before it started reports from a short-lived thread of its
//     own. Handlers that need the main thread hand over themselves.
//   * A main thread that waits (`Stop(swWait)`, `StopOrCancel(swWait)`, the
//     destructor) keeps serving the main-thread queue every 20 ms, so a run
//     that waits for the main thread (preview, an event handed over) goes on.
//   * `Stop(swWait)` on the run's own thread (from one of its handlers, or in
//     a run without a thread) does not wait for itself. The task may be
//     destroyed on the run's thread only from `OnTerminate`: nothing of it is
//     touched after that handler returns.
//
// Shared state: the phase, the thread id and the post-hook request are
// atomics; the stop and termination events live in a block shared with the
// threads that signal them; the engine's `FGraphLock` guards the library
// filter graphs between the run and the filter commands. Everything else belongs to the
// run's thread while a run is in progress.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "engine/run/convert_thread.h"
#include "engine/custom_ffmpeg.h"
#include "engine/run/hook_events.h"
#include "engine/run/previewer.h"
#include "log/threads.h"
#include "picture/format_converter.h"

namespace zentrova {

/// Where `StartConvert` runs the conversion.
enum class TRunThread { rtWorkerThread, rtCallingThread };

/// The output side's converter (shared by the output video hook and the post
/// hooks), the preview window and the preview times.
struct TPostHookContext {
  TFormatConverter Converter;
  std::unique_ptr<TPreviewer> Previewer;  ///< made on the first previewed picture
  std::int64_t preview_last_time = 0;     ///< av_gettime_relative of the last preview (µs)
  std::int64_t preview_cur_time = 0;
};

/// The converters of the input video hook and of the output side, and the
/// depth they were last set to (0: not yet).
struct THookPictures {
  TFormatConverter Input;
  TPostHookContext Output;
  int AppliedBitsPixel = 0;
};

class TFFmpegTask : public TCustomFFmpeg {
 public:
  /// Requires the encoder's libraries to be loaded (see TCustomFFmpeg).
  TFFmpegTask();
  /// Raises `OnDestroy`, stops a running conversion and waits for its end,
  /// waits for the termination report of a cancelled task, then frees
  /// everything. A derived class whose handlers use its own members calls
  /// `Stop(TStopWait::swWait)` first in its own destructor.
  ~TFFmpegTask() override;

  // ---- Control (owner's thread) --------------------------------------------

  /// Starts the conversion once: later calls, and calls after the task
  /// ended, do nothing. Without an output file the task ends at once on the
  /// calling thread with the fatal message "At least one output file must
  /// be specified". With `rtCallingThread` the call returns after the run.
  void StartConvert(TRunThread where = TRunThread::rtWorkerThread,
                    TThreadPriority priority = TThreadPriority::tpNormal);
  /// Asks the run to stop at its next loop pass (a paused run wakes up for
  /// it); the run still flushes and writes the trailers, and ends with
  /// `Finished` false. With `swWait` returns once the run's thread is done
  /// (not on the run's own thread, and not for a task never started).
  void Stop(TStopWait wait = TStopWait::swNoWait);
  /// A running task: `Stop(wait)`. A task never started: ends it without a
  /// run, reporting `OnTerminate` from a thread of its own (with `swWait`
  /// after that report). An ended task: nothing.
  void StopOrCancel(TStopWait wait);

  /// True from `StartConvert` until the run has ended.
  bool Converting() const { return FPhase.load() == TRunPhase::Running; }
  /// True once the end has been reported (exactly once per task).
  bool Terminated() const { return FTerminationReported.load(); }
  /// Kernel id of the thread that runs the conversion (0 before the start).
  unsigned ThreadID() const;

  // ---- Post hooks and hook settings -------------------------------------------

  /// Requests post hooks; any thread, at any time, never blocks. The run
  /// applies the request at its next output picture (removing phPreview
  /// closes the preview window then).
  void ChangePostHooks(TPostHooks hooks);
  /// The post hooks as last requested (or as the run left them).
  TPostHooks PostHooks() const;
  /// Depth of the hook bitmaps: 8, 15, 16, 24 or 32; anything else throws
  /// std::invalid_argument "Invalid BitsPixel %d". Before the run.
  void SetVideoHookBitsPixel(int bits);

  // ---- Filter commands (owner's thread) ------------------------------------------

  /// Sends a command to every filter graph of the task now. False (with
  /// `FLastErrMsg`) when a graph answered an error or the graphs are gone.
  bool SendFilterCommand(const std::string& target, const std::string& command, const std::string& argument,
                         int flags);
  /// Queues a command for the graphs' time `time_s` (seconds). False (with
  /// `FLastErrMsg`) when a graph refused it or the graphs are gone.
  bool QueueFilterCommand(const std::string& target, const std::string& command, const std::string& argument,
                          int flags, double time_s);

  // ---- Events and intervals (assign before StartConvert) --------------------

  TFFAudioHookEvent OnInputAudioHook;
  TFFAudioHookEvent OnOutputAudioHook;
  TFFVideoHookEvent OnInputVideoHook;
  TFFVideoHookEvent OnOutputVideoHook;
  TFFFrameHookEvent OnInputFrameHook;
  TFFFrameHookEvent OnOutputFrameHook;
  TFFPreviewBitmapEvent OnPreviewBitmap;
  TFFProgressEvent OnProgress;
  TNotifyEvent OnTerminate;
  TNotifyEvent OnDestroy;
  /// Microseconds between two progress reports (the last one comes anyway).
  std::int64_t FReportInterval = 500000;
  /// Microseconds between two previewed pictures.
  std::int64_t FPreviewInterval = 100000;

 protected:
  // ---- The engine's call points (run's thread) -------------------------------

  bool AudioHookAssigned() const override;
  bool VideoHookAssigned() const override;
  bool FrameHookAssigned() const override;
  bool PostHooksRequested() const override;
  void input_audio_hook(TInputStream& ist, AVFrame* frame, std::int64_t pts_us) override;
  void pre_process_video_frame(TInputStream& ist, AVFrame* frame) override;
  void output_video_hooks(TOutputStream& ost, AVFrame* frame, std::int64_t pts_us, int frame_number) override;
  void output_audio_hook(TOutputStream& ost, AVFrame* frame, std::int64_t pts_us) override;
  void report_progress(int file_index, bool is_last, std::int64_t cur_time,
                       std::int64_t timer_start) override;

 private:
  enum class TRunPhase { Created, Running, Ended };
  enum class THookSide { Input, Output };

  // Signalled by the threads of the task; shared with them so that a
  // signal never touches a destroyed task.
  struct TRunSignals {
    TManualResetEvent FStopEvent{true};  ///< reset while a run is in progress
    TManualResetEvent FTermEvent{true};  ///< reset while a cancelled task's end is being reported
  };

  // ---- Lifecycle (ffmpeg_task.cpp) ----
  /// The run on the current thread: convert, release, report.
  void RunAndReport();
  /// Raises OnTerminate once; the phase becomes Ended.
  void ReportTermination();
  /// Frees what the run held: graphs, files, streams, hook buffers, preview.
  void ReleaseAll();
  /// True on a thread of this task (the run's, or the cancel report's).
  bool OnOwnThread() const;

  // ---- Hooks (video_hooks.cpp) ----
  /// Converts `frame` into the side's bitmap and raises the side's video
  /// hook; writes the drawing back when asked. Gives whether the
  /// converter's bitmap shows the picture.
  bool call_video_hook(THookSide side, TFormatConverter& converter, AVFrame* frame, int frame_number,
                       std::int64_t pts_us);
  /// Raises the frame hook with the frame's planes.
  void call_frame_hook(const TFFFrameHookEvent& hook, AVFrame* frame, int frame_number, std::int64_t pts_us);
  /// The hook pictures, made when missing, their converters at the depth
  /// set by option or by SetVideoHookBitsPixel.
  THookPictures& HookPictures();
  void call_audio_hook(const TFFAudioHookEvent& hook, AVFrame* frame, std::int64_t pts_us,
                       const AVCodecContext* ctx);

  // ---- Post hooks (post_hooks.cpp) ----
  void run_post_hooks(AVFrame* frame, bool current, std::int64_t pts_us, int frame_number);
  /// Makes `hooks` the run's post hooks; leaving phPreview frees the window.
  void SetPostHooks(TPostHooks hooks);
  /// Converts the picture for a preview when the bitmap does not show it yet.
  bool PreparePreviewBitmap(AVFrame* frame, bool current);

  // ---- Progress (progress_report.cpp) ----
  void WriteProgressTarget(const std::string& text, bool is_last);

  std::shared_ptr<TRunSignals> FSignals = std::make_shared<TRunSignals>();
  std::atomic<TRunPhase> FPhase{TRunPhase::Created};
  std::atomic<bool> FTerminationReported{false};
  std::atomic<unsigned> FThreadID{0};  // a run on the calling thread: that thread
  // Started by the owner's thread, joined by the destructor. Declared last
  // among the lifecycle members so that they are joined first.
  TConvertThread FConvertThread;
  TConvertThread FTerminateThread;

  // Hooks: the run's thread's. The pictures are made for the run's first
  // hooked or previewed picture and freed with the run: a task waiting in a
  // long batch holds no converter, bitmap or scaler.
  std::unique_ptr<THookPictures> FHookPictures;
  bool FInputVideoHookStopped = false;  // the input video hook asked to stop or failed
  bool FOutputVideoHookStopped = false;

  // Post hooks: the request is any thread's, the set the run's.
  static constexpr int kNoRequest = -1;
  std::atomic<int> FPostHooksRequest{kNoRequest};
  std::atomic<unsigned> FPostHooksBits{0};  // mirror of FPostHooks for PostHooks()
  TPostHooks FPostHooks;
  bool FPostHooksChanged = false;

  // Progress: the run's thread's.
  std::int32_t Fqp_histogram[52] = {};

  // The run has freed its filter graphs; guarded by FGraphLock.
  bool FGraphsFreed = false;
};

}  // namespace zentrova

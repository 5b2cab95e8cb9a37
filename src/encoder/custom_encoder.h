// TCustomEncoder: the component a caller converts media with.
//
// It holds an ordered list of tasks (`TFFmpeg`: one conversion engine each,
// with one or more inputs and outputs given as a file name plus an option
// string), runs them — several at once on worker threads, or one after the
// other on the caller's thread — lets the caller pause, resume and stop the
// run, and turns the engines' events into its own events with a task index.
// Every operation that adds an input or an output opens it at once, so a bad
// file or option is reported when the task is built, not when it runs. In
// deferred-open mode (`SetDeferredOpen`, for long batches) a task's files
// are opened once when its output is set, to report a bad file or option
// then, closed again, and opened for good only when the task is about to
// run: open files and memory grow with the tasks running at once, not with
// the length of the list. Such a task has no decoders (`TFFmpeg::Decoder`).
//
// Use: `LoadAVLib`; per task `AddTask`, any `AddInput`, one or more
// `SetOutput`; `Start(n)`; after the final termination event (task index
// -1) `ClearTasks` before building the next run.
//
// Failures: building operations return a negative value with the reason in
// `LastErrMsg`; misuse throws std::runtime_error ("FFmpeg libraries not
// loaded.", "Cannot %s while working.", "Cannot ClearTasks while working.");
// an index outside the list throws std::out_of_range.
//
// Threads:
//   * every operation and setter is for the main thread (the thread that
//     attached itself as main, see log/main_thread.h);
//   * the audio, video and frame hooks run on the task's own thread (the
//     engine waits for their answer), one handler kind at a time;
//   * progress, preview and before-find-stream-info events run on the main
//     thread when `TriggerEventInMainThread` (the default) — the worker
//     waits until the main thread has run them — else on the task's thread,
//     one at a time;
//   * terminations are queued by the task's thread, which never waits for
//     the main thread, and delivered in order by the encoder's one delivery
//     thread (on the main thread when `TriggerEventInMainThread`): the task
//     events in the order the tasks ended, then the event with task index -1,
//     never two at once. A run on the caller's thread (`Start(0)`) delivers
//     them on that thread inside `Start`, in list order, the -1 event last.
//   * Handlers are never called with an encoder lock held that the main
//     thread could need, so a handler may call `Stop`, `Pause` and the
//     setters. A main thread that waits (`Stop` with waiting, `Start(0)`'s
//     end, destruction) keeps serving the main-thread queue.
//
// Lifetime: destroying the encoder clears its events, stops every task and
// waits for it, drops the terminations not yet delivered and joins the
// delivery thread; no event arrives afterwards. Do not destroy the encoder
// from inside one of its own events.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "encoder/encoder_events.h"
#include "encoder/event_slot.h"
#include "encoder/stream_source.h"
#include "encoder/task_options.h"
#include "log/base_component.h"
#include "log/threads.h"

namespace zentrova {

// The engine behind the tasks stays inside the library: callers hold these
// by pointer only (encoder/encoder_task.h is the library's own header).
class TCustomFFmpegOpt;
class TFFmpegTask;
class TFFmpeg;
class TRIDarivir;
struct TTerminateItem;

class TCustomEncoder : public TFFBaseComponent {
 public:
  TCustomEncoder();
  /// Shutdown().
  ~TCustomEncoder() override;

  const char* ClassName() const override { return "TCustomEncoder"; }

  // ---- Media libraries ---------------------------------------------------------

  /// Loads the encoder's libraries from `path` (empty: the system's search
  /// order), then the optional hardware library (its absence is a warning).
  /// False with the loader's message in `LastErrMsg`.
  bool LoadAVLib(const std::string& path);
  bool AVLibLoaded() const;
  /// Whether LoadAVLib also loads the device library, which makes capture
  /// and playback devices (cameras, screens, sound cards, filter-graph
  /// sources) available as formats. On by default; a caller that converts
  /// files only can leave it off and start faster. Set it before LoadAVLib.
  bool DeviceFormats() const;
  void SetDeviceFormats(bool value);
  /// Unloads the encoder's libraries (closing the component's decoder's
  /// file first). Refused with std::runtime_error while working or while
  /// tasks exist: "Cannot UnloadAVLib while working.", "Cannot UnloadAVLib
  /// while tasks exist.".
  void UnloadAVLib();

  // ---- Building tasks (idle) ---------------------------------------------------

  /// A new task with one input; its index, or a negative value (library
  /// error code or -1) with `LastErrMsg`. With `options`, its empty
  /// `FileName` is filled from `file_name` and the task keeps a copy.
  int AddTask(const std::string& file_name, TInputOptions* options = nullptr);
  int AddTask(const std::string& file_name, const std::string& options, const std::string& presets);
  /// Stream forms: refused (-1, see stream_source.h).
  int AddTask(const TStream& stream, const std::string& private_data, TInputOptions* options);
  int AddTask(const TStream& stream, const std::string& private_data, const std::string& options,
              const std::string& presets);

  /// One more input for the task; the input's index in the task, or a
  /// negative value with `LastErrMsg` ("The task #%d had been released." for
  /// an empty entry). A failure leaves the task as it was.
  int AddInput(int task_index, const std::string& file_name, TInputOptions* options = nullptr);
  int AddInput(int task_index, const std::string& file_name, const std::string& options,
               const std::string& presets);
  int AddInput(int task_index, const TStream& stream, const std::string& private_data,
               TInputOptions* options);
  int AddInput(int task_index, const TStream& stream, const std::string& private_data,
               const std::string& options, const std::string& presets);

  /// Adds an output to the task; non-negative on success, else a negative
  /// value with `LastErrMsg`. The record's hook flags connect the task's
  /// hooks; the string form takes them (and `Join`) from hook words in the
  /// option text ("-VideoInputHook", without regard to case).
  int SetOutput(int task_index, const std::string& file_name, TOutputOptions* options = nullptr);
  int SetOutput(int task_index, const std::string& file_name, const std::string& options,
                const std::string& presets);
  int SetOutput(int task_index, const TStream& stream, const std::string& private_data,
                TOutputOptions* options);
  int SetOutput(int task_index, const TStream& stream, const std::string& private_data,
                const std::string& options, const std::string& presets);

  /// Prepares the task's transcode (at most once); false for an empty entry
  /// or when the preparation failed (`LastErrMsg`).
  bool InitTask(int task_index);
  /// A filter command to the task's graphs (preparing the task first); false
  /// when the task cannot be prepared or a graph refused the command.
  bool SendFilterCommand(int task_index, const std::string& target, const std::string& command,
                         const std::string& argument, int flags);
  bool QueueFilterCommand(int task_index, const std::string& target, const std::string& command,
                          const std::string& argument, int flags, double pts_s);

  /// Frees every task; back to idle. Refused while a run is in progress.
  void ClearTasks();
  /// Frees the task and removes its entry (later entries move down).
  void RemoveTask(int task_index);
  void Exchange(int task_index1, int task_index2);
  /// The index of `task`; -1 when it is not in the list.
  int GetTaskIndex(const TFFmpegTask* task) const;
  /// The task at `task_index` (null for a released entry). Owned by the
  /// list: valid until the task is released (RemoveTask, ClearTasks, the
  /// automatic release after its termination event, destruction).
  TFFmpeg* GetTask(int task_index) const;
  /// Entries, released ones included.
  int TasksCount() const;

  // ---- Running -------------------------------------------------------------------

  /// Runs the list. `thread_count` > 0: at most that many tasks at once, each
  /// on its worker, in list order; returns at once. Otherwise every task runs
  /// on the calling thread, one after the other, and the call returns after
  /// the final event. Throws "Cannot StartTask while working." when a run was
  /// started since the last `ClearTasks`.
  void Start(int thread_count);
  /// Pauses every task of a run (once).
  void Pause();
  /// Resumes a paused run.
  void Resume();
  /// No further task starts; every started task is stopped and every waiting
  /// one ends without running; each still reports its end, then the final
  /// event follows. With `swWait` returns when every task has ended.
  void Stop(TStopWait wait);

  // ---- Properties ------------------------------------------------------------------

  const std::string& LastErrMsg() const { return FLastErrMsg; }
  void* UserData() const { return FData; }
  void SetUserData(void* value) { FData = value; }
  /// Free each task right after its termination event (thread mode, with an
  /// `OnTerminate` handler); its entry stays, empty. Default false.
  bool AutoReleaseTask() const { return FAutoReleaseTask.load(); }
  void SetAutoReleaseTask(bool value) { FAutoReleaseTask.store(value); }
  /// Files of tasks added from now on are opened when the task runs (see
  /// the top of this header). Default false: opened when added.
  bool DeferredOpen() const { return FDeferredOpen; }
  void SetDeferredOpen(bool value) { FDeferredOpen = value; }
  /// An invalid option fails the open (default true); else it is logged.
  bool HaltOnInvalidOption() const { return FHaltOnInvalidOption; }
  void SetHaltOnInvalidOption(bool value) { FHaltOnInvalidOption = value; }
  /// Tasks paint a preview window (default false).
  bool Preview() const { return FPreview; }
  void SetPreview(bool value);
  /// Tasks raise `OnPreviewBitmap` (default false).
  bool PreviewBitmap() const { return FPreviewBitmap; }
  void SetPreviewBitmap(bool value);
  /// Milliseconds between previews (default 100); 10 or less becomes 10.
  int PreviewInterval() const { return FPreviewInterval; }
  void SetPreviewInterval(int value_ms);
  /// Milliseconds between progress reports (default 500); 10 or less becomes 10.
  int ProgressInterval() const { return FProgressInterval; }
  void SetProgressInterval(int value_ms);
  TThreadPriority ThreadPriority() const { return FThreadPriority.load(); }
  void SetThreadPriority(TThreadPriority value) { FThreadPriority.store(value); }
  /// Progress, preview, termination and before-find-stream-info events on
  /// the main thread (default true).
  bool TriggerEventInMainThread() const { return FTriggerEventInMainThread.load(); }
  void SetTriggerEventInMainThread(bool value) { FTriggerEventInMainThread.store(value); }
  /// Passed on to the tasks that have not started (the engine reads them
  /// while it runs); new tasks take them.
  void SetReadTimeout(int value_ms) override;
  void SetWriteTimeout(int value_ms) override;
  /// The component's own decoder (include decoder/ridarivir.h to use it).
  TRIDarivir& Decoder();
  /// The last run has ended (every task reported).
  bool Terminated() const;
  /// A run was started since the last `ClearTasks`.
  bool Working() const { return FWorking.load(); }
  bool Paused() const { return FPaused.load(); }

  // ---- Events (see the thread rules above) ------------------------------------------

  void SetOnAudioInputHook(TEncAudioHookEvent handler) { FOnInputAudioHook.Set(std::move(handler)); }
  void SetOnAudioOutputHook(TEncAudioHookEvent handler) { FOnOutputAudioHook.Set(std::move(handler)); }
  void SetOnBeforeFindStreamInfo(TEncBeforeFindStreamInfoEvent handler) {
    FOnBeforeFindStreamInfo.Set(std::move(handler));
  }
  void SetOnVideoInputHook(TEncVideoHookEvent handler) { FOnInputVideoHook.Set(std::move(handler)); }
  void SetOnVideoOutputHook(TEncVideoHookEvent handler) { FOnOutputVideoHook.Set(std::move(handler)); }
  void SetOnPreviewBitmap(TEncPreviewBitmapEvent handler) { FOnPreviewBitmap.Set(std::move(handler)); }
  void SetOnProgress(TEncProgressEvent handler) { FOnProgress.Set(std::move(handler)); }
  void SetOnTerminate(TTerminateEvent handler) { FOnTerminate.Set(std::move(handler)); }
  /// Without a handler a held output name fails its task.
  void SetOnOutputNameHeld(TOutputNameHeldEvent handler) { FOnOutputNameHeld.Set(std::move(handler)); }
  /// For the tasks: the caller's next name for a task's held output name
  /// (task's thread); empty when there is none.
  std::string HandleOutputNameHeld(TFFmpeg* sender, const std::string& held_name);
  void SetOnFrameInputHook(TEncFrameHookEvent handler) { FOnInputFrameHook.Set(std::move(handler)); }
  void SetOnFrameOutputHook(TEncFrameHookEvent handler) { FOnOutputFrameHook.Set(std::move(handler)); }

 protected:
  // ---- Engine event handlers (custom_encoder_events.cpp) --------------------------
  // Each adds the task's index, fills the record it owns under its own lock
  // and calls the caller's event; it returns at once when that is not
  // assigned.

  virtual void HandleInputAudioHook(TFFmpegTask* sender, std::int64_t pts_us, AVFrame* frame, int size,
                                    int sample_rate, int channels, AVSampleFormat sample_format);
  virtual void HandleOutputAudioHook(TFFmpegTask* sender, std::int64_t pts_us, AVFrame* frame, int size,
                                     int sample_rate, int channels, AVSampleFormat sample_format);
  virtual void HandleInputVideoHook(TFFmpegTask* sender, TBitmap& bitmap, int frame_number,
                                    std::int64_t pts_us, bool& update, bool& stop_hook);
  virtual void HandleOutputVideoHook(TFFmpegTask* sender, TBitmap& bitmap, int frame_number,
                                     std::int64_t pts_us, bool& update, bool& stop_hook);
  virtual void HandleInputFrameHook(TFFmpegTask* sender, TAVPicture& picture, AVPixelFormat pix_fmt,
                                    int frame_number, int width, int height, std::int64_t pts_us);
  virtual void HandleOutputFrameHook(TFFmpegTask* sender, TAVPicture& picture, AVPixelFormat pix_fmt,
                                     int frame_number, int width, int height, std::int64_t pts_us);
  virtual void HandlePreviewBitmap(TFFmpegTask* sender, const TBitmap& bitmap, int frame_number,
                                   std::int64_t pts_us);
  virtual void HandleProgress(TFFmpegTask* sender, int file_index, int frame_number, int fps, float quality,
                              float bit_rate, std::int64_t current_size, std::int64_t current_duration,
                              std::int64_t total_duration);
  virtual void HandleBeforeFindStreamInfo(TCustomFFmpegOpt* sender, AVFormatContext* format_context);
  virtual void HandleTerminate(TFFmpegTask* sender);

  /// Clears the events, stops every task and waits for it, drops the
  /// terminations not yet delivered and frees the tasks (once). The workers
  /// call the virtual handlers until then: a derived class calls this first
  /// in its own destructor, while the whole object still exists.
  void Shutdown();

 private:
  // custom_encoder_build.cpp
  void CheckWorking(const char* operation) const;
  void CheckLibrariesLoaded() const;
  /// The task at `task_index` for `operation`: null with "The task #%d had
  /// been released." for an empty entry; throws while working.
  std::shared_ptr<TFFmpeg> TaskForBuilding(int task_index, const char* operation);
  /// Settings every open takes from the component (error text, option halt,
  /// time-outs).
  void PrepareForOpen(TFFmpeg& task) const;
  /// Opens one more input of `task`; the engine's result.
  int OpenInput(TFFmpeg& task, const std::string& file_name, TInputOptions* options);
  int OpenOutput(TFFmpeg& task, const std::string& file_name, TOutputOptions* options);
  /// Opens the deferred files of `task` on a scratch task; the error, or
  /// empty when every one opened.
  std::string CheckPendingOpens(const TFFmpeg& task) const;
  void ConnectHooks(TFFmpeg& task, const TOutputOptions& options);

  // custom_encoder_run.cpp, custom_encoder_events.cpp
  void RunOnCallingThread();
  /// The run on the calling thread has more to run or deliver; false (and
  /// over) when it ended or a handler started another run.
  bool CallerRunGoesOn();
  /// Starts the task at `index` on its worker (under FTerminateLock).
  void StartTaskThread(int index);
  /// The end of the run: the -1 event (under FTerminateLock).
  void AllTasksDone();
  /// Routes a termination record: to the caller's-thread run, or to the
  /// delivery thread with the automatic release of `task` (under FTerminateLock).
  void QueueTermination(const TTerminateInfo& info, const std::weak_ptr<TFFmpeg>& task);
  /// Delivers one record to OnTerminate on the delivery thread.
  void DeliverTermination(const TTerminateItem& item);
  /// Caller's-thread run: delivers the records queued so far, in order.
  void DeliverCallerRecords();
  /// Waits (serving the main-thread queue) until no termination is queued or
  /// being delivered, except a delivery that is running this very call.
  void WaitForDeliveries();
  /// True when an event is to be handed to the main thread (the trigger is
  /// set and this is not the main thread).
  bool HandsOver() const;
  /// Runs `call` on the main thread and waits for it, marking `sender` as
  /// waiting for the main thread meanwhile.
  void HandOver(const TFFmpegTask* sender, const std::function<void()>& call);
  /// True when the main thread is serving an event of `task` right now (the
  /// task's thread waits for it: waiting for that task would never end).
  bool ServingEventOf(const TFFmpegTask* task) const;
  /// Stops (or cancels, when never started) each of `tasks`; with `swWait`
  /// waits for each, except a task whose event this thread is serving.
  void StopAllTasks(const std::vector<std::shared_ptr<TFFmpeg>>& tasks, TStopWait wait);

  // Main thread's:
  std::string FLastErrMsg;
  void* FData = nullptr;
  bool FHaltOnInvalidOption = true;
  bool FDeferredOpen = false;
  bool FPreview = false;
  bool FPreviewBitmap = false;
  std::int32_t FPreviewInterval = 100;
  std::int32_t FProgressInterval = 500;
  /// Tasks whose event the main thread is serving right now (nested when a
  /// handler waits); main thread only.
  std::vector<const TFFmpegTask*> FServedEvents;
  /// A delivery thread's OnTerminate is running on the main thread.
  int FTerminateEventDepth = 0;
  bool FShutDown = false;

  // Any thread's:
  std::atomic<bool> FAutoReleaseTask{false};
  std::atomic<bool> FTriggerEventInMainThread{true};
  std::atomic<bool> FWorking{false};
  std::atomic<bool> FPaused{false};
  std::atomic<TThreadPriority> FThreadPriority{TThreadPriority::tpNormal};

  // The caller's events: replaced by the main thread, raised by any thread.
  TEventSlot<void(TCustomEncoder*, int, std::int64_t, AVFrame*, int, int, int, AVSampleFormat)>
      FOnInputAudioHook;
  TEventSlot<void(TCustomEncoder*, int, std::int64_t, AVFrame*, int, int, int, AVSampleFormat)>
      FOnOutputAudioHook;
  TEventSlot<void(TFFmpeg*, AVFormatContext*)> FOnBeforeFindStreamInfo;
  TEventSlot<void(TCustomEncoder*, THookInfo&)> FOnInputVideoHook;
  TEventSlot<void(TCustomEncoder*, THookInfo&)> FOnOutputVideoHook;
  TEventSlot<void(TCustomEncoder*, const TPreviewInfo&)> FOnPreviewBitmap;
  TEventSlot<void(TCustomEncoder*, TProgressInfo&)> FOnProgress;
  TEventSlot<void(TCustomEncoder*, const TTerminateInfo&)> FOnTerminate;
  TEventSlot<std::string(TCustomEncoder*, int, const std::string&)> FOnOutputNameHeld;
  TEventSlot<void(TCustomEncoder*, TFrameHookInfo&)> FOnInputFrameHook;
  TEventSlot<void(TCustomEncoder*, TFrameHookInfo&)> FOnOutputFrameHook;

  // One lock and one record per handler kind. Each lock guards its record
  // and serialises the callers of its handlers; never two held together.
  std::recursive_mutex FAudioHookLock;
  std::recursive_mutex FPreviewLock;
  std::recursive_mutex FProgressLock;
  std::recursive_mutex FVideoHookLock;
  std::recursive_mutex FFrameHookLock;
  std::recursive_mutex FFindStreamLock;
  THookInfo FVideoHookInfo;                     // guarded by FVideoHookLock
  TFrameHookInfo FFrameHookInfo;                // guarded by FFrameHookLock
  TPreviewInfo FPreviewInfo;                    // guarded by FPreviewLock
  TProgressInfo FProgressInfo;                  // guarded by FProgressLock
  TFFmpeg* FSender = nullptr;                   // guarded by FFindStreamLock
  AVFormatContext* FAVFormatContext = nullptr;  // guarded by FFindStreamLock

  /// Guards the run counters (in FState's schedule), FCallerRecords and
  /// FCallerRunActive. Taken by Start, Stop, ClearTasks and the termination
  /// handler; never held while a caller's handler runs or while waiting.
  std::recursive_mutex FTerminateLock;
  std::deque<TTerminateInfo> FCallerRecords;  // guarded by FTerminateLock
  bool FCallerRunActive = false;              // guarded by FTerminateLock

  /// The component's decoder, the task list, the run schedule and the
  /// termination delivery (custom_encoder_state.h). Declared last: made once
  /// everything it uses exists, its delivery thread stopped first.
  struct TState;
  std::unique_ptr<TState> FState;
};

}  // namespace zentrova

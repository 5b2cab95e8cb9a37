#include "engine/run/ffmpeg_task.h"

#include <exception>
#include <string>

#include "log/logger.h"
#include "log/main_thread.h"

namespace zentrova {

TFFmpegTask::TFFmpegTask() = default;

TFFmpegTask::~TFFmpegTask() {
  if (OnDestroy) {
    try {
      OnDestroy(this);
    } catch (const std::exception& e) {
      Log(TLogLevel::llError, std::string("Error occurs OnDestroy event: ") + e.what());
    } catch (...) {
      Log(TLogLevel::llError, "Error occurs OnDestroy event.");
    }
  }
  Stop(TStopWait::swWait);
  // A cancelled task's report may still be on its way; it uses this task.
  if (!FTerminateThread.IsCurrent()) {
    const std::shared_ptr<TRunSignals> signals = FSignals;
    MainThreadWait([&signals] { return signals->FTermEvent.IsSet(); }, -1);
  }
  // Nothing runs any more (or this is the run's last handler): let go of
  // what the task still holds, e.g. the output of a task that never ran.
  try {
    ReleaseAll();
  } catch (const std::exception& e) {
    Log(TLogLevel::llError, e.what());
  }
}

void TFFmpegTask::StartConvert(TRunThread where, TThreadPriority priority) {
  TRunPhase created = TRunPhase::Created;
  if (!FPhase.compare_exchange_strong(created, TRunPhase::Running)) return;  // runs once
  if (!HasOutputs()) {
    // Reported at once on the caller's thread (the run records the message).
    FThreadID = CurrentThreadId();
    RunAndReport();
    return;
  }
  // The control state is set before any thread starts, so that a Stop or
  // Pause issued right after this call applies to the run.
  FBroken = false;
  FSuspended = 0;
  FPauseTime = 0;
  FTotalPauseTime = 0;
  FSignals->FStopEvent.Reset();
  const std::shared_ptr<TRunSignals> signals = FSignals;
  if (where == TRunThread::rtCallingThread) {
    FThreadID = CurrentThreadId();
    RunAndReport();  // OnTerminate may have destroyed this task: touch nothing after it
    signals->FStopEvent.Set();
    return;
  }
  FConvertThread.Start(
      [this, signals] {
        RunAndReport();  // likewise
        signals->FStopEvent.Set();
      },
      priority);
}

void TFFmpegTask::RunAndReport() {
  TCustomFFmpeg::RunConversion();
  try {
    ReleaseAll();
  } catch (const std::exception& e) {
    Log(TLogLevel::llQuiet, e.what());
    FFatalException = true;
    FFatalMessage = e.what();
  }
  ReportTermination();
}

void TFFmpegTask::ReportTermination() {
  if (FTerminationReported.exchange(true)) return;
  FPhase = TRunPhase::Ended;
  // A copy: the handler may destroy this task, and its own event with it.
  const TNotifyEvent handler = OnTerminate;
  if (!handler) return;
  try {
    handler(this);
  } catch (const std::exception& e) {
    // The handler may have freed the task before it threw: log only.
    Log(TLogLevel::llError, std::string("Error occurs OnTerminate event: ") + e.what());
  } catch (...) {
    Log(TLogLevel::llError, "Error occurs OnTerminate event.");
  }
}

void TFFmpegTask::Stop(TStopWait wait) {
  TCustomFFmpeg::Stop();
  if (wait == TStopWait::swNoWait || FPhase.load() == TRunPhase::Created) return;
  if (OnOwnThread()) return;  // the run cannot end while its own thread waits here
  const std::shared_ptr<TRunSignals> signals = FSignals;
  MainThreadWait([&signals] { return signals->FStopEvent.IsSet(); }, -1);
}

void TFFmpegTask::StopOrCancel(TStopWait wait) {
  TRunPhase created = TRunPhase::Created;
  if (!FPhase.compare_exchange_strong(created, TRunPhase::Ended)) {
    if (FPhase.load() == TRunPhase::Running) Stop(wait);
    return;
  }
  // Never started: report the end from a thread of its own, as a run would.
  const std::shared_ptr<TRunSignals> signals = FSignals;
  signals->FTermEvent.Reset();
  FTerminateThread.Start(
      [this, signals] {
        ReportTermination();  // may destroy this task: touch nothing after it
        signals->FTermEvent.Set();
      },
      TThreadPriority::tpNormal);
  if (wait == TStopWait::swWait) MainThreadWait([&signals] { return signals->FTermEvent.IsSet(); }, -1);
}

unsigned TFFmpegTask::ThreadID() const {
  return FConvertThread.Started() ? FConvertThread.ThreadID() : FThreadID.load();
}

bool TFFmpegTask::OnOwnThread() const {
  return FConvertThread.IsCurrent() || FTerminateThread.IsCurrent() || FThreadID.load() == CurrentThreadId();
}

void TFFmpegTask::ReleaseAll() {
  // Output streams first: they unbind the graph outputs that fed them.
  FreeOutputStreams();
  {
    std::lock_guard lock(FGraphLock);
    FGraphsFreed = true;
    Ffiltergraphs.clear();
  }
  // A task prepared but never run, or a run that ended without reaching
  // its own close: nothing of it replaces an output.
  CloseOutputWriters(TOutputFate::ofDiscard);
  Foutput_files.clear();
  Finput_streams.clear();
  Finput_files.clear();
  FHookPictures.reset();  // the preview window closes on the main thread
}

}  // namespace zentrova

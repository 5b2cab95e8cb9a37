#include "cli/batch_runner.h"

#include <fmt/format.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "cli/interrupt.h"
#include "convert/library_names.h"
#include "encoder/derodorir.h"
#include "log/main_thread.h"

namespace zentrova::cli {
namespace {

namespace fs = std::filesystem;

// Size in bytes of a regular file; -1 when there is none.
std::int64_t SizeOf(const std::string& path) {
  std::error_code error;
  if (!fs::is_regular_file(fs::path(path), error)) return -1;
  const std::uintmax_t size = fs::file_size(fs::path(path), error);
  return error ? -1 : static_cast<std::int64_t>(size);
}

}  // namespace

TBatchRunner::TBatchRunner(TDERodorir& encoder, TProgressView& view, TExistingOutputs existing)
    : encoder_(encoder), view_(view), held_names_(existing) {
  // A batch of any length keeps open only the files of its running tasks.
  encoder_.SetDeferredOpen(true);
  // An ended task's engine is freed at once: only the rows keep its result.
  encoder_.SetAutoReleaseTask(true);
}

TBatchRunner::~TBatchRunner() {
  // The handlers point at this runner.
  encoder_.SetOnProgress(nullptr);
  encoder_.SetOnTerminate(nullptr);
  encoder_.SetOnOutputNameHeld(nullptr);
}

void TBatchRunner::AddPlanned(const TPlannedTask& planned) {
  for (const std::string& warning : planned.Warnings) view_.LogLine("warning: " + warning);
  if (!planned.Error.empty()) {
    view_.Added(batch_, batch_.AddFailed(planned.Source, planned.Error, planned.SourceDurationUs));
    return;
  }
  const std::string& output = planned.Output.FileName;
  TInputOptions first = planned.Inputs.front();
  const int task = encoder_.AddTask(app::InputUrl(first.FileName), &first);
  std::string error;
  if (task < 0) error = encoder_.LastErrMsg();
  for (std::size_t i = 1; error.empty() && i < planned.Inputs.size(); ++i) {
    TInputOptions more = planned.Inputs[i];
    if (encoder_.AddInput(task, app::InputUrl(more.FileName), &more) < 0)
      error = fmt::format("{}: {}", more.FileName, encoder_.LastErrMsg());
  }
  if (error.empty()) {
    TOutputOptions out = planned.Output;
    if (encoder_.SetOutput(task, app::LocalFileUrl(out.FileName), &out) < 0) error = encoder_.LastErrMsg();
  }
  if (error.empty()) {
    held_names_.AddTask(task, output, planned.OutputNamedByUser);
    view_.Added(batch_, batch_.AddTask(planned.Source, output, task, planned.SourceDurationUs));
    return;
  }
  // The newest task is the last entry: removing it shifts no other index.
  if (task >= 0) encoder_.RemoveTask(task);
  if (error.empty()) error = "the encoder refused the task without a reason";
  view_.Added(batch_, batch_.AddFailed(planned.Source, error, planned.SourceDurationUs));
}

void TBatchRunner::OnTerminate(const TTerminateInfo& report) {
  const std::vector<int> before = batch_.RunningRows();
  const TClock::time_point now = TClock::now();
  const int row = batch_.Terminate(report, now);
  if (row < 0) return;
  batch_.SetOutput(row, held_names_.Output(report.TaskIndex));
  RecordOutputSize(row);
  view_.Ended(batch_, row, now);
  for (int started : batch_.RunningRows())
    if (std::find(before.begin(), before.end(), started) == before.end()) view_.Started(batch_, started);
}

void TBatchRunner::WaitForTheEnd() {
  bool stop_sent = false;
  for (;;) {
    MainThreadWait([&] { return batch_.RunEnded() || (!stop_sent && TInterruptGuard::StopRequested()); }, -1);
    if (batch_.RunEnded()) return;
    if (!stop_sent && TInterruptGuard::StopRequested()) {
      stop_sent = true;
      batch_.Stopping();
      view_.LogLine("Stopping: the outputs written so far are being finalised.");
      // The events keep coming through the main-thread queue while we wait here.
      encoder_.Stop(TStopWait::swNoWait);
    }
  }
}

void TBatchRunner::RecordOutputSize(int row) {
  // The engine creates an output only when its task runs and keeps it only
  // when it ends well: for any other row the file under the output's name
  // (if any) is what was there before.
  const TTaskRow& r = batch_.Rows()[static_cast<std::size_t>(row)];
  if (!r.Started || (r.Result != TTaskResult::trConverted && r.Result != TTaskResult::trIncomplete &&
                     r.Result != TTaskResult::trStopped))
    return;
  const std::int64_t size = SizeOf(r.Output);
  if (size >= 0) batch_.SetOutputSize(row, size);
}

int TBatchRunner::Run(std::vector<TPlannedTask> plan, int tasks_at_once) {
  batch_.SetPlanned(static_cast<int>(plan.size()));
  for (const TPlannedTask& planned : plan) {
    for (const TInputOptions& input : planned.Inputs) held_names_.Reserve(input.FileName);
    if (planned.Error.empty()) held_names_.Reserve(planned.Output.FileName);
  }
  for (TPlannedTask& planned : plan) {
    AddPlanned(planned);
    planned = TPlannedTask{};
    // Ctrl-C while files are still being opened: convert nothing.
    if (TInterruptGuard::StopRequested()) break;
  }

  if (batch_.TaskCount() > 0 && !TInterruptGuard::StopRequested()) {
    encoder_.SetOnProgress([this](TCustomEncoder*, TProgressInfo& info) {
      const int row = batch_.Progress(info);
      if (row >= 0) view_.Progress(batch_, row, TClock::now());
    });
    encoder_.SetOnOutputNameHeld([this](TCustomEncoder*, int task_index, const std::string& held_name) {
      return held_names_.NextName(task_index, held_name);
    });
    encoder_.SetOnTerminate([this](TCustomEncoder*, const TTerminateInfo& info) { OnTerminate(info); });
    const TClock::time_point now = TClock::now();
    encoder_.Start(tasks_at_once);
    batch_.Begin(tasks_at_once, now);
    for (int row : batch_.RunningRows()) view_.Started(batch_, row);
    WaitForTheEnd();
    encoder_.SetOnProgress(nullptr);
    encoder_.SetOnTerminate(nullptr);
    encoder_.SetOnOutputNameHeld(nullptr);
  }
  batch_.CancelWaiting();
  encoder_.ClearTasks();
  view_.Finish(batch_, TClock::now());
  return batch_.ExitCode();
}

}  // namespace zentrova::cli

#include "cli/batch_state.h"

#include <algorithm>

namespace zentrova::cli {

std::string_view ResultText(TTaskResult result) {
  switch (result) {
    case TTaskResult::trNotAdded:
      return "not added";
    case TTaskResult::trWaiting:
      return "waiting";
    case TTaskResult::trRunning:
      return "running";
    case TTaskResult::trConverted:
      return "converted";
    case TTaskResult::trIncomplete:
      return "incomplete";
    case TTaskResult::trStopped:
      return "stopped";
    case TTaskResult::trFailed:
      return "failed";
  }
  return "unknown";
}

std::string TTaskRow::MessageAfterSource() const {
  const std::string prefix = Source + ": ";
  return Message.compare(0, prefix.size(), prefix) == 0 ? Message.substr(prefix.size()) : Message;
}

std::int64_t TTaskRow::ElapsedMs(TClock::time_point now) const {
  if (!Started) return 0;
  const TClock::time_point until = Ended.value_or(now);
  return std::chrono::duration_cast<std::chrono::milliseconds>(until - *Started).count();
}

int TBatchState::AddFailed(std::string source, std::string message, std::int64_t source_duration_us) {
  TTaskRow row;
  row.Source = std::move(source);
  row.Message = std::move(message);
  row.SourceDurationUs = source_duration_us;
  rows_.push_back(std::move(row));
  return Count() - 1;
}

int TBatchState::AddTask(std::string source, std::string output, int task_index,
                         std::int64_t source_duration_us) {
  TTaskRow row;
  row.Source = std::move(source);
  row.Output = std::move(output);
  row.TaskIndex = task_index;
  row.SourceDurationUs = source_duration_us;
  row.Result = TTaskResult::trWaiting;
  rows_.push_back(std::move(row));
  ++task_count_;
  return Count() - 1;
}

void TBatchState::Begin(int thread_count, TClock::time_point now) {
  threads_ = std::max(thread_count, 1);
  for (int i = 0; i < threads_; ++i) StartNext(now);
}

int TBatchState::RowOfTask(int task_index) const {
  if (task_index < 0) return -1;
  for (int i = 0; i < Count(); ++i)
    if (rows_[static_cast<std::size_t>(i)].TaskIndex == task_index) return i;
  return -1;
}

void TBatchState::StartNext(TClock::time_point now) {
  // Tasks start in the encoder's list order, which is the rows' order.
  std::vector<TTaskRow*> waiting;
  for (TTaskRow& row : rows_)
    if (row.Result == TTaskResult::trWaiting) waiting.push_back(&row);
  if (waiting.empty()) return;
  TTaskRow* next =
      *std::min_element(waiting.begin(), waiting.end(),
                        [](const TTaskRow* a, const TTaskRow* b) { return a->TaskIndex < b->TaskIndex; });
  next->Result = TTaskResult::trRunning;
  next->Started = now;
}

int TBatchState::Progress(const TProgressInfo& report) {
  const int index = RowOfTask(report.TaskIndex);
  if (index < 0) return -1;
  TTaskRow& row = rows_[static_cast<std::size_t>(index)];
  row.Reported = true;
  row.FPS = report.FPS;
  row.FrameNumber = report.FrameNumber;
  row.CurrentSize = report.CurrentSize;
  row.CurrentDurationUs = report.CurrentDuration;
  row.TotalDurationUs = report.TotalDuration;
  row.Fraction =
      report.TotalDuration > 0
          ? std::clamp(static_cast<double>(report.CurrentDuration) / report.TotalDuration, 0.0, 1.0)
          : -1;
  return index;
}

int TBatchState::Terminate(const TTerminateInfo& report, TClock::time_point now) {
  if (report.TaskIndex < 0) {
    run_ended_ = true;
    return -1;
  }
  const int index = RowOfTask(report.TaskIndex);
  if (index < 0) return -1;
  TTaskRow& row = rows_[static_cast<std::size_t>(index)];
  const bool was_running = row.Result == TTaskResult::trRunning;
  if (report.Exception)
    row.Result = TTaskResult::trFailed;
  else if (report.Incomplete)
    row.Result = TTaskResult::trIncomplete;
  else if (report.Finished)
    row.Result = TTaskResult::trConverted;
  else
    row.Result = TTaskResult::trStopped;
  row.Message = report.Exception    ? report.ExceptionMsg
                : report.Incomplete ? report.IncompleteMsg
                                    : std::string();
  row.DecodeErrors = report.DecodeErrors;
  if (row.Started) row.Ended = now;
  // An incomplete row keeps the share of the stated duration it reached.
  if (row.Result == TTaskResult::trConverted) row.Fraction = 1;
  if (was_running && !stopping_) StartNext(now);
  return index;
}

void TBatchState::SetOutput(int row, std::string output) {
  if (!output.empty()) rows_.at(static_cast<std::size_t>(row)).Output = std::move(output);
}

void TBatchState::SetOutputSize(int row, std::int64_t bytes) {
  rows_.at(static_cast<std::size_t>(row)).CurrentSize = bytes;
}

void TBatchState::CancelWaiting() {
  for (TTaskRow& row : rows_)
    if (row.Result == TTaskResult::trWaiting) row.Result = TTaskResult::trStopped;
}

void TBatchState::Stopping() {
  stopping_ = true;
}

std::vector<int> TBatchState::RunningRows() const {
  std::vector<int> running;
  for (int i = 0; i < Count(); ++i)
    if (rows_[static_cast<std::size_t>(i)].Result == TTaskResult::trRunning) running.push_back(i);
  return running;
}

int TBatchState::CountOf(TTaskResult result) const {
  return static_cast<int>(std::count_if(rows_.begin(), rows_.end(),
                                        [result](const TTaskRow& row) { return row.Result == result; }));
}

int TBatchState::ExitCode() const {
  return !rows_.empty() && CountOf(TTaskResult::trConverted) == Count() ? 0 : 1;
}

}  // namespace zentrova::cli

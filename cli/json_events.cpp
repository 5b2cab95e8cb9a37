#include "cli/json_events.h"

#include "cli/progress_text.h"

namespace zentrova::cli {
namespace {

const TTaskRow& RowAt(const TBatchState& batch, int row) {
  return batch.Rows().at(static_cast<std::size_t>(row));
}

nlohmann::json Base(std::string_view event, const TBatchState& batch, int row) {
  return {{"event", event}, {"index", row}, {"file", RowAt(batch, row).Source}};
}

}  // namespace

nlohmann::json AddedEvent(const TBatchState& batch, int row) {
  const TTaskRow& r = RowAt(batch, row);
  if (r.Result == TTaskResult::trNotAdded) {
    nlohmann::json event = Base("not_added", batch, row);
    event["message"] = r.Message;
    return event;
  }
  nlohmann::json event = Base("added", batch, row);
  event["output"] = r.Output;
  return event;
}

nlohmann::json StartedEvent(const TBatchState& batch, int row) {
  return Base("started", batch, row);
}

nlohmann::json ProgressEvent(const TBatchState& batch, int row, TClock::time_point now) {
  const TTaskRow& r = RowAt(batch, row);
  nlohmann::json event = Base("progress", batch, row);
  const std::int64_t elapsed = r.ElapsedMs(now);
  event["percent"] = r.Fraction >= 0 ? nlohmann::json(r.Fraction * 100) : nlohmann::json(nullptr);
  if (r.FPS >= 0) {  // an audio-only task has neither
    event["fps"] = r.FPS;
    event["frame"] = r.FrameNumber;
  }
  event["size"] = r.CurrentSize;
  event["time_us"] = r.CurrentDurationUs;
  event["total_us"] = r.TotalDurationUs > 0 ? nlohmann::json(r.TotalDurationUs) : nlohmann::json(nullptr);
  event["elapsed_ms"] = elapsed;
  const std::optional<std::int64_t> eta = RemainingMs(elapsed, r.Fraction);
  event["eta_ms"] = eta ? nlohmann::json(*eta) : nlohmann::json(nullptr);
  return event;
}

nlohmann::json EndEvent(const TBatchState& batch, int row, TClock::time_point now) {
  const TTaskRow& r = RowAt(batch, row);
  nlohmann::json event = Base("end", batch, row);
  event["output"] = r.Output;
  event["result"] = ResultText(r.Result);
  event["message"] = r.Message;
  event["decode_errors"] = r.DecodeErrors;
  event["size"] = r.CurrentSize;
  event["elapsed_ms"] = r.ElapsedMs(now);
  return event;
}

nlohmann::json SummaryEvent(const TBatchState& batch, TClock::time_point now) {
  nlohmann::json files = nlohmann::json::array();
  for (const TTaskRow& r : batch.Rows())
    files.push_back({{"file", r.Source},
                     {"output", r.Output},
                     {"result", ResultText(r.Result)},
                     {"message", r.Message},
                     {"decode_errors", r.DecodeErrors},
                     {"duration_us", r.SourceDurationUs},
                     {"size", r.CurrentSize},
                     {"elapsed_ms", r.ElapsedMs(now)}});
  return {{"event", "summary"},
          {"exit_code", batch.ExitCode()},
          {"converted", batch.CountOf(TTaskResult::trConverted)},
          {"incomplete", batch.CountOf(TTaskResult::trIncomplete)},
          {"stopped", batch.CountOf(TTaskResult::trStopped)},
          {"failed", batch.CountOf(TTaskResult::trFailed)},
          {"not_added", batch.CountOf(TTaskResult::trNotAdded)},
          {"files", std::move(files)}};
}

std::string JsonLine(const nlohmann::json& object) {
  return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace zentrova::cli

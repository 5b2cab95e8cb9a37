#include "cli/progress_view.h"

#include <fmt/format.h>

#include <algorithm>

#include "cli/json_events.h"
#include "cli/progress_text.h"
#include "cli/summary_table.h"
#include "cli/terminal_text.h"

namespace zentrova::cli {
namespace {

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

TProgressLine ProgressOf(const TBatchState& batch, int row, TClock::time_point now) {
  const TTaskRow& r = batch.Rows().at(static_cast<std::size_t>(row));
  TProgressLine p;
  p.Number = row + 1;
  p.Count = batch.Total();
  p.Name = TerminalText(BaseName(r.Source));  // escaped before the line is fitted to the width
  p.Fraction = r.Fraction;
  p.FPS = r.FPS;
  p.ElapsedMs = r.ElapsedMs(now);
  p.OutputBytes = r.CurrentSize;
  return p;
}

std::string EndLine(const TBatchState& batch, int row, TClock::time_point now) {
  const TTaskRow& r = batch.Rows().at(static_cast<std::size_t>(row));
  std::string line =
      fmt::format("[{}/{}] {}: {}", row + 1, batch.Total(), BaseName(r.Source), ResultText(r.Result));
  if (r.Started) line += fmt::format(" in {}", FormatClock(r.ElapsedMs(now)));
  if (r.Result != TTaskResult::trFailed)
    line += fmt::format(", {} -> {}", FormatBytes(r.CurrentSize), r.Output);
  return line;
}

}  // namespace

TProgressView::TProgressView(TProgressMode mode, bool terminal, int columns, std::ostream& out,
                             std::ostream& err)
    : mode_(mode),
      live_(mode == TProgressMode::pmAuto && terminal),
      columns_(std::max(columns, 20)),
      out_(out),
      err_(err) {}

void TProgressView::EraseLive() {
  if (drawn_lines_ > 0) out_ << fmt::format("\x1b[{}F\x1b[J", drawn_lines_);
  drawn_lines_ = 0;
}

void TProgressView::DrawLive(const TBatchState& batch, TClock::time_point now) {
  last_batch_ = &batch;
  last_now_ = now;
  EraseLive();
  for (int row : batch.RunningRows()) {
    out_ << TerminalText(LiveLine(ProgressOf(batch, row, now), columns_ - 1)) << '\n';
    ++drawn_lines_;
  }
  out_.flush();
}

void TProgressView::Note(const std::string& line) {
  if (live_) {
    EraseLive();
    out_ << TerminalText(line) << '\n';
    if (last_batch_) DrawLive(*last_batch_, last_now_);
  } else {
    out_ << TerminalText(line) << '\n';
  }
  out_.flush();
}

void TProgressView::Added(const TBatchState& batch, int row) {
  const TTaskRow& r = batch.Rows().at(static_cast<std::size_t>(row));
  if (mode_ == TProgressMode::pmJson) {
    out_ << JsonLine(AddedEvent(batch, row)) << '\n';
    out_.flush();
  }
  if (r.Result == TTaskResult::trNotAdded)
    LogLine(
        fmt::format("[{}/{}] {}: not added: {}", row + 1, batch.Total(), r.Source, r.MessageAfterSource()));
}

void TProgressView::Started(const TBatchState& batch, int row) {
  if (mode_ == TProgressMode::pmJson) {
    out_ << JsonLine(StartedEvent(batch, row)) << '\n';
    out_.flush();
  }
}

void TProgressView::Progress(const TBatchState& batch, int row, TClock::time_point now) {
  switch (mode_) {
    case TProgressMode::pmJson:
      out_ << JsonLine(ProgressEvent(batch, row, now)) << '\n';
      out_.flush();
      break;
    case TProgressMode::pmQuiet:
      break;
    case TProgressMode::pmAuto:
      if (live_)
        DrawLive(batch, now);
      else
        Note(PlainLine(ProgressOf(batch, row, now)));
      break;
  }
}

void TProgressView::Ended(const TBatchState& batch, int row, TClock::time_point now) {
  const TTaskRow& r = batch.Rows().at(static_cast<std::size_t>(row));
  switch (mode_) {
    case TProgressMode::pmJson:
      out_ << JsonLine(EndEvent(batch, row, now)) << '\n';
      out_.flush();
      break;
    case TProgressMode::pmQuiet:
      break;
    case TProgressMode::pmAuto:
      last_batch_ = &batch;
      last_now_ = now;
      Note(EndLine(batch, row, now));
      break;
  }
  if (r.Result == TTaskResult::trFailed || r.Result == TTaskResult::trIncomplete)
    LogLine(fmt::format("[{}/{}] {}: {}: {}", row + 1, batch.Total(), r.Source, ResultText(r.Result),
                        r.MessageAfterSource()));
  if (r.DecodeErrors > 0)
    LogLine(fmt::format("[{}/{}] {}: {} decoding errors", row + 1, batch.Total(), r.Source, r.DecodeErrors));
}

void TProgressView::LogLine(const std::string& line) {
  // The live block is on the same screen: take it away, write, put it back.
  if (live_) {
    EraseLive();
    out_.flush();
  }
  err_ << TerminalText(line) << '\n';
  err_.flush();
  if (live_ && last_batch_) DrawLive(*last_batch_, last_now_);
}

void TProgressView::Finish(const TBatchState& batch, TClock::time_point now) {
  if (live_) EraseLive();
  last_batch_ = nullptr;
  switch (mode_) {
    case TProgressMode::pmJson:
      out_ << JsonLine(SummaryEvent(batch, now)) << '\n';
      break;
    case TProgressMode::pmQuiet:
      break;
    case TProgressMode::pmAuto:
      out_ << '\n' << FormatSummaryTable(batch, now);
      break;
  }
  out_.flush();
}

}  // namespace zentrova::cli

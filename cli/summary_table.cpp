#include "cli/summary_table.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <vector>

#include "cli/progress_text.h"
#include "cli/terminal_text.h"

namespace zentrova::cli {
namespace {

constexpr int kNameColumnMax = 40;
constexpr std::size_t kColumns = 6;

using TCells = std::array<std::string, kColumns>;

// The name after the last slash, as shown on a terminal.
std::string ShownBaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return TerminalText(slash == std::string::npos ? path : path.substr(slash + 1));
}

TCells RowCells(const TTaskRow& row, TClock::time_point now) {
  const bool ran = row.Started.has_value();
  return {ShownBaseName(row.Source),
          row.Output.empty() ? "-" : ShownBaseName(row.Output),
          std::string(ResultText(row.Result)),
          row.SourceDurationUs >= 0 ? FormatClock(row.SourceDurationUs / 1000) : "N/A",
          row.Output.empty() ? "-" : FormatBytes(row.CurrentSize),
          ran ? FormatClock(row.ElapsedMs(now)) : "-"};
}

// Engine messages keep "\r\n" between their lines; each line is indented
// under the file it belongs to.
std::string IndentedMessage(const std::string& message) {
  std::string text;
  for (char c : TerminalText(message)) {
    text += c;
    if (c == '\n') text += "    ";
  }
  while (!text.empty() && (text.back() == ' ' || text.back() == '\n')) text.pop_back();
  return text;
}

}  // namespace

std::string ResultCounts(const TBatchState& batch) {
  static constexpr std::array kOrder{
      TTaskResult::trConverted, TTaskResult::trIncomplete, TTaskResult::trStopped, TTaskResult::trFailed,
      TTaskResult::trNotAdded,  TTaskResult::trRunning,    TTaskResult::trWaiting};
  std::string text;
  for (TTaskResult result : kOrder) {
    const int count = batch.CountOf(result);
    if (count == 0) continue;
    if (!text.empty()) text += ", ";
    text += fmt::format("{} {}", count, ResultText(result));
  }
  return text;
}

std::string FormatSummaryTable(const TBatchState& batch, TClock::time_point now) {
  const TCells header{"File", "Output", "Result", "Duration", "Size", "Time"};
  std::vector<TCells> lines{header};
  for (const TTaskRow& row : batch.Rows()) lines.push_back(RowCells(row, now));

  std::array<int, kColumns> widths{};
  for (const TCells& cells : lines)
    for (std::size_t c = 0; c < kColumns; ++c) widths[c] = std::max(widths[c], DisplayWidth(cells[c]));
  widths[0] = std::min(widths[0], kNameColumnMax);
  widths[1] = std::min(widths[1], kNameColumnMax);

  std::string text;
  for (std::size_t l = 0; l < lines.size(); ++l) {
    std::string line;
    for (std::size_t c = 0; c < kColumns; ++c) {
      if (c > 0) line += "  ";
      // Numbers line up on the right, words on the left.
      const std::string& cell = lines[l][c];
      if (c >= 3 && l > 0) {
        const int pad = std::max(widths[c] - DisplayWidth(cell), 0);
        line += std::string(static_cast<std::size_t>(pad), ' ') + cell;
      } else {
        line += FitToWidth(cell, widths[c]);
      }
    }
    line.erase(line.find_last_not_of(' ') + 1);
    text += line + "\n";
  }
  bool heading = false;
  for (const TTaskRow& row : batch.Rows()) {
    if (row.Message.empty() && row.DecodeErrors == 0) continue;
    if (!heading) text += "Errors:\n";
    heading = true;
    const std::string source = TerminalText(row.Source);
    if (!row.Message.empty())
      text += fmt::format("  {}: {}\n", source, IndentedMessage(row.MessageAfterSource()));
    if (row.DecodeErrors > 0) text += fmt::format("  {}: {} decoding errors\n", source, row.DecodeErrors);
  }
  text += ResultCounts(batch) + "\n";
  return text;
}

}  // namespace zentrova::cli

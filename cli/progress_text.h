// The texts of the progress display: clock times, sizes, the bar, the
// remaining-time estimate, and one task's line in its live (terminal) and
// plain (log-like) forms.
//
// Pure functions; any thread. File names are UTF-8; widths are terminal
// columns (a CJK character takes two).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zentrova::cli {

/// What one line shows about a running task.
struct TProgressLine {
  int Number = 1;  ///< 1-based position in the batch
  int Count = 1;   ///< tasks in the batch
  std::string Name;
  /// Converted part, 0..1; negative when the total duration is not known.
  double Fraction = -1;
  int FPS = 0;                   ///< negative: the task has no video (audio only)
  std::int64_t ElapsedMs = 0;    ///< wall time since the task started
  std::int64_t OutputBytes = 0;  ///< written so far
};

/// "0:05", "12:34", "1:02:03" (hours only when needed); negative gives "0:00".
std::string FormatClock(std::int64_t milliseconds);

/// "0 B", "999 B", "1.5 KiB", "12.3 MiB", "1.20 GiB" (binary units).
std::string FormatBytes(std::int64_t bytes);

/// "[######----]" with `width` cells between the brackets (at least 1);
/// the fraction is clamped to 0..1; unknown (negative) gives an empty bar.
std::string ProgressBar(double fraction, int width);

/// Wall time still needed at the pace so far: elapsed x (1 - f) / f.
/// Nothing while the fraction is unknown, zero or the task has just begun.
std::optional<std::int64_t> RemainingMs(std::int64_t elapsed_ms, double fraction);

/// Columns `text` takes on a terminal: two for East Asian wide and full-width
/// characters, none for combining marks, one for anything else (also for
/// each byte of a malformed sequence).
int DisplayWidth(std::string_view text);

/// `text` cut to at most `columns` columns, ending in "…" when cut, and
/// padded with blanks to exactly `columns`.
std::string FitToWidth(std::string_view text, int columns);

/// The live line: name, bar, percentage, fps, elapsed, size and ETA, fitted
/// to exactly `columns` columns (the name gives way first, then the bar).
std::string LiveLine(const TProgressLine& progress, int columns);

/// One plain line for logs and pipes:
/// "[2/5] clip.mov: 45% 25 fps, elapsed 0:12, 1.2 MiB, ETA 0:15".
std::string PlainLine(const TProgressLine& progress);

}  // namespace zentrova::cli

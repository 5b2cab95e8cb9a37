#include "cli/progress_text.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace zentrova::cli {
namespace {

constexpr int kFullBarCells = 20;
constexpr int kNameMinColumns = 12;

struct TDecoded {
  char32_t Code = 0;
  int Length = 1;  ///< bytes taken; a malformed sequence takes one byte
  bool Valid = false;
};

TDecoded DecodeAt(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) return {lead, 1, true};
  int length = 0;
  char32_t code = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2;
    code = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    code = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    code = lead & 0x07;
  } else {
    return {};
  }
  if (at + static_cast<std::size_t>(length) > text.size()) return {};
  for (int i = 1; i < length; ++i) {
    const unsigned char next = byte(at + static_cast<std::size_t>(i));
    if ((next & 0xC0) != 0x80) return {};
    code = (code << 6) | (next & 0x3F);
  }
  return {code, length, true};
}

int CodeWidth(char32_t c) {
  if ((c >= 0x0300 && c <= 0x036F) || (c >= 0x200B && c <= 0x200F) || (c >= 0xFE00 && c <= 0xFE0F)) return 0;
  const bool wide =
      (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
      (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
      (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
      (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
      (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
  return wide ? 2 : 1;
}

std::string PercentText(double fraction) {
  if (fraction < 0) return "--%";
  return fmt::format("{}%", static_cast<int>(std::floor(std::clamp(fraction, 0.0, 1.0) * 100)));
}

std::string EtaText(const TProgressLine& p) {
  const std::optional<std::int64_t> remaining = RemainingMs(p.ElapsedMs, p.Fraction);
  return remaining ? FormatClock(*remaining) : "--:--";
}

}  // namespace

std::string FormatClock(std::int64_t milliseconds) {
  const std::int64_t seconds = std::max<std::int64_t>(milliseconds, 0) / 1000;
  if (seconds >= 3600) return fmt::format("{}:{:02}:{:02}", seconds / 3600, seconds / 60 % 60, seconds % 60);
  return fmt::format("{}:{:02}", seconds / 60, seconds % 60);
}

std::string FormatBytes(std::int64_t bytes) {
  if (bytes < 1024) return fmt::format("{} B", std::max<std::int64_t>(bytes, 0));
  static constexpr const char* kUnits[] = {"KiB", "MiB", "GiB", "TiB"};
  double value = static_cast<double>(bytes) / 1024;
  int unit = 0;
  while (value >= 1024 && unit < 3) {
    value /= 1024;
    ++unit;
  }
  // Two decimals from GiB on: a large file's size moves slowly.
  return unit >= 2 ? fmt::format("{:.2f} {}", value, kUnits[unit])
                   : fmt::format("{:.1f} {}", value, kUnits[unit]);
}

std::string ProgressBar(double fraction, int width) {
  width = std::max(width, 1);
  int filled = 0;
  if (fraction > 0) filled = static_cast<int>(std::floor(std::min(fraction, 1.0) * width));
  return "[" + std::string(static_cast<std::size_t>(filled), '#') +
         std::string(static_cast<std::size_t>(width - filled), '-') + "]";
}

std::optional<std::int64_t> RemainingMs(std::int64_t elapsed_ms, double fraction) {
  if (!(fraction > 0) || elapsed_ms <= 0) return std::nullopt;
  if (fraction >= 1) return 0;
  return static_cast<std::int64_t>(std::llround(static_cast<double>(elapsed_ms) * (1 - fraction) / fraction));
}

int DisplayWidth(std::string_view text) {
  int width = 0;
  for (std::size_t at = 0; at < text.size();) {
    const TDecoded d = DecodeAt(text, at);
    width += d.Valid ? CodeWidth(d.Code) : 1;
    at += static_cast<std::size_t>(d.Length);
  }
  return width;
}

std::string FitToWidth(std::string_view text, int columns) {
  columns = std::max(columns, 0);
  const int width = DisplayWidth(text);
  if (width <= columns)
    return std::string(text) + std::string(static_cast<std::size_t>(columns - width), ' ');
  if (columns == 0) return {};
  std::string fitted;
  int used = 0;
  for (std::size_t at = 0; at < text.size();) {
    const TDecoded d = DecodeAt(text, at);
    const int w = d.Valid ? CodeWidth(d.Code) : 1;
    if (used + w > columns - 1) break;  // one column stays for the ellipsis
    // A malformed byte is shown as '?', so the cut text is valid UTF-8.
    fitted += d.Valid ? std::string(text.substr(at, static_cast<std::size_t>(d.Length))) : std::string("?");
    used += w;
    at += static_cast<std::size_t>(d.Length);
  }
  fitted += "…";
  ++used;
  return fitted + std::string(static_cast<std::size_t>(columns - used), ' ');
}

std::string LiveLine(const TProgressLine& p, int columns) {
  const std::string fps = p.FPS >= 0 ? fmt::format("{:>4} fps", p.FPS) : std::string(8, ' ');
  const std::string tail = fmt::format(" {:>4} {} {:>7} {:>10}  ETA {:>7}", PercentText(p.Fraction), fps,
                                       FormatClock(p.ElapsedMs), FormatBytes(p.OutputBytes), EtaText(p));
  const std::string label = fmt::format("[{}/{}] {}", p.Number, p.Count, p.Name);
  const int available = columns - DisplayWidth(tail);
  // Name first gives way down to its minimum, then the bar shrinks, then goes.
  int bar_cells = 0;
  if (available >= kNameMinColumns + kFullBarCells + 3)
    bar_cells = kFullBarCells;
  else if (available >= kNameMinColumns + 4)
    bar_cells = available - kNameMinColumns - 3;
  if (bar_cells == 0) return FitToWidth(FitToWidth(label, std::max(available, 0)) + tail, columns);
  const int name_columns = available - bar_cells - 3;
  return FitToWidth(label, name_columns) + " " + ProgressBar(p.Fraction, bar_cells) + tail;
}

std::string PlainLine(const TProgressLine& p) {
  const std::string fps = p.FPS >= 0 ? fmt::format(" {} fps", p.FPS) : std::string();
  return fmt::format("[{}/{}] {}: {}{}, elapsed {}, {}, ETA {}", p.Number, p.Count, p.Name,
                     PercentText(p.Fraction), fps, FormatClock(p.ElapsedMs), FormatBytes(p.OutputBytes),
                     EtaText(p));
}

}  // namespace zentrova::cli

#include "convert/clip_times.h"

#include <fmt/format.h>
#include <limits>

namespace zentrova::app {
namespace {

std::int64_t SaturatingSubtract(std::int64_t a, std::int64_t b) {
  std::int64_t result = 0;
  if (!__builtin_sub_overflow(a, b, &result)) return result;
  return b < 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
}

// At least two digits, the sign before them: what "%.2d" gives.
std::string TwoDigits(std::int64_t v) {
  return v < 0 ? fmt::format("-{:02}", -v) : fmt::format("{:02}", v);
}

}  // namespace

bool ClipIsValid(const SourceFacts& source) {
  return source.StartTime < source.EndTime;
}

bool ClipApplies(const OutputSettings& settings, const SourceFacts& source) {
  return settings.CutClipEnabled && settings.CutClipChecked && ClipIsValid(source);
}

std::int64_t clip_start_offset(const SourceFacts& source) {
  if (source.FirstPTS != kTimeNotSet && source.FirstPTS < 0)
    return SaturatingSubtract(source.StartTime, source.FirstPTS);
  return source.StartTime;
}

std::int64_t clip_duration(const SourceFacts& source) {
  if (!ClipIsValid(source)) return 0;
  return SaturatingSubtract(source.EndTime, source.StartTime);
}

std::string clip_time_text(std::int64_t t) {
  const std::int64_t seconds = t / 1000000;
  // (t mod 10^6) x 1000 stays below 10^9: no overflow for any t.
  const std::int64_t milliseconds = (t % 1000000) * 1000 / 1000000;
  return fmt::format(
      "{}:{}:{}.{}", TwoDigits(seconds / 3600), TwoDigits(seconds / 60 % 60), TwoDigits(seconds % 60),
      milliseconds < 0 ? fmt::format("-{:03}", -milliseconds) : fmt::format("{:03}", milliseconds));
}

}  // namespace zentrova::app

#include "engine/filter_args.h"

#include <charconv>
#include <cmath>
#include <fmt/format.h>

namespace zentrova {

std::string FormatFixed6(double value) {
  char buffer[400];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  if (ec != std::errc()) return "0.000000";
  return std::string(buffer, end);
}

std::string ChannelMaskText(std::uint64_t mask) {
  return fmt::format("0x{:x}", mask);
}

std::vector<TFilterStep> RotationFilters(double theta) {
  if (std::fabs(theta - 90) < 1.0) return {{"transpose", "clock"}};
  if (std::fabs(theta - 180) < 1.0) return {{"hflip", ""}, {"vflip", ""}};
  if (std::fabs(theta - 270) < 1.0) return {{"transpose", "cclock"}};
  if (std::fabs(theta) > 1.0) return {{"rotate", FormatFixed6(theta) + "*PI/180"}};
  return {};
}

std::string AsyncResampleArgs(int audio_sync_method, float drift_threshold, bool reconfiguration) {
  std::string args =
      fmt::format("async={}:min_hard_comp={}", audio_sync_method, FormatFixed6(drift_threshold));
  if (!reconfiguration) args += ":first_pts=0";
  return args;
}

}  // namespace zentrova

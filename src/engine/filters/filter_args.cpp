#include "engine/filters/filter_args.h"

#include <algorithm>
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

std::vector<TFilterStep> FitIntoFrameFilters(int width, int height, int sar_num, int sar_den) {
  if (sar_num <= 0 || sar_den <= 0) sar_num = sar_den = 1;
  // In the scaler's expressions `dar` is the incoming picture's display
  // aspect. A picture wider than the frame's shape takes the whole width,
  // any other the whole height; the other side follows from its aspect.
  const std::string wider = fmt::format("gte(dar*{}*{},{}*{})", height, sar_den, width, sar_num);
  const std::string box_width = fmt::format("if({},{},max(2,min({},2*round({}*dar*{}/(2*{})))))", wider,
                                            width, width, height, sar_den, sar_num);
  const std::string box_height = fmt::format("if({},max(2,min({},2*round({}*{}/(2*{}*dar)))),{})", wider,
                                             height, width, sar_num, sar_den, height);
  return {{"scale", fmt::format("w={}:h={}", box_width, box_height)},
          {"setsar", fmt::format("sar={}/{}:max={}", sar_num, sar_den, std::max(sar_num, sar_den))},
          {"pad", fmt::format("width={}:height={}:x=(ow-iw)/2:y=(oh-ih)/2:color=black", width, height)}};
}

std::string AsyncResampleArgs(int audio_sync_method, float drift_threshold, bool reconfiguration) {
  std::string args =
      fmt::format("async={}:min_hard_comp={}", audio_sync_method, FormatFixed6(drift_threshold));
  if (!reconfiguration) args += ":first_pts=0";
  return args;
}

}  // namespace zentrova

#include "decoder/info_text.h"

#include <cmath>
#include <cstdlib>

#include <fmt/format.h>

#include "media/av_ptr.h"

namespace zentrova {

std::string SizeText(std::int64_t size_bytes) {
  const auto size = static_cast<double>(size_bytes);
  if (size_bytes > (std::int64_t{1} << 30)) return fmt::format("{:.2f} GB", size / (1 << 30));
  if (size_bytes > (std::int64_t{1} << 20)) return fmt::format("{:.2f} MB", size / (1 << 20));
  if (size_bytes > (std::int64_t{1} << 10)) return fmt::format("{:.2f} KB", size / (1 << 10));
  return fmt::format("{} Byte", size_bytes);
}

std::string FpsText(double rate, const std::string& unit) {
  const auto hundredths = std::llround(rate * 100);
  if (hundredths == 0) return fmt::format("{:.4f} {}", rate, unit);
  if (hundredths % 100 != 0) return fmt::format("{:.2f} {}", rate, unit);
  if (hundredths % 100000 != 0) return fmt::format("{:.0f} {}", rate, unit);
  return fmt::format("{:.0f}k {}", rate / 1000, unit);
}

std::string SecondsText(AVRational time_base, std::int64_t t) {
  if (t == AV_NOPTS_VALUE) return {};
  if (time_base.num != 1 || time_base.den != AV_TIME_BASE) t = ff::av_rescale_q(t, time_base, AV_TIME_BASE_Q);
  // The magnitude as unsigned: -INT64_MAX-ish values must not overflow.
  const std::uint64_t magnitude = t < 0 ? 0 - static_cast<std::uint64_t>(t) : static_cast<std::uint64_t>(t);
  return fmt::format("{}{}.{:06}", t < 0 ? "-" : "", magnitude / AV_TIME_BASE, magnitude % AV_TIME_BASE);
}

void AddMetadataLines(std::vector<std::string>& lines, const AVDictionary* metadata,
                      const std::string& prefix) {
  if (!metadata) return;
  const int count = ff::av_dict_count(metadata);
  if (count == 0) return;
  if (count == 1 && ff::av_dict_get(metadata, "language", nullptr, 0)) return;
  lines.push_back(prefix + "Metadata:");
  const AVDictionaryEntry* tag = nullptr;
  while ((tag = ff::av_dict_get(metadata, "", tag, AV_DICT_IGNORE_SUFFIX))) {
    if (std::string_view(tag->key) == "language") continue;
    std::string line = fmt::format("{}  {:<16}: ", prefix, tag->key);
    for (const char* p = tag->value; *p; ++p) {
      switch (*p) {
        case '\r':
          line += ' ';
          break;
        case '\n':
          lines.push_back(std::move(line));
          line = fmt::format("{}  {:<16}: ", prefix, "");
          break;
        case '\b':
        case '\v':
        case '\f':
          break;
        default:
          line += *p;
      }
    }
    lines.push_back(std::move(line));
  }
}

}  // namespace zentrova

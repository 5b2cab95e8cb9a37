#include "convert/source_information.h"

#include <algorithm>
#include <charconv>
#include <fmt/format.h>
#include <optional>

#include "convert/number_text.h"
#include "log/plain_text.h"

namespace zentrova::app {
namespace {

constexpr std::string_view kKbps = " kb/s";

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

bool IsStreamLine(std::string_view line) {
  return Trim(line, kBlanks).starts_with("Stream #");
}

// The kb/s number of a field such as " 1000 kb/s" or " max. 1000 kb/s".
std::optional<long long> KbpsNumber(std::string_view field) {
  const auto at = field.find(kKbps);
  if (at == std::string_view::npos) return std::nullopt;
  std::string_view digits = field.substr(0, at);
  std::size_t start = digits.size();
  while (start > 0 && digits[start - 1] >= '0' && digits[start - 1] <= '9') --start;
  digits.remove_prefix(start);
  long long value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

// The edit's text from a bit-rate field: the text before " kb/s" (leading
// blank included) when that is a number, else the number it ends with.
std::string BitRateText(std::string_view field) {
  const std::string_view before = field.substr(0, field.find(kKbps));
  if (ParseDecimalInteger(before)) return std::string(before);
  const auto number = KbpsNumber(field);
  return number ? std::to_string(*number) : std::string();
}

std::optional<long long> FileBitRate(const std::vector<std::string_view>& lines) {
  constexpr std::string_view kBitrate = "bitrate: ";
  for (std::string_view line : lines) {
    if (!Trim(line, kBlanks).starts_with("Duration:")) continue;
    const auto at = line.find(kBitrate);
    if (at == std::string_view::npos) return std::nullopt;
    return KbpsNumber(line.substr(at + kBitrate.size() - 1));
  }
  return std::nullopt;
}

// The file's bit rate less the audio streams' known bit rates, when positive.
std::optional<long long> EstimatedVideoBitRate(const std::vector<std::string_view>& lines) {
  std::optional<long long> rate = FileBitRate(lines);
  if (!rate) return std::nullopt;
  for (std::string_view line : lines) {
    if (!IsStreamLine(line) || line.find(": Audio:") == std::string_view::npos) continue;
    for (const std::string& field : SplitStreamLine(line)) {
      if (const auto audio = KbpsNumber(field)) {
        *rate -= *audio;
        break;
      }
    }
  }
  if (*rate <= 0) return std::nullopt;
  return rate;
}

}  // namespace

std::vector<std::string> SplitStreamLine(std::string_view line) {
  std::vector<std::string> fields(1);
  int depth = 0;
  for (char c : line) {
    if (c == '(' || c == '[') {
      ++depth;
    } else if ((c == ')' || c == ']') && depth > 0) {
      --depth;
    } else if (c == ',' && depth == 0) {
      fields.emplace_back();
      continue;
    }
    fields.back() += c;
  }
  return fields;
}

TSourceInformation ParseSourceInformation(std::string_view file_info_text) {
  const std::vector<std::string_view> lines = SplitLines(file_info_text);
  std::optional<std::string_view> stream_line;
  for (std::string_view line : lines) {
    if (!IsStreamLine(line)) continue;
    if (!stream_line) stream_line = line;
    if (line.find(": Video:") != std::string_view::npos) {
      stream_line = line;
      break;
    }
  }

  TSourceInformation info;
  std::vector<std::string> fields;
  std::string line;
  if (stream_line) {
    line = *stream_line;
    std::erase(line, '*');
    fields = SplitStreamLine(line);
  }
  const auto rate_field = std::find_if(
      fields.begin(), fields.end(), [](const std::string& f) { return f.find(kKbps) != std::string::npos; });
  if (rate_field != fields.end()) {
    info.VideoBitRate = BitRateText(*rate_field);
  }
  if (info.VideoBitRate.empty()) {
    if (const auto estimate = EstimatedVideoBitRate(lines)) {
      info.VideoBitRate = std::to_string(*estimate);
      info.BitRateEstimated = true;
    }
    // The bit rate is missing from its place: the later fields follow on.
    if (rate_field == fields.end() && fields.size() >= 4) {
      fields.insert(fields.begin() + 4,
                    info.BitRateEstimated ? fmt::format(" {}{}", info.VideoBitRate, kKbps) : std::string());
    }
  }

  if (!stream_line) return info;
  constexpr std::pair<std::string_view, std::size_t> kShown[] = {
      {"视频编码:", 1}, {"分辨率:", 3}, {"码率:", 4}, {"帧数:", 5}};
  for (const auto& [label, index] : kShown)
    if (index < fields.size() && !fields[index].empty())
      info.Lines.push_back(fmt::format("{}{}", label, fields[index]));
  constexpr std::string_view kDuration = "duration:";
  const auto duration = line.find(kDuration);
  info.Lines.push_back(fmt::format(
      "时长:{}", duration == std::string::npos ? std::string_view(line)
                                               : std::string_view(line).substr(duration + kDuration.size())));
  return info;
}

}  // namespace zentrova::app

#include "engine/options/stream_value_parsers.h"

#include <charconv>
#include <string>

#include "engine/options/c_integer.h"

namespace zentrova {

std::uint32_t ParseCodecTag(std::string_view text) {
  std::size_t consumed = 0;
  const TCInteger number = ReadCInteger(text);
  consumed = number.consumed;
  if (consumed == text.size()) return static_cast<std::uint32_t>(number.value);
  std::uint32_t tag = 0;
  for (std::size_t i = 0; i < 4 && i < text.size(); ++i) {
    tag |= static_cast<std::uint32_t>(static_cast<unsigned char>(text[i])) << (8 * i);
  }
  return tag;
}

namespace {

// One decimal integer at the start of `text` after optional blanks; the
// position after it in `consumed`.
std::optional<int> ReadDecimal(std::string_view text, std::size_t& consumed) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i < text.size() && text[i] == '+') ++i;
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), value);
  if (ec != std::errc()) return std::nullopt;
  consumed = static_cast<std::size_t>(end - text.data());
  return value;
}

}  // namespace

std::optional<int> ParseQuantMatrix(std::uint16_t (&matrix)[64], std::string_view text) {
  std::size_t pos = 0;
  for (int i = 0; i < 64; ++i) {
    std::size_t used = 0;
    const std::optional<int> value = ReadDecimal(text.substr(pos), used);
    if (!value || *value < 1 || *value > 255) return i;
    const std::size_t after = pos + used;
    while (pos + used < text.size() && (text[pos + used] == ' ' || text[pos + used] == '\t')) ++used;
    // Anything but a separator (or the end after the last value) is wrong.
    if (pos + used < text.size() && text[pos + used] != ',') return i;
    matrix[i] = static_cast<std::uint16_t>(*value);
    if (i == 63) break;
    const std::size_t comma = text.find(',', after);
    if (comma == std::string_view::npos) return i;
    pos = comma + 1;
  }
  return std::nullopt;
}

std::optional<std::vector<TRcOverride>> ParseRcOverride(std::string_view text) {
  std::vector<TRcOverride> result;
  std::size_t pos = 0;
  while (true) {
    TRcOverride entry;
    int values[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k) {
      std::size_t used = 0;
      const std::optional<int> value = ReadDecimal(text.substr(pos), used);
      if (!value) return std::nullopt;
      values[k] = *value;
      pos += used;
      if (k < 2) {
        if (pos >= text.size() || text[pos] != ',') return std::nullopt;
        ++pos;
      }
    }
    entry.start_frame = values[0];
    entry.end_frame = values[1];
    if (values[2] > 0) {
      entry.qscale = values[2];
      entry.quality_factor = 1.0f;
    } else {
      entry.qscale = 0;
      entry.quality_factor = static_cast<float>(-values[2]) / 100.0f;
    }
    result.push_back(entry);
    const std::size_t slash = text.find('/', pos);
    if (slash == std::string_view::npos) break;
    pos = slash + 1;
  }
  return result;
}

}  // namespace zentrova

#include "options/value_parsers.h"

#include <fmt/format.h>
#include <charconv>
#include <cmath>
#include <stdexcept>
#include <string>
#include <system_error>

#include "media/ff.h"

namespace zentrova {
namespace {

// Reads the whole of `text` as one number; an optional '+' sign is allowed,
// blanks and anything after the number are not.
template <typename T>
bool ReadWhole(std::string_view text, T& value) {
  if (text.starts_with('+')) {
    text.remove_prefix(1);
    if (text.starts_with('-')) return false;
  }
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  std::from_chars_result result;
  if constexpr (std::is_floating_point_v<T>) {
    result = std::from_chars(text.data(), end, value, std::chars_format::general);
    if (result.ec == std::errc() && !std::isfinite(value)) return false;
  } else {
    result = std::from_chars(text.data(), end, value, 10);
  }
  return result.ec == std::errc() && result.ptr == end;
}

template <typename T>
T ParseNumber(std::string_view kind, std::string_view opt, std::string_view text) {
  T value{};
  if (!ReadWhole(text, value))
    throw std::runtime_error(fmt::format("Expected {} for \"{}\" but found \"{}\"", kind, opt, text));
  return value;
}

}  // namespace

std::int32_t parse_int_value(std::string_view opt, std::string_view text) {
  return ParseNumber<std::int32_t>("integer", opt, text);
}

std::int64_t parse_int64_value(std::string_view opt, std::string_view text) {
  return ParseNumber<std::int64_t>("int64", opt, text);
}

float parse_float_value(std::string_view opt, std::string_view text) {
  return ParseNumber<float>("float", opt, text);
}

double parse_double_value(std::string_view opt, std::string_view text) {
  return ParseNumber<double>("double", opt, text);
}

std::int64_t parse_time_value(std::string_view opt, std::string_view text, TTimeKind kind) {
  const bool is_duration = kind == TTimeKind::Duration;
  std::int64_t value = 0;
  const std::string copy(text);
  // An embedded NUL would make the library read only a prefix.
  if (copy.find('\0') != std::string::npos ||
      ff::av_parse_time(&value, copy.c_str(), is_duration ? 1 : 0) < 0)
    throw std::runtime_error(
        fmt::format("Invalid {} value for \"{}\": \"{}\"", is_duration ? "duration" : "date", opt, text));
  return value;
}

}  // namespace zentrova

#include "convert/number_text.h"

#include <charconv>
#include <system_error>

#include "log/plain_text.h"

namespace zentrova::app {

std::string DecimalText(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  return std::string(buffer, result.ptr);
}

std::optional<int> ParseDecimalInteger(std::string_view text) {
  text = Trim(text, kBlanks);
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return std::nullopt;  // "+-5"
  }
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

void CapNumberText(std::optional<std::string>& text, double max) {
  if (!text) return;
  const std::string_view trimmed = Trim(*text, kBlanks);
  double value = 0;
  const auto [end, error] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value);
  if (error == std::errc{} && end == trimmed.data() + trimmed.size() && value > max) *text = DecimalText(max);
}

}  // namespace zentrova::app

#include "convert/frame_size_fit.h"

#include <algorithm>
#include <charconv>
#include <fmt/format.h>
#include <numeric>

namespace zentrova::app {
namespace {

std::optional<long long> PositiveNumber(std::string_view text) {
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size() || value <= 0 ||
      value > 100000)
    return std::nullopt;
  return value;
}

long long RoundDown(long long side, int multiple) {
  return std::max<long long>(multiple, side / multiple * multiple);
}

}  // namespace

std::optional<TFrameSize> ParseFrameSize(std::string_view text) {
  const std::size_t x = text.find('x');
  if (x == std::string_view::npos) return std::nullopt;
  const std::optional<long long> width = PositiveNumber(text.substr(0, x));
  const std::optional<long long> height = PositiveNumber(text.substr(x + 1));
  if (!width || !height) return std::nullopt;
  return TFrameSize{*width, *height};
}

TFrameSize FitFrameSize(TFrameSize size, int multiple) {
  if (multiple < 2) return size;
  return {RoundDown(size.Width, multiple), RoundDown(size.Height, multiple)};
}

std::string KeptAspectSar(TFrameSize from, TFrameSize to, int sar_num, int sar_den) {
  // No real picture has a sample aspect beyond 1000000: keeps the products below in range.
  constexpr int kMaxSarTerm = 1000000;
  if (sar_num <= 0 || sar_den <= 0 || sar_num > kMaxSarTerm || sar_den > kMaxSarTerm) sar_num = sar_den = 1;
  long long num = static_cast<long long>(sar_num) * from.Width * to.Height;
  long long den = static_cast<long long>(sar_den) * from.Height * to.Width;
  const long long divisor = std::gcd(num, den);
  if (divisor > 0) {
    num /= divisor;
    den /= divisor;
  }
  return fmt::format("{}/{}", num, den);
}

}  // namespace zentrova::app

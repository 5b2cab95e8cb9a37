#include "engine/options/c_integer.h"

#include <limits>

namespace zentrova {

namespace {

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 99;
}

}  // namespace

TCInteger ReadCInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  int base = 10;
  std::size_t digits_start = i;
  if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
      i + 2 < text.size() && DigitValue(text[i + 2]) < 16) {
    base = 16;
    digits_start = i + 2;
  } else if (i < text.size() && text[i] == '0') {
    base = 8;
  }
  // Accumulate the magnitude as unsigned so that the most negative value fits.
  constexpr std::uint64_t kLimit = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + 1;
  std::uint64_t magnitude = 0;
  bool overflow = false;
  std::size_t j = digits_start;
  for (; j < text.size(); ++j) {
    const int d = DigitValue(text[j]);
    if (d >= base) break;
    if (magnitude > (kLimit - static_cast<std::uint64_t>(d)) / static_cast<std::uint64_t>(base)) {
      overflow = true;
    } else {
      magnitude = magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
    }
  }
  if (j == digits_start) return {};  // no digit: nothing read
  TCInteger result;
  result.consumed = j;
  if (overflow || (!negative && magnitude == kLimit)) {
    result.value =
        negative ? std::numeric_limits<std::int64_t>::min() : std::numeric_limits<std::int64_t>::max();
  } else if (negative) {
    result.value = magnitude == kLimit ? std::numeric_limits<std::int64_t>::min()
                                       : -static_cast<std::int64_t>(magnitude);
  } else {
    result.value = static_cast<std::int64_t>(magnitude);
  }
  return result;
}

int ReadCInt(std::string_view text, std::size_t* consumed) {
  const TCInteger n = ReadCInteger(text);
  if (consumed) *consumed = n.consumed;
  if (n.value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (n.value < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(n.value);
}

}  // namespace zentrova

// Reading integers the way the option language writes them: C-style
// (decimal, "0x" hexadecimal, leading-0 octal), locale-independent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zentrova {

/// The result of reading a C-style integer at the start of a text.
struct TCInteger {
  std::int64_t value = 0;    ///< 0 when no digit was read; clamped to the 64-bit range
  std::size_t consumed = 0;  ///< bytes read (0: no number at the start)
};

/// Reads an optionally signed integer after optional blanks: "0x"/"0X"
/// followed by a hexadecimal digit gives base 16, a leading '0' base 8,
/// otherwise base 10. Stops at the first byte that is no digit of the base.
TCInteger ReadCInteger(std::string_view text);

/// `ReadCInteger` narrowed to 32 bits (values outside are clamped).
int ReadCInt(std::string_view text, std::size_t* consumed = nullptr);

}  // namespace zentrova

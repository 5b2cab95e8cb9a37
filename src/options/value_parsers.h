// Value parsers of the option machinery.
//
// Each parser reads a whole text as one value and throws std::runtime_error
// with the option's message when it cannot; numbers are read with '.' as the
// decimal point whatever the process locale. Blanks, trailing characters,
// hexadecimal forms, NaN and infinities are refused.
#pragma once

#include <cstdint>
#include <string_view>

namespace zentrova {

/// "Expected integer for \"opt\" but found \"text\"" when not a 32-bit integer.
std::int32_t parse_int_value(std::string_view opt, std::string_view text);
/// "Expected int64 for \"opt\" but found \"text\"" when not a 64-bit integer.
std::int64_t parse_int64_value(std::string_view opt, std::string_view text);
/// "Expected float for \"opt\" but found \"text\"" when not a finite float.
float parse_float_value(std::string_view opt, std::string_view text);
/// "Expected double for \"opt\" but found \"text\"" when not a finite double.
double parse_double_value(std::string_view opt, std::string_view text);

/// What a time text stands for.
enum class TTimeKind { Duration, Date };

/// A duration ("[-][HH:]MM:SS[.m...]" or "[-]S+[.m...][s|ms|us]") or a date
/// ("now", ISO forms) in microseconds, by the media library's time parser.
/// Throws "Invalid duration|date value for \"opt\": \"text\"".
std::int64_t parse_time_value(std::string_view opt, std::string_view text, TTimeKind kind);

}  // namespace zentrova

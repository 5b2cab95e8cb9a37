// Parsers for per-stream option values that several creators share: codec
// tags, quantiser matrices and rate-control overrides.
//
// They report what is wrong instead of raising; the engine turns a failure
// into its own error text (see the `TCustomFFmpegOpt` creators).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace zentrova {

/// A `-tag` value: a C-style integer ("0x1234"); when characters follow the
/// number, the first four characters of the text as a little-endian
/// four-character code instead. A text shorter than four characters is read
/// only as far as it goes (the missing bytes are zero).
std::uint32_t ParseCodecTag(std::string_view text);

/// Reads 64 comma-separated quantiser coefficients into `matrix`. Every
/// coefficient must be a decimal number from 1 to 255 (0 would make the
/// encoder divide by zero). Returns nothing on success, or the index of the
/// coefficient at which the text is wrong (a bad value, or the last one read
/// when fewer than 64 are given).
std::optional<int> ParseQuantMatrix(std::uint16_t (&matrix)[64], std::string_view text);

/// One `-rc_override` entry: frames start..end at quantiser `qscale` with
/// `quality_factor`.
struct TRcOverride {
  int start_frame = 0;
  int end_frame = 0;
  int qscale = 0;
  float quality_factor = 0;
};

/// Reads "start,end,q" triples separated by '/': q > 0 is a quantiser with
/// factor 1.0, q <= 0 quantiser 0 with factor -q/100. Nothing when a triple
/// is not three integers.
std::optional<std::vector<TRcOverride>> ParseRcOverride(std::string_view text);

}  // namespace zentrova

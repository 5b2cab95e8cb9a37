// Text helpers of the decoder's file description (`FileInfoText`): sizes,
// rates, times and tag lines. Pure functions of their arguments; any thread
// (SecondsText and AddMetadataLines need avutil bound).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "media/av_types.h"

namespace zentrova {

/// "1024 Byte", "1.00 KB", "1.00 MB", "1.00 GB": the unit is the largest one
/// the size exceeds (1025 bytes read "1.00 KB"; exactly 1024 stays bytes).
std::string SizeText(std::int64_t size_bytes);

/// A rate with its unit: two decimals when needed ("29.97 fps"), none for
/// whole numbers ("25 fps"), thousands for multiples of 1000 ("90k tbn"), and
/// four decimals for rates that round to 0.00 ("0.0040 fps").
std::string FpsText(double rate, const std::string& unit);

/// Seconds with six decimals ("1.500000", "-0.040000") of `t` in `time_base`;
/// empty for the no-time-stamp value.
std::string SecondsText(AVRational time_base, std::int64_t t);

/// Appends the tag lines of `metadata` (none for no tags or only a
/// "language" tag): prefix + "Metadata:", then one "<prefix>  <key:16>: value"
/// line per tag except "language". A line feed in a value continues on a
/// new line with an empty key, a carriage return becomes a space, and the
/// other control characters backspace, vertical tab and form feed are dropped.
void AddMetadataLines(std::vector<std::string>& lines, const AVDictionary* metadata,
                      const std::string& prefix);

}  // namespace zentrova

// Clip marks: where a cut clip starts in the input and how long it runs,
// and the clip time text the dialog shows. Times are microseconds.
#pragma once

#include <cstdint>
#include <string>

#include "convert/output_settings.h"
#include "convert/source_facts.h"

namespace zentrova::app {

/// The clip marks are usable: start before end (both unset marks fail this).
bool ClipIsValid(const SourceFacts& source);

/// "Cut Clip" is enabled and checked and the marks are usable.
bool ClipApplies(const OutputSettings& settings, const SourceFacts& source);

/// The input seek position of the clip: the start mark, moved past a
/// negative first-picture time (the input's times start below zero, the
/// seek counts from zero). Saturates instead of overflowing.
std::int64_t clip_start_offset(const SourceFacts& source);

/// End mark minus start mark; 0 when the marks are not usable.
std::int64_t clip_duration(const SourceFacts& source);

/// "hh:mm:ss.mmm" of `t`, with truncating division ("01:02:03.004" for
/// 3723004000); a negative time shows its signed parts.
std::string clip_time_text(std::int64_t t);

}  // namespace zentrova::app

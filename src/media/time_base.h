// The time unit of the project's records: microseconds.
#pragma once

#include <cstdint>

#include "media/ff.h"

namespace zentrova {

/// The libraries' microsecond time base (`AV_TIME_BASE`): durations and
/// time stamps in the project's records count in it.
inline constexpr AVRational kMicroseconds{1, AV_TIME_BASE};
/// Microseconds in a second.
inline constexpr std::int64_t kMicrosecondsPerSecond = AV_TIME_BASE;

}  // namespace zentrova

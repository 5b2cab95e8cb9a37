// Time texts and conversions shared by the engine's log lines and events.
#pragma once

#include <cstdint>
#include <string>

#include "media/ff.h"

namespace zentrova {

/// "HH:MM:SS.mmm" of a time in microseconds after adding 5000 (so exactly 1 s
/// reads "00:00:01.005"); "N/A" for AV_NOPTS_VALUE; a negative time gets a
/// '-' before the text of its absolute value.
std::string time_to_text(std::int64_t time_us);

/// `time_to_text` of a timestamp in `time_base`.
std::string pts_to_text(std::int64_t pts, AVRational time_base);

/// The duration of one frame at `frame_rate`, in microseconds; 40000 (25 fps)
/// when the rate has a zero part.
std::int64_t frame_duration_us(AVRational frame_rate);

/// "UTC" or "UTC+hh:mm"/"UTC-hh:mm": the local offset from UTC at the
/// instant `unix_seconds` (daylight saving time included).
std::string timezone_text(std::int64_t unix_seconds);

/// Seconds since 1970-01-01 UTC as a local date-time: days since 1899-12-30
/// with the day's fraction, the local offset of that instant included.
double unix_time_to_local(std::int64_t unix_seconds);

/// "yyyy-mm-dd hh:nn:ss" of the local date-time at `unix_seconds`.
std::string local_date_time_text(std::int64_t unix_seconds);

/// The decimal value, or "NOPTS" when it has none (the engine's debug lines).
std::string ts_text(std::int64_t ts);
/// The time in seconds as "%.6g" of ts × time_base, or "NOPTS".
std::string ts_time_text(std::int64_t ts, AVRational time_base);

}  // namespace zentrova

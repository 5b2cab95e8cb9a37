// Timestamps in the engine's debug lines (-debug_ts, packet dumps).
#pragma once

#include <cstdint>
#include <string>

#include "media/ff.h"

namespace zentrova {

/// The decimal value, or "NOPTS" when it has none.
std::string ts_text(std::int64_t ts);
/// The time in seconds as "%.6g" of ts × time_base, or "NOPTS".
std::string ts_time_text(std::int64_t ts, AVRational time_base);

}  // namespace zentrova

#include "engine/ts_text.h"

#include <fmt/format.h>

namespace zentrova {

std::string ts_text(std::int64_t ts) {
  return ts == AV_NOPTS_VALUE ? "NOPTS" : std::to_string(ts);
}

std::string ts_time_text(std::int64_t ts, AVRational time_base) {
  if (ts == AV_NOPTS_VALUE) return "NOPTS";
  return fmt::format("{:.6g}", av_q2d(time_base) * static_cast<double>(ts));
}

}  // namespace zentrova

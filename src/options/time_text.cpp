#include "options/time_text.h"

#include <fmt/format.h>
#include <ctime>

namespace zentrova {
namespace {

std::tm LocalTime(std::int64_t unix_seconds) {
  const std::time_t t = static_cast<std::time_t>(unix_seconds);
  std::tm local{};
  localtime_r(&t, &local);
  return local;
}

}  // namespace

std::string time_to_text(std::int64_t time_us) {
  if (time_us == AV_NOPTS_VALUE) return "N/A";
  // Unsigned arithmetic: the absolute value of any int64 and the added
  // 5000 us fit without overflow.
  const bool negative = time_us < 0;
  const std::uint64_t magnitude =
      (negative ? 0 - static_cast<std::uint64_t>(time_us) : static_cast<std::uint64_t>(time_us)) + 5000;
  const std::uint64_t seconds = magnitude / 1000000;
  const std::uint64_t remainder_us = magnitude % 1000000;
  return fmt::format("{}{:02}:{:02}:{:02}.{:03}", negative ? "-" : "", seconds / 3600, (seconds / 60) % 60,
                     seconds % 60, remainder_us * 1000 / 1000000);
}

std::string pts_to_text(std::int64_t pts, AVRational time_base) {
  if (pts != AV_NOPTS_VALUE && !(time_base.num == 1 && time_base.den == 1000000))
    pts = ff::av_rescale_q(pts, time_base, AVRational{1, AV_TIME_BASE});
  return time_to_text(pts);
}

std::int64_t frame_duration_us(AVRational frame_rate) {
  if (frame_rate.num == 0 || frame_rate.den == 0) return 1000000 / 25;
  return std::int64_t{1000000} * frame_rate.den / frame_rate.num;
}

std::string timezone_text(std::int64_t unix_seconds) {
  const long offset_s = LocalTime(unix_seconds).tm_gmtoff;
  if (offset_s == 0) return "UTC";
  const long magnitude_min = (offset_s < 0 ? -offset_s : offset_s) / 60;
  return fmt::format("UTC{}{:02}:{:02}", offset_s > 0 ? '+' : '-', magnitude_min / 60, magnitude_min % 60);
}

double unix_time_to_local(std::int64_t unix_seconds) {
  constexpr double kDaysFrom1899To1970 = 25569;
  const long offset_s = LocalTime(unix_seconds).tm_gmtoff;
  return kDaysFrom1899To1970 + static_cast<double>(unix_seconds + offset_s) / 86400.0;
}

std::string local_date_time_text(std::int64_t unix_seconds) {
  const std::tm t = LocalTime(unix_seconds);
  return fmt::format("{:04}-{:02}-{:02} {:02}:{:02}:{:02}", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                     t.tm_hour, t.tm_min, t.tm_sec);
}

std::string ts_text(std::int64_t ts) {
  return ts == AV_NOPTS_VALUE ? "NOPTS" : std::to_string(ts);
}

std::string ts_time_text(std::int64_t ts, AVRational time_base) {
  if (ts == AV_NOPTS_VALUE) return "NOPTS";
  return fmt::format("{:.6g}", av_q2d(time_base) * static_cast<double>(ts));
}

}  // namespace zentrova

#include "engine/transcode/forced_key_frames.h"

#include <algorithm>
#include <string>

#include "engine/open/output_stream.h"
#include "log/logger.h"
#include "media/time_base.h"
#include "options/value_parsers.h"

namespace zentrova {

std::vector<std::int64_t> ParseKeyFrameTimes(std::string_view list, std::span<const TChapterStart> chapters,
                                             AVRational time_base) {
  constexpr std::string_view kChapters = "chapters";
  std::vector<std::int64_t> times;
  std::size_t begin = 0;
  while (begin <= list.size()) {
    const std::size_t comma = std::min(list.find(',', begin), list.size());
    const std::string_view entry = list.substr(begin, comma - begin);
    begin = comma + 1;
    if (entry.starts_with(kChapters)) {
      const std::string_view offset_text = entry.substr(kChapters.size());
      const std::int64_t offset_us =
          offset_text.empty() ? 0 : parse_time_value("force_key_frames", offset_text, TTimeKind::Duration);
      const std::int64_t offset = ff::av_rescale_q(offset_us, kMicroseconds, time_base);
      for (const TChapterStart& c : chapters)
        times.push_back(ff::av_rescale_q(c.start, c.time_base, time_base) + offset);
    } else {
      const std::int64_t t_us = parse_time_value("force_key_frames", entry, TTimeKind::Duration);
      times.push_back(ff::av_rescale_q(t_us, kMicroseconds, time_base));
    }
  }
  std::sort(times.begin(), times.end());
  return times;
}

bool DecideForcedKeyFrame(TOutputStream& ost, std::int64_t pts, double pts_time, bool source_key_frame) {
  if (ost.forced_kf_index < ost.forced_kf_count &&
      pts >= ost.forced_kf_pts[static_cast<std::size_t>(ost.forced_kf_index)]) {
    ++ost.forced_kf_index;
    return true;
  }
  if (ost.forced_keyframes_pexpr) {
    double* values = ost.forced_keyframes_expr_const_values;
    values[FKF_T] = pts_time;
    const double res = ff::av_expr_eval(ost.forced_keyframes_pexpr.get(), values, nullptr);
    LogFmt(TLogLevel::llDebug,
           "force_key_frame: n:{:f} n_forced:{:f} prev_forced_n:{:f} t:{:f} prev_forced_t:{:f} -> res:{:f}",
           values[FKF_N], values[FKF_N_FORCED], values[FKF_PREV_FORCED_N], values[FKF_T],
           values[FKF_PREV_FORCED_T], res);
    const bool forced = res != 0;
    if (forced) {
      values[FKF_PREV_FORCED_N] = values[FKF_N];
      values[FKF_PREV_FORCED_T] = values[FKF_T];
      values[FKF_N_FORCED] += 1;
    }
    values[FKF_N] += 1;
    return forced;
  }
  return ost.forced_keyframes.starts_with("source") && source_key_frame;
}

}  // namespace zentrova

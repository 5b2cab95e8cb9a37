#include "engine/transcode/mux_timestamps.h"

#include <algorithm>

#include "media/ff.h"

namespace zentrova {

void KeepDtsIncreasing(std::int64_t& pts, std::int64_t& dts, std::int64_t& last_dts) {
  if (last_dts != AV_NOPTS_VALUE && (dts == AV_NOPTS_VALUE || dts <= last_dts)) dts = last_dts + 1;
  if (dts != AV_NOPTS_VALUE && (pts == AV_NOPTS_VALUE || pts < dts)) pts = dts;
  if (dts != AV_NOPTS_VALUE) last_dts = dts;
}

TMuxTimestampRepair RepairMuxTimestamps(std::int64_t pts, std::int64_t dts, std::int64_t last_mux_dts,
                                        bool timed_stream, bool is_video, bool strict) {
  TMuxTimestampRepair out;
  if (pts != AV_NOPTS_VALUE && dts != AV_NOPTS_VALUE && dts > pts) {
    // The median of pts, dts and the next acceptable dts: the guess closest
    // to both the packet's own times and the stream's progress.
    const std::int64_t next = last_mux_dts == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : last_mux_dts + 1;
    const std::int64_t guess = next == AV_NOPTS_VALUE
                                   ? std::min(pts, dts)
                                   : std::max(std::min(pts, dts), std::min(std::max(pts, dts), next));
    out.invalid_dts = true;
    pts = dts = guess;
  }
  if (timed_stream && dts != AV_NOPTS_VALUE && last_mux_dts != AV_NOPTS_VALUE) {
    const std::int64_t accepted = last_mux_dts + (strict ? 1 : 0);
    if (dts < accepted) {
      out.non_monotonic = true;
      out.loud = accepted - dts > 2 || is_video;
      out.accepted_dts = accepted;
      if (pts != AV_NOPTS_VALUE && pts >= dts) pts = std::max(pts, accepted);
      dts = accepted;
    }
  }
  out.pts = pts;
  out.dts = dts;
  return out;
}

}  // namespace zentrova

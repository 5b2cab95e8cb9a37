// Timestamp rules applied to packets on their way into a muxer.
//
// Pure functions over the numbers, used by `copy_packet`, the encoders'
// packet output in join mode and `mux_packet`; the callers log and count.
//
// Threads: none of their own; called on the run's thread.
#pragma once

#include <cstdint>

namespace zentrova {

/// Keeps a stream's dts strictly increasing and its pts never below its dts:
/// a dts at or below `last_dts` becomes `last_dts` + 1 (a missing dts after
/// a known one too), then a pts below the dts (or missing) becomes the dts;
/// `last_dts` takes the result. Used for every copied packet and, in join
/// mode, for every encoded packet (where B-frames make the pts of
/// consecutive packets go back and forth, so only the dts is forced up).
void KeepDtsIncreasing(std::int64_t& pts, std::int64_t& dts, std::int64_t& last_dts);

/// What `mux_packet` does to a packet's timestamps before writing.
struct TMuxTimestampRepair {
  std::int64_t pts = 0;
  std::int64_t dts = 0;
  bool invalid_dts = false;    ///< dts was after pts: both replaced by a guess
  bool non_monotonic = false;  ///< dts was below what the muxer accepts: raised to `accepted_dts`
  bool loud = false;           ///< with `non_monotonic`: a warning (else a debug line)
  std::int64_t accepted_dts = 0;
};

/// The muxer-side repairs for one packet of a stream whose last written dts
/// is `last_mux_dts` (AV_NOPTS_VALUE before the first). `timed_stream`: an
/// audio or video stream whose dts the muxer checks (false for VP9 copies);
/// `strict`: the container lacks AVFMT_TS_NONSTRICT (dts must grow by one).
TMuxTimestampRepair RepairMuxTimestamps(std::int64_t pts, std::int64_t dts, std::int64_t last_mux_dts,
                                        bool timed_stream, bool is_video, bool strict);

}  // namespace zentrova

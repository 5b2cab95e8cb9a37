// The time of a filtered frame on its encoder's clock.
//
// `drain_filters` moves every frame it pulls from a buffer sink from the
// sink's time base to the encoder's, relative to the output's start time.
// Video also needs the exact (fractional) position, for the frame-rate
// decisions of `do_video_out`.
#pragma once

#include <cstdint>

#include "media/ff.h"

namespace zentrova {

struct TFilteredFrameTime {
  double exact = 0;      ///< position in encoder ticks, nudged off exact midpoints
  std::int64_t pts = 0;  ///< position in encoder ticks, rounded
};

/// `pts` (in `filter_time_base`, never AV_NOPTS_VALUE) on the clock of
/// `encoder_time_base`, minus `start_time_us` (the output's -ss; 0 when none).
TFilteredFrameTime FilteredFrameTime(std::int64_t pts, AVRational filter_time_base,
                                     AVRational encoder_time_base, std::int64_t start_time_us);

}  // namespace zentrova

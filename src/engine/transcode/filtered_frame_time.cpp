#include "engine/transcode/filtered_frame_time.h"

#include <algorithm>
#include <bit>
#include <cstdint>

#include "media/time_base.h"

namespace zentrova {

TFilteredFrameTime FilteredFrameTime(std::int64_t pts, AVRational filter_time_base,
                                     AVRational encoder_time_base, std::int64_t start_time_us) {
  // A finer clock (up to 2^29 ticks per unit) keeps the fraction of a tick.
  const int log2_den = std::bit_width(static_cast<unsigned>(encoder_time_base.den)) - 1;
  const int extra_bits = std::clamp(29 - log2_den, 0, 16);
  AVRational fine = encoder_time_base;
  fine.den <<= extra_bits;
  TFilteredFrameTime out;
  out.exact = static_cast<double>(ff::av_rescale_q(pts, filter_time_base, fine) -
                                  ff::av_rescale_q(start_time_us, kMicroseconds, fine));
  out.exact /= static_cast<double>(1 << extra_bits);
  // Away from exact midpoints, so that rounding never flips between runs.
  out.exact += (out.exact > 0 ? 1.0 : -1.0) / (1 << 17);
  out.pts = ff::av_rescale_q(pts, filter_time_base, encoder_time_base) -
            ff::av_rescale_q(start_time_us, kMicroseconds, encoder_time_base);
  return out;
}

}  // namespace zentrova

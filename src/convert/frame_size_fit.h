// Frame sizes an encoder of 4:2:0 pictures takes: each side a multiple of
// 2 (16 for some codecs), with the display aspect kept through the sample
// aspect ratio. Pure functions; any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zentrova::app {

struct TFrameSize {
  long long Width = 0;
  long long Height = 0;
  bool operator==(const TFrameSize&) const = default;
};

/// "320x240" as a size; nothing for any other text or a side not positive.
std::optional<TFrameSize> ParseFrameSize(std::string_view text);

/// Each side rounded down to a multiple of `multiple` (at least one
/// multiple); `size` itself when `multiple` is below 2.
TFrameSize FitFrameSize(TFrameSize size, int multiple);

/// The sample aspect ratio "N/D" (reduced) under which a picture of size
/// `to` shows the display aspect that `from` has with the sample aspect
/// `sar_num`/`sar_den` (square pixels when that is not positive).
std::string KeptAspectSar(TFrameSize from, TFrameSize to, int sar_num, int sar_den);

}  // namespace zentrova::app

// How the conversion list writes sizes and times: short texts for the
// cells, the exact numbers for their tool tips.
//
// Pure functions; any thread (the texts are translated on first use).
#pragma once

#include <QString>
#include <cstdint>

namespace zentrova::ui {

/// Bytes in B, KiB, MiB or GiB ("512 B", "1.5 KiB", "12.3 MiB", "1.25 GiB").
QString SizeText(std::int64_t bytes);
/// The exact size: "1234567 bytes".
QString SizeTip(std::int64_t bytes);
/// Microseconds as h:mm:ss, truncated ("0:00:09", "1:02:03"); negative
/// values count as 0.
QString MediaTimeText(std::int64_t time_us);
/// The exact time in seconds with milliseconds: "9.999 s".
QString MediaTimeTip(std::int64_t time_us);

}  // namespace zentrova::ui

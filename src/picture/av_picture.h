// A picture as the media library lays it out: plane addresses and line sizes.
#pragma once

#include <cstdint>

namespace zentrova {

/// Four plane addresses and four line sizes. The planes belong to whoever
/// hands the picture out (a decoder's current frame, a hooked frame).
struct TAVPicture {
  std::uint8_t* data[4] = {nullptr, nullptr, nullptr, nullptr};
  int linesize[4] = {0, 0, 0, 0};
};

}  // namespace zentrova

// The hardware decoding methods the engine knows by name.
#pragma once

#include <span>
#include <string_view>

#include "engine/open/input_stream.h"
#include "media/ff.h"

namespace zentrova {

/// One hardware decoding method: its option name, identifier and the pixel
/// format of the frames its decoder produces. Its decoder set-up is chosen
/// by `id` when the transcode opens the decoder.
struct THWAccel {
  std::string_view name;
  THWAccelID id = THWAccelID::HWACCEL_NONE;
  AVPixelFormat pix_fmt = AV_PIX_FMT_NONE;
};

/// The known methods: only "qsv" (Intel Quick Sync Video).
std::span<const THWAccel> HwaccelMethods();

/// The method with identifier `id`, or null.
const THWAccel* FindHwaccel(THWAccelID id);
/// The method named `name` (exact), or null.
const THWAccel* FindHwaccelByName(std::string_view name);

}  // namespace zentrova

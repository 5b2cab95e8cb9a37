// The media libraries' API as process-wide slots.
//
// Every entry point of the media libraries is reached through a slot in
// namespace `ff` with the type of its header declaration, e.g.
// `ff::av_frame_alloc()`. The slots are empty until the loader binds their
// library (see library_loader.h) and emptied again when it is unloaded. No
// binary of the project links a media library, so a call that bypasses a
// slot fails to link.
//
// Threads: slots are written only by the loader on the main thread; other
// threads read them only while their library is loaded.
#pragma once

#include "media/av_types.h"

#include "media/entry_points_libavcodec.inc"
#include "media/entry_points_libavdevice.inc"
#include "media/entry_points_libavfilter.inc"
#include "media/entry_points_libavformat.inc"
#include "media/entry_points_libavutil.inc"
#include "media/entry_points_libswresample.inc"
#include "media/entry_points_libswscale.inc"

/// Every media-library entry point the project may call, by library.
#define ZENTROVA_ALL_ENTRY_POINTS(X)  \
  ZENTROVA_AVCODEC_ENTRY_POINTS(X)    \
  ZENTROVA_AVDEVICE_ENTRY_POINTS(X)   \
  ZENTROVA_AVFILTER_ENTRY_POINTS(X)   \
  ZENTROVA_AVFORMAT_ENTRY_POINTS(X)   \
  ZENTROVA_AVUTIL_ENTRY_POINTS(X)     \
  ZENTROVA_SWRESAMPLE_ENTRY_POINTS(X) \
  ZENTROVA_SWSCALE_ENTRY_POINTS(X)

namespace ff {
#define ZENTROVA_DECLARE_SLOT(name) inline decltype(&::name) name = nullptr;
ZENTROVA_ALL_ENTRY_POINTS(ZENTROVA_DECLARE_SLOT)
#undef ZENTROVA_DECLARE_SLOT

/// The dispatcher of the hardware media SDK (optional; `mfxStatus MFXInit(...)`).
using MFXInitFn = int (*)(int implementation, void* version, void** session);
inline MFXInitFn MFXInit = nullptr;
}  // namespace ff

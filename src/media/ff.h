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

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavdevice/avdevice.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
#include <libavutil/avstring.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/avutil.h>
#include <libavutil/bprint.h>
#include <libavutil/channel_layout.h>
#include <libavutil/cpu.h>
#include <libavutil/dict.h>
#include <libavutil/display.h>
#include <libavutil/error.h>
#include <libavutil/eval.h>
#include <libavutil/fifo.h>
#include <libavutil/frame.h>
#include <libavutil/hwcontext.h>
#include <libavutil/imgutils.h>
#include <libavutil/intreadwrite.h>
#include <libavutil/log.h>
#include <libavutil/mathematics.h>
#include <libavutil/opt.h>
#include <libavutil/parseutils.h>
#include <libavutil/pixdesc.h>
#include <libavutil/samplefmt.h>
#include <libavutil/time.h>
#include <libavutil/timecode.h>
#include <libavutil/timestamp.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

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

#include "engine/transcode/video_sync.h"

#include <algorithm>
#include <cmath>

#include "engine/ffmpeg_exception.h"
#include "media/ff.h"

namespace zentrova {
namespace {

int MedianOfThree(int a, int b, int c) {
  return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

// Picture times carry round-off from their time-base conversions (about
// 1e-5 ticks): a picture end this close to the clock counts as on it.
constexpr double kTickRoundOff = 1e-3;

// Whether a picture shorter than an output frame (the output rate is below
// the pictures' rate, some pictures must go) ends before the output clock:
// it has no frame of its own and is dropped. The slack the methods give
// pictures for jittery timestamps (1.1 frames with CFR, 0.6 with VFR) would
// let the clock run up to 1.7 frames ahead of such pictures: late pictures
// all through, and extra frames at the end (25 fps to 15 fps gave 17 frames
// for one second).
bool ShortPictureIsPast(double duration, double delta) {
  return duration > 0 && duration < 1 && delta < kTickRoundOff;
}

}  // namespace

int ResolveVideoSyncMethod(int requested, std::string_view format_name, int format_flags,
                           bool single_stream_source_without_offset, bool copy_ts) {
  if (requested != VSYNC_AUTO) return requested;
  int method = VSYNC_VFR;
  if (format_name != "avi") {
    if (!(format_flags & AVFMT_VARIABLE_FPS))
      method = VSYNC_CFR;
    else
      method = (format_flags & AVFMT_NOTIMESTAMPS) ? VSYNC_PASSTHROUGH : VSYNC_VFR;
  }
  if (method == VSYNC_CFR && (single_stream_source_without_offset || copy_ts)) method = VSYNC_VSCFR;
  return method;
}

TVideoSyncDecision DecideVideoSync(const TVideoSyncInput& in) {
  TVideoSyncDecision out;
  out.sync_opts = in.sync_opts;
  std::int64_t nb = 1;
  std::int64_t nb0 = 0;
  if (in.flush) {
    nb0 = nb = MedianOfThree(in.last_nb0_frames[0], in.last_nb0_frames[1], in.last_nb0_frames[2]);
    if (!std::isnan(in.last_picture_end)) {
      const std::int64_t room =
          std::max<std::int64_t>(std::llrint(in.last_picture_end - static_cast<double>(in.sync_opts)), 0);
      nb0 = nb = std::min(nb, room);
    }
  } else {
    double sync_ipts = in.sync_ipts;
    double duration = in.duration;
    double delta0 = sync_ipts - static_cast<double>(in.sync_opts);  // how far the picture is from the clock
    double delta = delta0 + duration;                               // where the picture's end lands
    const bool timed = in.method != VSYNC_PASSTHROUGH && in.method != VSYNC_DROP;
    if (delta0 < 0 && delta > 0 && timed) {
      out.clip = delta0 < -0.6 ? TVideoSyncClip::PastDurationTooLarge : TVideoSyncClip::Clipped;
      out.clipped_by = -delta0;
      sync_ipts = static_cast<double>(in.sync_opts);
      duration += delta0;
      delta0 = 0;
    }
    switch (in.method) {
      case VSYNC_VSCFR:
        if (in.frame_number == 0 && delta0 >= 0.5) {
          out.initial_frames_not_duplicated = std::llrint(delta0);
          delta = duration;
          delta0 = 0;
          out.sync_opts = std::llrint(sync_ipts);
        }
        [[fallthrough]];
      case VSYNC_CFR:
        if (in.frame_drop_threshold != 0 && delta < in.frame_drop_threshold && in.frame_number != 0) {
          nb = 0;
        } else if (delta < -1.1 || ShortPictureIsPast(in.duration, delta)) {
          nb = 0;
        } else if (delta > 1.1) {
          nb = std::llrint(delta);
          if (delta0 > 1.1) nb0 = std::llrint(delta0 - 0.6);
        }
        break;
      case VSYNC_VFR:
        if (delta <= -0.6 || ShortPictureIsPast(in.duration, delta))
          nb = 0;
        else if (delta > 0.6)
          out.sync_opts = std::llrint(sync_ipts);
        break;
      case VSYNC_DROP:
      case VSYNC_PASSTHROUGH:
        out.sync_opts = std::llrint(sync_ipts);
        break;
      default:
        throw FFmpegException("Never occur");
    }
  }
  nb = std::min(nb, std::max<std::int64_t>(in.max_frames - in.frame_number, 0));
  nb0 = std::min(nb0, nb);
  out.last_nb0_frames[0] = static_cast<int>(std::min<std::int64_t>(nb0, INT32_MAX));
  out.last_nb0_frames[1] = in.last_nb0_frames[0];
  out.last_nb0_frames[2] = in.last_nb0_frames[1];
  out.nb = nb;
  out.nb0 = nb0;
  out.dropped_previous = nb0 == 0 && in.last_dropped;
  // Frames that are neither the picture itself nor a copy that replaces a dropped one.
  const std::int64_t expected = ((nb0 > 0 && in.last_dropped) ? 1 : 0) + (nb > nb0 ? 1 : 0);
  if (nb > expected) {
    if (static_cast<double>(nb) > in.dts_delta_threshold * 30) {
      out.skip_too_large = true;
      out.last_dropped = in.last_dropped;
      return out;
    }
    out.duplicated = nb - expected;
  }
  out.last_dropped = nb == nb0 && !in.flush;
  return out;
}

}  // namespace zentrova

// Fitting filtered pictures to an output stream's frame clock.
//
// `do_video_out` asks, for every filtered picture (or at the end, with none),
// how many times the picture is written (`nb`), how many of those writes
// repeat the previous picture instead (`nb0`), and where the output clock
// (`sync_opts`) stands. The answer depends only on numbers, so it is a pure
// function here; `do_video_out` applies it (encodes, counts, logs).
//
// Threads: none of its own; called on the run's thread.
#pragma once

#include <cmath>
#include <cstdint>
#include <string_view>

namespace zentrova {

/// Values of `Fvideo_sync_method`.
inline constexpr int VSYNC_AUTO = -1;
inline constexpr int VSYNC_PASSTHROUGH = 0;
inline constexpr int VSYNC_CFR = 1;
inline constexpr int VSYNC_VFR = 2;
inline constexpr int VSYNC_VSCFR = 254;  ///< constant rate without duplicating leading frames
inline constexpr int VSYNC_DROP = 255;

/// The method for one output stream: `requested` unless it is VSYNC_AUTO,
/// which becomes VFR for "avi"; CFR for a container without
/// AVFMT_VARIABLE_FPS; PASSTHROUGH with AVFMT_NOTIMESTAMPS; else VFR. An
/// automatic CFR becomes VSCFR when the source is the only stream of its
/// input file and that input has no timestamp offset, or with -copyts.
int ResolveVideoSyncMethod(int requested, std::string_view format_name, int format_flags,
                           bool single_stream_source_without_offset, bool copy_ts);

/// What `do_video_out` knows before it decides.
struct TVideoSyncInput {
  int method = VSYNC_CFR;      ///< resolved (never VSYNC_AUTO)
  bool flush = false;          ///< no picture: repeat the recent pattern once more
  double sync_ipts = 0;        ///< the picture's exact time in encoder ticks
  double duration = 0;         ///< expected picture duration in encoder ticks (0: unknown)
  std::int64_t sync_opts = 0;  ///< the output clock: the next frame's position
  std::int64_t frame_number = 0;
  std::int64_t max_frames = INT64_MAX;
  double frame_drop_threshold = 0;     ///< -frame_drop_threshold; 0: off
  double dts_delta_threshold = 10;     ///< a run of more than 30× this many copies is skipped
  int last_nb0_frames[3] = {0, 0, 0};  ///< newest first
  bool last_dropped = false;
  /// Flush only: where the last picture ends, in encoder ticks (NaN when
  /// unknown). The flush repeats the recent pattern but never writes past it,
  /// so that an irregular input does not end with a run of frozen frames.
  double last_picture_end = NAN;
};

/// How a picture that arrived before the output clock was handled.
enum class TVideoSyncClip { None, Clipped, PastDurationTooLarge };

/// The decision for one picture.
struct TVideoSyncDecision {
  std::int64_t nb = 1;         ///< frames to write (0: drop the picture)
  std::int64_t nb0 = 0;        ///< of those, copies of the previous picture written first
  std::int64_t sync_opts = 0;  ///< the clock to start writing at
  TVideoSyncClip clip = TVideoSyncClip::None;
  double clipped_by = 0;                           ///< ticks the picture came too early (with `clip`)
  std::int64_t initial_frames_not_duplicated = 0;  ///< VSCFR: leading gap not filled
  bool dropped_previous = false;                   ///< the previous picture was never written: count a drop
  bool skip_too_large = false;         ///< the duplication run is too long: count a drop, write nothing
  std::int64_t duplicated = 0;         ///< frames added by duplication (the dup counter grows by it)
  bool last_dropped = false;           ///< the new `last_dropped`
  int last_nb0_frames[3] = {0, 0, 0};  ///< the new history, newest first
};

/// Decides how often a picture is written; see TVideoSyncInput. A picture
/// shorter than a tick (a rate conversion down) is dropped once it ends
/// before the clock; longer ones get slack for jitter (CFR 1.1 ticks, VFR
/// 0.6). Throws FFmpegException "Never occur" for an unknown method.
TVideoSyncDecision DecideVideoSync(const TVideoSyncInput& in);

}  // namespace zentrova

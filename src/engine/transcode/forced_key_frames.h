// Forced key frames of an encoded video stream (-force_key_frames).
//
// The option's text is one of: "expr:<expression>" over the constants
// below, evaluated for every frame; "source", forcing a key frame wherever
// the decoded input had one; or a comma-separated list of times, where an
// entry "chapters[+-offset]" stands for the start of every chapter of the
// output plus the offset.
//
// Threads: the run's thread (the list is parsed by `transcode_init`).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "media/ff.h"

namespace zentrova {

struct TOutputStream;

/// Indices of `forced_keyframes_expr_const_values`, in the order of
/// `kForcedKeyframesConstNames`.
enum TForcedKeyframesConst : int { FKF_N, FKF_N_FORCED, FKF_PREV_FORCED_N, FKF_PREV_FORCED_T, FKF_T, FKF_NB };
/// The names the expression may use; null-terminated for av_expr_parse.
inline constexpr const char* kForcedKeyframesConstNames[] = {
    "n", "n_forced", "prev_forced_n", "prev_forced_t", "t", nullptr};

/// The start of one chapter of the output.
struct TChapterStart {
  std::int64_t start = 0;
  AVRational time_base{1, AV_TIME_BASE};
};

/// The times of a list text, in `time_base`, ascending. Throws
/// std::runtime_error "Invalid duration value for
/// \"force_key_frames\": …" for an entry that is not a time.
std::vector<std::int64_t> ParseKeyFrameTimes(std::string_view list, std::span<const TChapterStart> chapters,
                                             AVRational time_base);

/// Whether the frame at `pts` (encoder ticks; `pts_time` in seconds, NaN
/// when unknown) must be a key frame, advancing the stream's list index or
/// expression constants. `source_key_frame`: the decoded input frame was one.
bool DecideForcedKeyFrame(TOutputStream& ost, std::int64_t pts, double pts_time, bool source_key_frame);

}  // namespace zentrova

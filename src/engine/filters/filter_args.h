// Argument texts of the filters the engine inserts into a graph.
//
// Numbers are written with '.' whatever the process locale (the desktop
// front end switches to the user's locale, which may use a decimal comma
// that the filters would misread).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zentrova {

/// `value` with six decimals, like C's "%f" in the "C" locale ("2.000000").
std::string FormatFixed6(double value);

/// A 64-bit channel mask as "0x" and lower-case hexadecimal digits.
std::string ChannelMaskText(std::uint64_t mask);

/// One filter to insert: its name and argument text (empty: none).
struct TFilterStep {
  std::string name;
  std::string args;
  bool operator==(const TFilterStep&) const = default;
};

/// The filters that turn a picture shown rotated by `theta_degrees` upright:
/// about 90 -> transpose=clock; about 180 -> hflip, vflip; about 270 ->
/// transpose=cclock; any other angle beyond 1 degree -> rotate by
/// "<theta>*PI/180"; none otherwise.
std::vector<TFilterStep> RotationFilters(double theta_degrees);

/// The filters that fit any picture into a `width` x `height` frame of
/// pixel aspect `sar_num`:`sar_den` (0: square) with its own display aspect
/// kept: "scale" to the largest box of that shape inside the frame (even
/// sizes), "setsar" to the frame's pixel aspect, then "pad" with black bars
/// around the centred box. The box is worked out by the scaler from the
/// picture it gets, so a picture of the frame's own shape fills the frame.
std::vector<TFilterStep> FitIntoFrameFilters(int width, int height, int sar_num, int sar_den);

/// The "aresample" arguments of -async: "async=%d:min_hard_comp=%f", plus
/// ":first_pts=0" on the first build of the graph.
std::string AsyncResampleArgs(int audio_sync_method, float drift_threshold, bool reconfiguration);

}  // namespace zentrova

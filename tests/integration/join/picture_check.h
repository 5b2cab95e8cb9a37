// Decodes the pictures of a file's first video stream, for comparing which
// source picture each output picture shows and where on the frame it is.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "media/ff.h"

namespace zentrova::test {

/// The luma plane of one decoded picture, one byte a pixel, row after row.
struct LumaPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> luma;
  std::uint8_t At(int x, int y) const { return luma[static_cast<std::size_t>(y) * width + x]; }
};

/// The first video stream's frame and pixel aspect, as the container and
/// as the coded stream state them (0:1 when not stated). Throws
/// std::runtime_error when the file cannot be probed.
struct VideoShape {
  int width = 0, height = 0;
  AVRational stream_sar{0, 1};
  AVRational codec_sar{0, 1};
};
VideoShape ProbeVideoShape(const std::string& path);

/// Every picture of the first video stream, in display order, as stored
/// (a display matrix is not applied). Throws std::runtime_error when the
/// file cannot be decoded.
std::vector<LumaPicture> DecodeLumaPictures(const std::string& path);

/// The luma plane of every picture of the first video stream, in display
/// order, sampled every 4th pixel of every 4th row (enough to tell pictures
/// apart). Throws std::runtime_error when the file cannot be decoded.
std::vector<std::vector<std::uint8_t>> DecodeLumaSamples(const std::string& path);

/// The mean absolute difference of two sample sets of the same size.
double MeanDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b);

}  // namespace zentrova::test

// Decodes the pictures of a file's first video stream, for comparing which
// source picture each output picture shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zentrova::test {

/// The luma plane of every picture of the first video stream, in display
/// order, sampled every 4th pixel of every 4th row (enough to tell pictures
/// apart). Throws std::runtime_error when the file cannot be decoded.
std::vector<std::vector<std::uint8_t>> DecodeLumaSamples(const std::string& path);

/// The mean absolute difference of two sample sets of the same size.
double MeanDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b);

}  // namespace zentrova::test

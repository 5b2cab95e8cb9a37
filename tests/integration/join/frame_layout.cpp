#include "join/frame_layout.h"

#include <cstdlib>
#include <stdexcept>

namespace zentrova::test {
namespace {

constexpr int kEdgeBand = 3;

}  // namespace

LumaPicture Turned(const LumaPicture& picture, int degrees) {
  const bool sideways = degrees == 90 || degrees == 270;
  LumaPicture out{sideways ? picture.height : picture.width, sideways ? picture.width : picture.height, {}};
  out.luma.resize(picture.luma.size());
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x) {
      int sx = x, sy = y;
      switch (degrees) {
        case 90:  // the left column, read upwards, becomes the top row
          sx = y;
          sy = picture.height - 1 - x;
          break;
        case 180:
          sx = picture.width - 1 - x;
          sy = picture.height - 1 - y;
          break;
        case 270:
          sx = picture.width - 1 - y;
          sy = x;
          break;
        default:
          break;
      }
      out.luma[static_cast<std::size_t>(y) * out.width + x] = picture.At(sx, sy);
    }
  }
  return out;
}

double BoxDifference(const LumaPicture& frame, const PictureBox& box, const LumaPicture& source) {
  std::int64_t sum = 0;
  std::int64_t count = 0;
  for (int y = box.y + kEdgeBand; y < box.y + box.height - kEdgeBand; ++y) {
    const int sy = (2 * (y - box.y) + 1) * source.height / (2 * box.height);
    for (int x = box.x + kEdgeBand; x < box.x + box.width - kEdgeBand; ++x) {
      const int sx = (2 * (x - box.x) + 1) * source.width / (2 * box.width);
      sum += std::abs(int{frame.At(x, y)} - int{source.At(sx, sy)});
      ++count;
    }
  }
  if (count == 0) throw std::invalid_argument("The box leaves nothing to compare");
  return static_cast<double>(sum) / static_cast<double>(count);
}

double MeanLumaOutside(const LumaPicture& frame, const PictureBox& box) {
  std::int64_t sum = 0;
  std::int64_t count = 0;
  for (int y = 0; y < frame.height; ++y) {
    const bool row_near = y >= box.y - kEdgeBand && y < box.y + box.height + kEdgeBand;
    for (int x = 0; x < frame.width; ++x) {
      if (row_near && x >= box.x - kEdgeBand && x < box.x + box.width + kEdgeBand) continue;
      sum += frame.At(x, y);
      ++count;
    }
  }
  return count == 0 ? 0.0 : static_cast<double>(sum) / static_cast<double>(count);
}

}  // namespace zentrova::test

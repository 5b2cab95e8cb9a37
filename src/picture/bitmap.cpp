#include "picture/bitmap.h"

#include <algorithm>
#include <stdexcept>

#include <fmt/format.h>

namespace zentrova {

int StorageBitsPerPixel(TBMPPixelFormat format) {
  switch (format) {
    case TBMPPixelFormat::pf8bit:
      return 8;
    case TBMPPixelFormat::pf15bit:
    case TBMPPixelFormat::pf16bit:
      return 16;
    case TBMPPixelFormat::pf24bit:
      return 24;
    case TBMPPixelFormat::pf32bit:
      return 32;
  }
  throw std::invalid_argument(fmt::format("Invalid PixelFormat {}", static_cast<int>(format)));
}

TBitmap::TBitmap(int width, int height, TBMPPixelFormat format) {
  SetPixelFormat(format);
  SetSize(width, height);
}

void TBitmap::SetSize(int width, int height) {
  width = width < 0 ? 0 : width;
  height = height < 0 ? 0 : height;
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  Allocate();
}

void TBitmap::SetPixelFormat(TBMPPixelFormat format) {
  if (!IsValidBMPPixelFormat(format))
    throw std::invalid_argument(fmt::format("Invalid PixelFormat {}", static_cast<int>(format)));
  if (format == format_) return;
  format_ = format;
  Allocate();
}

void TBitmap::Allocate() {
  // 64-bit arithmetic: a huge width must not wrap into a small buffer.
  const std::int64_t row_bytes = (static_cast<std::int64_t>(width_) * BitsPerPixel() + 7) / 8;
  const std::int64_t stride = (row_bytes + 3) / 4 * 4;
  if (stride > INT32_MAX) throw std::length_error(fmt::format("Bitmap too wide: {} pixels", width_));
  stride_ = static_cast<int>(stride);
  pixels_.assign(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height_), 0);
}

std::uint8_t* TBitmap::ScanLine(int row) {
  if (row < 0 || row >= height_)
    throw std::out_of_range(fmt::format("Scan line index out of range: {} of {}", row, height_));
  return pixels_.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(stride_);
}

const std::uint8_t* TBitmap::ScanLine(int row) const {
  return const_cast<TBitmap*>(this)->ScanLine(row);
}

void TBitmap::Fill(std::uint8_t value) {
  std::fill(pixels_.begin(), pixels_.end(), value);
}

TBitmap::TPalette TBitmap::BGR332Palette() {
  TPalette palette{};
  for (unsigned i = 0; i < palette.size(); ++i) {
    const unsigned red = (i & 7u) * 255u / 7u;
    const unsigned green = ((i >> 3) & 7u) * 255u / 7u;
    const unsigned blue = (i >> 6) * 255u / 3u;
    palette[i] = 0xFF000000u | (red << 16) | (green << 8) | blue;
  }
  return palette;
}

}  // namespace zentrova

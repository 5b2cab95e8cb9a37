// The core's own bitmap: packed pixels in plain memory, top row first.
//
// A `TBitmap` is what pictures are drawn into and handed to the caller
// (decoder `CopyToBitmap`, engine preview and frame hooks). It has no
// drawing surface of its own: the Qt front end wraps `Bits()` in a QImage
// (rows are 4-byte aligned, as QImage requires) and paints on it in place.
//
// Ownership: the bitmap owns its pixel memory; copies are deep. Threads: a
// bitmap is plain memory and is used by one thread at a time; it needs no
// hand-off to the main thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zentrova {

/// The pixel depths of a bitmap, in ascending order.
enum class TBMPPixelFormat : int {
  pf8bit,   ///< 8 bits, palette index (3-3-2 blue-green-red palette by default)
  pf15bit,  ///< 16-bit little-endian words 0RRRRRGGGGGBBBBB (blue in the low bits)
  pf16bit,  ///< 16-bit little-endian words RRRRRGGGGGGBBBBB (blue in the low bits)
  pf24bit,  ///< 3 bytes per pixel: blue, green, red
  pf32bit,  ///< 4 bytes per pixel: blue, green, red, alpha (0xAARRGGBB little-endian)
};

/// Whether `value` is one of the `TBMPPixelFormat` members.
constexpr bool IsValidBMPPixelFormat(TBMPPixelFormat value) {
  return value >= TBMPPixelFormat::pf8bit && value <= TBMPPixelFormat::pf32bit;
}

/// Bits of memory per pixel of a depth (16 for pf15bit).
int StorageBitsPerPixel(TBMPPixelFormat format);

class TBitmap {
 public:
  /// One palette entry, 0xAARRGGBB.
  using TPaletteEntry = std::uint32_t;
  using TPalette = std::array<TPaletteEntry, 256>;

  /// An empty (0 × 0) 32-bit bitmap.
  TBitmap() = default;
  /// A black `width` × `height` bitmap; negative sizes count as 0.
  TBitmap(int width, int height, TBMPPixelFormat format);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  TBMPPixelFormat PixelFormat() const { return format_; }
  /// Bits of memory per pixel (16 for pf15bit).
  int BitsPerPixel() const { return StorageBitsPerPixel(format_); }
  /// Bytes from the start of one row to the next: width × bytes per pixel,
  /// rounded up to a multiple of 4.
  int Stride() const { return stride_; }

  /// Resizes; the pixels become black (all bytes 0). Negative sizes count as 0.
  /// Nothing changes when the size is the same.
  void SetSize(int width, int height);
  /// Changes the depth; the pixels become black. Nothing changes when equal.
  /// Throws std::invalid_argument for a value outside the enumeration.
  void SetPixelFormat(TBMPPixelFormat format);

  /// Row `row` (0 = top); throws std::out_of_range outside 0..Height()-1.
  std::uint8_t* ScanLine(int row);
  const std::uint8_t* ScanLine(int row) const;
  /// The first byte of the top row; null for an empty bitmap.
  std::uint8_t* Bits() { return pixels_.empty() ? nullptr : pixels_.data(); }
  const std::uint8_t* Bits() const { return pixels_.empty() ? nullptr : pixels_.data(); }
  /// Stride × height.
  std::size_t SizeInBytes() const { return pixels_.size(); }

  /// Sets every byte of the pixels to `value` (0: black).
  void Fill(std::uint8_t value);

  /// The colours of the 256 indexes of an 8-bit bitmap (ignored at other
  /// depths). A new bitmap has the 3-3-2 palette matching `pf8bit` pictures.
  TPalette& Palette() { return palette_; }
  const TPalette& Palette() const { return palette_; }

  /// The palette of the library's BGR8 pictures: index bits BBGGGRRR.
  static TPalette BGR332Palette();

 private:
  void Allocate();

  int width_ = 0;
  int height_ = 0;
  int stride_ = 0;
  TBMPPixelFormat format_ = TBMPPixelFormat::pf32bit;
  std::vector<std::uint8_t> pixels_;
  TPalette palette_ = BGR332Palette();
};

}  // namespace zentrova

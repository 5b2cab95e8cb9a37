#include "qt/bitmap_image.h"

#include <QColor>
#include <QList>

namespace zentrova {

namespace {

// 5- or 6-bit channel value to 8 bits.
int Expand(unsigned value, int bits) {
  const unsigned max = (1u << bits) - 1;
  return static_cast<int>((value * 255 + max / 2) / max);
}

QImage From16Bit(const TBitmap& bitmap) {
  const bool is15 = bitmap.PixelFormat() == TBMPPixelFormat::pf15bit;
  QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* row = bitmap.ScanLine(y);
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < bitmap.Width(); ++x) {
      const unsigned word = row[2 * x] | (row[2 * x + 1] << 8);  // little-endian
      if (is15)
        out[x] = qRgb(Expand((word >> 10) & 31, 5), Expand((word >> 5) & 31, 5), Expand(word & 31, 5));
      else
        out[x] = qRgb(Expand((word >> 11) & 31, 5), Expand((word >> 5) & 63, 6), Expand(word & 31, 5));
    }
  }
  return image;
}

template <typename Bits>
QImage Wrap(Bits bits, const TBitmap& bitmap, QImage::Format format) {
  return QImage(bits, bitmap.Width(), bitmap.Height(), bitmap.Stride(), format);
}

template <typename Bitmap>
QImage Convert(Bitmap& bitmap) {
  if (bitmap.Empty()) return {};
  switch (bitmap.PixelFormat()) {
    case TBMPPixelFormat::pf32bit:
      return Wrap(bitmap.Bits(), bitmap, QImage::Format_RGB32);
    case TBMPPixelFormat::pf24bit:
      return Wrap(bitmap.Bits(), bitmap, QImage::Format_BGR888);
    case TBMPPixelFormat::pf15bit:
    case TBMPPixelFormat::pf16bit:
      return From16Bit(bitmap);
    case TBMPPixelFormat::pf8bit: {
      QImage image = Wrap(bitmap.Bits(), bitmap, QImage::Format_Indexed8);
      QList<QRgb> table;
      table.reserve(256);
      for (const TBitmap::TPaletteEntry entry : bitmap.Palette()) table.push_back(entry | 0xFF000000u);
      image.setColorTable(table);
      return image;
    }
  }
  return {};
}

}  // namespace

bool BitmapImageSharesMemory(const TBitmap& bitmap) {
  return !bitmap.Empty() && bitmap.PixelFormat() != TBMPPixelFormat::pf15bit &&
         bitmap.PixelFormat() != TBMPPixelFormat::pf16bit;
}

QImage BitmapImage(TBitmap& bitmap) {
  return Convert(bitmap);
}

QImage BitmapImage(const TBitmap& bitmap) {
  return Convert(bitmap);
}

}  // namespace zentrova

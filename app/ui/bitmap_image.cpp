#include "app/ui/bitmap_image.h"

#include <QList>

namespace zentrova::ui {
namespace {

void SetPalette(QImage& image, const TBitmap& bitmap) {
  if (image.format() != QImage::Format_Indexed8) return;
  QList<QRgb> colours(static_cast<qsizetype>(bitmap.Palette().size()));
  for (std::size_t i = 0; i < bitmap.Palette().size(); ++i)
    colours[static_cast<qsizetype>(i)] = bitmap.Palette()[i] | 0xFF000000u;
  image.setColorTable(colours);
}

}  // namespace

QImage::Format ImageFormatOf(TBMPPixelFormat format) {
  switch (format) {
    case TBMPPixelFormat::pf8bit:
      return QImage::Format_Indexed8;
    case TBMPPixelFormat::pf15bit:
      return QImage::Format_RGB555;
    case TBMPPixelFormat::pf16bit:
      return QImage::Format_RGB16;
    case TBMPPixelFormat::pf24bit:
      return QImage::Format_BGR888;
    case TBMPPixelFormat::pf32bit:
      return QImage::Format_RGB32;
  }
  return QImage::Format_Invalid;
}

QImage WrapBitmap(TBitmap& bitmap) {
  if (bitmap.Empty()) return {};
  QImage image(bitmap.Bits(), bitmap.Width(), bitmap.Height(), bitmap.Stride(),
               ImageFormatOf(bitmap.PixelFormat()));
  SetPalette(image, bitmap);
  return image;
}

QImage WrapBitmap(const TBitmap& bitmap) {
  if (bitmap.Empty()) return {};
  QImage image(bitmap.Bits(), bitmap.Width(), bitmap.Height(), bitmap.Stride(),
               ImageFormatOf(bitmap.PixelFormat()));
  SetPalette(image, bitmap);
  return image;
}

}  // namespace zentrova::ui

#include "app/ui/bitmap_image.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace zentrova::ui {
namespace {

TEST(WrapBitmap, PaintingChangesTheBitmapsOwnPixels) {
  for (TBMPPixelFormat format : {TBMPPixelFormat::pf15bit, TBMPPixelFormat::pf16bit, TBMPPixelFormat::pf24bit,
                                 TBMPPixelFormat::pf32bit}) {
    TBitmap bitmap(7, 5, format);  // odd width: rows are padded
    QImage image = WrapBitmap(bitmap);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.constBits(), bitmap.Bits()) << "no copy";
    EXPECT_EQ(image.bytesPerLine(), bitmap.Stride());
    {
      QPainter painter(&image);
      painter.fillRect(QRect(2, 1, 1, 1), QColor(255, 0, 0));
    }
    EXPECT_EQ(image.constBits(), bitmap.Bits()) << "painting did not detach";
    const std::uint8_t* pixel = bitmap.ScanLine(1) + 2 * bitmap.BitsPerPixel() / 8;
    switch (format) {
      case TBMPPixelFormat::pf15bit:
        EXPECT_EQ(pixel[0] | pixel[1] << 8, 0x7C00);  // 0RRRRRGGGGGBBBBB
        break;
      case TBMPPixelFormat::pf16bit:
        EXPECT_EQ(pixel[0] | pixel[1] << 8, 0xF800);  // RRRRRGGGGGGBBBBB
        break;
      default:
        EXPECT_EQ(pixel[0], 0);    // blue
        EXPECT_EQ(pixel[1], 0);    // green
        EXPECT_EQ(pixel[2], 255);  // red
    }
    EXPECT_EQ(bitmap.ScanLine(1)[0], 0) << "other pixels stay black";
  }
}

TEST(WrapBitmap, EightBitPicturesReadThroughThePalette) {
  TBitmap bitmap(4, 2, TBMPPixelFormat::pf8bit);
  bitmap.ScanLine(0)[1] = 0x07;  // BGR332: red bits only
  const QImage image = WrapBitmap(std::as_const(bitmap));
  EXPECT_EQ(image.format(), QImage::Format_Indexed8);
  EXPECT_EQ(QColor(image.pixel(1, 0)).red(), qRed(bitmap.Palette()[0x07] | 0xFF000000u));
  EXPECT_GT(QColor(image.pixel(1, 0)).red(), 200);
  EXPECT_EQ(QColor(image.pixel(0, 0)).red(), 0);
}

TEST(WrapBitmap, AnEmptyBitmapGivesANullImage) {
  TBitmap bitmap;
  EXPECT_TRUE(WrapBitmap(bitmap).isNull());
}

}  // namespace
}  // namespace zentrova::ui

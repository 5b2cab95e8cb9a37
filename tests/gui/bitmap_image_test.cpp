// Core bitmaps as QImages: every depth shows the same colours; 32 and 24
// bits are views of the bitmap's memory.
#include <gtest/gtest.h>

#include <cstring>

#include "qt/bitmap_image.h"
#include "qt_test_app.h"

namespace zentrova::test {
namespace {

struct DepthCase {
  const char* name;
  TBMPPixelFormat format;
  std::vector<std::uint8_t> red_pixel;  // the bytes of one pure red pixel at this depth
  bool shares;
};

class BitmapImageDepth : public ::testing::TestWithParam<DepthCase> {};

TEST_P(BitmapImageDepth, ShowsTheBitmapsColours) {
  const DepthCase& c = GetParam();
  TBitmap bitmap(5, 3, c.format);
  // Pixel (2, 1) red, the rest black.
  std::memcpy(bitmap.ScanLine(1) + 2 * c.red_pixel.size(), c.red_pixel.data(), c.red_pixel.size());
  const QImage image = BitmapImage(static_cast<const TBitmap&>(bitmap));
  ASSERT_EQ(image.width(), 5);
  ASSERT_EQ(image.height(), 3);
  EXPECT_EQ(QColor(image.pixel(2, 1)).rgb() & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(QColor(image.pixel(1, 1)).rgb() & 0xFFFFFF, 0x000000u);
  EXPECT_EQ(QColor(image.pixel(2, 2)).rgb() & 0xFFFFFF, 0x000000u);
  EXPECT_EQ(BitmapImageSharesMemory(bitmap), c.shares);
  EXPECT_EQ(image.constBits() == bitmap.Bits(), c.shares);
}

INSTANTIATE_TEST_SUITE_P(
    Depths, BitmapImageDepth,
    ::testing::Values(
        DepthCase{"pf32bit", TBMPPixelFormat::pf32bit, {0, 0, 255, 255}, true},
        DepthCase{"pf24bit", TBMPPixelFormat::pf24bit, {0, 0, 255}, true},
        DepthCase{"pf16bit", TBMPPixelFormat::pf16bit, {0x00, 0xF8}, false},  // RRRRRGGG GGGBBBBB
        DepthCase{"pf15bit", TBMPPixelFormat::pf15bit, {0x00, 0x7C}, false},  // 0RRRRRGG GGGBBBBB
        DepthCase{"pf8bit", TBMPPixelFormat::pf8bit, {0x07}, true}),          // BBGGGRRR
    [](const ::testing::TestParamInfo<DepthCase>& info) { return std::string(info.param.name); });

TEST(BitmapImage, DrawingOnTheViewDrawsOnTheBitmap) {
  TBitmap bitmap(4, 4, TBMPPixelFormat::pf32bit);
  QImage image = BitmapImage(bitmap);
  image.setPixel(3, 2, qRgb(0, 255, 0));
  const std::uint8_t* pixel = bitmap.ScanLine(2) + 3 * 4;
  EXPECT_EQ(pixel[0], 0);    // blue
  EXPECT_EQ(pixel[1], 255);  // green
  EXPECT_EQ(pixel[2], 0);    // red
}

TEST(BitmapImage, EmptyBitmapGivesANullImage) {
  const TBitmap bitmap;
  EXPECT_TRUE(BitmapImage(bitmap).isNull());
}

}  // namespace
}  // namespace zentrova::test

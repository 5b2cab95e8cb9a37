#include "picture/bitmap.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace zentrova {
namespace {

TEST(TBitmap, StrideIsRowBytesRoundedUpToFour) {
  struct Case {
    TBMPPixelFormat format;
    int width;
    int bits;
    int stride;
  } cases[] = {
      {TBMPPixelFormat::pf8bit, 101, 8, 104}, {TBMPPixelFormat::pf15bit, 101, 16, 204},
      {TBMPPixelFormat::pf16bit, 2, 16, 4},   {TBMPPixelFormat::pf24bit, 101, 24, 304},
      {TBMPPixelFormat::pf24bit, 4, 24, 12},  {TBMPPixelFormat::pf32bit, 101, 32, 404},
      {TBMPPixelFormat::pf32bit, 0, 32, 0},
  };
  for (const Case& c : cases) {
    TBitmap bitmap(c.width, 3, c.format);
    EXPECT_EQ(bitmap.BitsPerPixel(), c.bits);
    EXPECT_EQ(bitmap.Stride(), c.stride) << c.width;
    EXPECT_EQ(bitmap.SizeInBytes(), static_cast<size_t>(c.stride) * 3);
  }
}

TEST(TBitmap, ScanLinesAreStrideApartAndBoundsChecked) {
  TBitmap bitmap(5, 4, TBMPPixelFormat::pf24bit);
  EXPECT_EQ(bitmap.ScanLine(1) - bitmap.ScanLine(0), bitmap.Stride());
  EXPECT_EQ(bitmap.ScanLine(3) - bitmap.Bits(), 3 * bitmap.Stride());
  EXPECT_THROW(bitmap.ScanLine(4), std::out_of_range);
  EXPECT_THROW(bitmap.ScanLine(-1), std::out_of_range);
}

TEST(TBitmap, ResizeAndDepthChangeClearToBlack) {
  TBitmap bitmap(3, 3, TBMPPixelFormat::pf32bit);
  bitmap.Fill(0x7f);
  bitmap.SetSize(4, 2);
  EXPECT_EQ(bitmap.Width(), 4);
  EXPECT_EQ(bitmap.Height(), 2);
  for (size_t i = 0; i < bitmap.SizeInBytes(); ++i) ASSERT_EQ(bitmap.Bits()[i], 0);
  bitmap.Fill(0x7f);
  bitmap.SetPixelFormat(TBMPPixelFormat::pf8bit);
  EXPECT_EQ(bitmap.Stride(), 4);
  for (size_t i = 0; i < bitmap.SizeInBytes(); ++i) ASSERT_EQ(bitmap.Bits()[i], 0);
  bitmap.SetSize(-5, 7);
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(bitmap.Bits(), nullptr);
}

TEST(TBitmap, CopiesAreDeep) {
  TBitmap a(2, 2, TBMPPixelFormat::pf32bit);
  TBitmap b = a;
  b.ScanLine(0)[0] = 9;
  EXPECT_EQ(a.ScanLine(0)[0], 0);
  EXPECT_EQ(b.ScanLine(0)[0], 9);
}

TEST(TBitmap, RejectsUnknownPixelFormat) {
  TBitmap bitmap;
  try {
    bitmap.SetPixelFormat(static_cast<TBMPPixelFormat>(9));
    FAIL() << "no exception";
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "Invalid PixelFormat 9");
  }
  EXPECT_EQ(bitmap.PixelFormat(), TBMPPixelFormat::pf32bit);
}

TEST(TBitmap, DefaultPaletteDecodesBlueGreenRed332Indexes) {
  const TBitmap::TPalette palette = TBitmap().Palette();
  EXPECT_EQ(palette[0x00], 0xFF000000u);  // black
  EXPECT_EQ(palette[0x07], 0xFFFF0000u);  // red: low three bits
  EXPECT_EQ(palette[0x38], 0xFF00FF00u);  // green: middle three bits
  EXPECT_EQ(palette[0xC0], 0xFF0000FFu);  // blue: top two bits
  EXPECT_EQ(palette[0xFF], 0xFFFFFFFFu);
}

}  // namespace
}  // namespace zentrova

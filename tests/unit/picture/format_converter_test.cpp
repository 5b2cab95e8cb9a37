#include "picture/format_converter.h"

#include <gtest/gtest.h>
#include <cstring>
#include <stdexcept>

#include "media/av_ptr.h"
#include "support/libraries.h"

namespace zentrova {
namespace {

class FormatConverter : public ::testing::Test {
 protected:
  void SetUp() override { test::LoadMediaLibraries(); }

  // A picture of `format` with writable planes.
  static AVFramePtr Picture(AVPixelFormat format, int width, int height) {
    AVFramePtr frame = MakeFrame();
    frame->format = format;
    frame->width = width;
    frame->height = height;
    EXPECT_GE(ff::av_frame_get_buffer(frame.get(), 0), 0);
    return frame;
  }

  // An RGB24 picture whose every byte depends on its place.
  static AVFramePtr Pattern(int width, int height) {
    AVFramePtr frame = Picture(AV_PIX_FMT_RGB24, width, height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width * 3; ++x)
        frame->data[0][y * frame->linesize[0] + x] = static_cast<uint8_t>((x * 7 + y * 13) & 0xff);
    return frame;
  }

  // One RGB24 colour everywhere.
  static AVFramePtr Solid(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
    AVFramePtr frame = Picture(AV_PIX_FMT_RGB24, width, height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        uint8_t* p = frame->data[0] + y * frame->linesize[0] + x * 3;
        p[0] = r;
        p[1] = g;
        p[2] = b;
      }
    return frame;
  }

  static bool ToRGB(TFormatConverter& conv, const AVFrame& frame, TBitmapCopy copy = TBitmapCopy::bcCopy) {
    return conv.PictureToRGB(frame.data, frame.linesize, static_cast<AVPixelFormat>(frame.format),
                             frame.width, frame.height, copy);
  }
};

TEST_F(FormatConverter, DepthTableAndInvalidDepths) {
  struct Case {
    int value;
    int bits;
    AVPixelFormat av;
    TBMPPixelFormat bmp;
  } cases[] = {
      {8, 8, AV_PIX_FMT_BGR8, TBMPPixelFormat::pf8bit},
      {15, 16, AV_PIX_FMT_RGB555LE, TBMPPixelFormat::pf15bit},
      {16, 16, AV_PIX_FMT_RGB565LE, TBMPPixelFormat::pf16bit},
      {24, 24, AV_PIX_FMT_BGR24, TBMPPixelFormat::pf24bit},
      {32, 32, AV_PIX_FMT_BGRA, TBMPPixelFormat::pf32bit},
  };
  for (const Case& c : cases) {
    TFormatConverter conv;
    if (c.value != 32) conv.SetBitsPixel(c.value == 16 ? 24 : 16);  // start from another depth
    conv.SetBitsPixel(c.value);
    EXPECT_EQ(conv.BitsPixel(), c.bits) << c.value;
    EXPECT_EQ(conv.AVPixFmt(), c.av) << c.value;
    EXPECT_EQ(conv.BMPPixFmt(), c.bmp) << c.value;
    EXPECT_EQ(conv.Bitmap().PixelFormat(), c.bmp) << c.value;
  }
  for (int bad : {12, 0, -1, 33}) {
    TFormatConverter conv;
    conv.SetBitsPixel(24);
    try {
      conv.SetBitsPixel(bad);
      ADD_FAILURE() << "no exception for " << bad;
    } catch (const std::invalid_argument& e) {
      EXPECT_EQ(std::string(e.what()), "Invalid BitsPixel " + std::to_string(bad));
    }
    EXPECT_EQ(conv.BitsPixel(), 24);
  }
  TFormatConverter conv;
  try {
    conv.SetBMPPixFmt(static_cast<TBMPPixelFormat>(-1));
    ADD_FAILURE() << "no exception";
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "Invalid PixelFormat -1");
  }
  EXPECT_EQ(conv.BMPPixFmt(), TBMPPixelFormat::pf32bit);
}

TEST_F(FormatConverter, Wide24BitRowsAreNotSkewedByBitmapAlignment) {
  TFormatConverter conv;
  conv.SetBitsPixel(24);
  AVFramePtr src = Pattern(101, 9);
  ASSERT_TRUE(ToRGB(conv, *src)) << conv.LastErrMsg();
  const TDIB& dib = conv.DIB();
  EXPECT_EQ(dib.Width, 101);
  EXPECT_EQ(dib.Height, 9);
  EXPECT_EQ(dib.WidthBytes, 303);
  EXPECT_EQ(dib.BitsPixel, 24);
  ASSERT_EQ(conv.Bitmap().Width(), 101);
  ASSERT_EQ(conv.Bitmap().Stride(), 304);
  for (int y = 0; y < 9; ++y) {
    const uint8_t* rgb = src->data[0] + y * src->linesize[0];
    const uint8_t* dib_row = dib.Bits + y * dib.WidthBytes;
    const uint8_t* bmp_row = conv.Bitmap().ScanLine(y);
    ASSERT_EQ(std::memcmp(bmp_row, dib_row, 303), 0) << "row " << y;
    for (int x = 0; x < 101; ++x) {  // BGR24 is the source's RGB24 with red and blue swapped
      ASSERT_EQ(dib_row[x * 3 + 0], rgb[x * 3 + 2]);
      ASSERT_EQ(dib_row[x * 3 + 1], rgb[x * 3 + 1]);
      ASSERT_EQ(dib_row[x * 3 + 2], rgb[x * 3 + 0]);
    }
  }
}

TEST_F(FormatConverter, EveryDepthStoresPureRedWithBlueInTheLowBits) {
  struct Case {
    int bits;
    uint32_t red;  // the first pixel of a pure red picture, little-endian
    int bytes;
  } cases[] = {{8, 0x07, 1}, {15, 0x7C00, 2}, {16, 0xF800, 2}, {24, 0xFF0000, 3}, {32, 0xFFFF0000, 4}};
  AVFramePtr src = Solid(16, 4, 255, 0, 0);
  for (const Case& c : cases) {
    TFormatConverter conv;
    conv.SetBitsPixel(c.bits);
    ASSERT_TRUE(ToRGB(conv, *src)) << conv.LastErrMsg();
    uint32_t pixel = 0;
    std::memcpy(&pixel, conv.Bitmap().ScanLine(2) + 5 * c.bytes, static_cast<size_t>(c.bytes));
    EXPECT_EQ(pixel, c.red) << c.bits << " bits";
  }
}

TEST_F(FormatConverter, ConvertsPlanarYuvToBgra) {
  AVFramePtr src = Picture(AV_PIX_FMT_YUV420P, 32, 16);
  std::memset(src->data[0], 126, static_cast<size_t>(src->linesize[0]) * 16);
  std::memset(src->data[1], 128, static_cast<size_t>(src->linesize[1]) * 8);
  std::memset(src->data[2], 128, static_cast<size_t>(src->linesize[2]) * 8);
  TFormatConverter conv;
  ASSERT_TRUE(ToRGB(conv, *src, TBitmapCopy::bcNone));
  const uint8_t* p = conv.DIB().Bits + 7 * conv.DIB().WidthBytes + 4 * 20;
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(p[i], 128, 4) << i;  // limited-range 126 is mid grey
  EXPECT_EQ(p[3], 255);
  // Without the copy, the bitmap is sized but untouched.
  EXPECT_EQ(conv.Bitmap().Width(), 32);
  EXPECT_EQ(conv.Bitmap().ScanLine(7)[80], 0);
}

TEST_F(FormatConverter, BufferIsReusedForSameOrSmallerSizeAndGrownForLarger) {
  TFormatConverter conv;
  AVFramePtr small = Pattern(64, 32);
  AVFramePtr large = Pattern(128, 64);
  ASSERT_TRUE(ToRGB(conv, *small));
  const uint8_t* first = conv.DIB().Bits;
  EXPECT_EQ(conv.RGBBufSize(), 64 * 32 * 4);
  ASSERT_TRUE(ToRGB(conv, *small));
  EXPECT_EQ(conv.DIB().Bits, first);
  ASSERT_TRUE(ToRGB(conv, *large));
  EXPECT_EQ(conv.RGBBufSize(), 128 * 64 * 4);
  ASSERT_TRUE(ToRGB(conv, *small));
  EXPECT_EQ(conv.RGBBufSize(), 128 * 64 * 4);
  EXPECT_EQ(conv.Bitmap().Width(), 64);
}

TEST_F(FormatConverter, DrawingOnTheBitmapReachesThePictureBack) {
  TFormatConverter conv;
  AVFramePtr src = Solid(40, 20, 0, 0, 0);
  ASSERT_TRUE(ToRGB(conv, *src));
  uint8_t* pixel = conv.Bitmap().ScanLine(10) + 4 * 30;  // BGRA
  pixel[0] = 0;
  pixel[1] = 0;
  pixel[2] = 255;
  conv.BitmapToRGB();
  AVFramePtr out = Picture(AV_PIX_FMT_RGB24, 40, 20);
  ASSERT_TRUE(conv.RGBToPicture(out->data, out->linesize, AV_PIX_FMT_RGB24, 40, 20)) << conv.LastErrMsg();
  const uint8_t* red = out->data[0] + 10 * out->linesize[0] + 30 * 3;
  EXPECT_EQ(red[0], 255);
  EXPECT_EQ(red[1], 0);
  EXPECT_EQ(red[2], 0);
  const uint8_t* black = out->data[0] + 10 * out->linesize[0] + 29 * 3;
  EXPECT_EQ(black[0], 0);
}

TEST_F(FormatConverter, BitmapStepsBeforeAConversionAreCallerErrors) {
  TFormatConverter conv;
  AVFramePtr out = Picture(AV_PIX_FMT_RGB24, 4, 4);
  EXPECT_THROW(conv.RGBToBitmap(), std::logic_error);
  EXPECT_THROW(conv.BitmapToRGB(), std::logic_error);
  EXPECT_THROW(conv.RGBToPicture(out->data, out->linesize, AV_PIX_FMT_RGB24, 4, 4), std::logic_error);
  // A depth change forgets the converted picture.
  ASSERT_TRUE(ToRGB(conv, *out));
  EXPECT_NE(conv.RGBPictureRef(), nullptr);
  conv.SetBitsPixel(16);
  EXPECT_EQ(conv.RGBPictureRef(), nullptr);
  EXPECT_THROW(conv.RGBToBitmap(), std::logic_error);
}

TEST_F(FormatConverter, FailuresLeaveATextAndNoPicture) {
  TFormatConverter conv;
  AVFramePtr src = Pattern(8, 8);
  struct Case {
    AVPixelFormat format;
    int width;
    int height;
    const char* text;
  } cases[] = {
      {AV_PIX_FMT_NONE, 8, 8, "Cannot initialize the toRGB conversion context"},
      {AV_PIX_FMT_RGB24, 0, 8, "Invalid picture size 0x8"},
      {AV_PIX_FMT_RGB24, 8, -3, "Invalid picture size 8x-3"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(
        conv.PictureToRGB(src->data, src->linesize, c.format, c.width, c.height, TBitmapCopy::bcCopy));
    EXPECT_EQ(conv.LastErrMsg().rfind(c.text, 0), 0u) << conv.LastErrMsg();
    EXPECT_EQ(conv.RGBPictureRef(), nullptr);
  }
  ASSERT_TRUE(ToRGB(conv, *src));
  AVFramePtr out = Picture(AV_PIX_FMT_RGB24, 16, 16);
  EXPECT_FALSE(conv.RGBToPicture(out->data, out->linesize, AV_PIX_FMT_RGB24, 16, 16));
  EXPECT_EQ(conv.LastErrMsg(), "Picture size 16x16 differs from the RGB picture 8x8");
  EXPECT_FALSE(conv.RGBToPicture(out->data, out->linesize, AV_PIX_FMT_NONE, 8, 8));
  EXPECT_EQ(conv.LastErrMsg(), "Cannot initialize the fromRGB conversion context");
}

}  // namespace
}  // namespace zentrova

#include "picture/format_converter.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include <fmt/format.h>

#include "media/av_ptr.h"
#include "media/error_text.h"

namespace zentrova {
namespace {

struct DepthRow {
  TBMPPixelFormat format;
  int bits_pixel;
  AVPixelFormat av_pix_fmt;
};

// 15 and 16 bits: the library's RGB555LE/RGB565LE keep blue in the low
// bits, which is how 16-bit bitmaps (and QImage's RGB555/RGB16) hold their
// pixels; its BGR555LE/BGR565LE would swap red and blue on screen.
constexpr DepthRow kDepthTable[] = {
    {TBMPPixelFormat::pf8bit, 8, AV_PIX_FMT_BGR8},       {TBMPPixelFormat::pf15bit, 16, AV_PIX_FMT_RGB555LE},
    {TBMPPixelFormat::pf16bit, 16, AV_PIX_FMT_RGB565LE}, {TBMPPixelFormat::pf24bit, 24, AV_PIX_FMT_BGR24},
    {TBMPPixelFormat::pf32bit, 32, AV_PIX_FMT_BGRA},
};

const DepthRow& RowOf(TBMPPixelFormat format) {
  return kDepthTable[static_cast<int>(format)];
}

}  // namespace

TFormatConverter::TFormatConverter() {
  ResetConverter();
}

TFormatConverter::~TFormatConverter() = default;

void TFormatConverter::ResetConverter() {
  FDIB = TDIB{};
  FRGBPicture = TRGBPicture{};
  FRGBPictureRef = nullptr;
  const DepthRow& row = RowOf(FBMPPixFmt);
  FBitsPixel = row.bits_pixel;
  FAVPixFmt = row.av_pix_fmt;
  FBitmap.SetPixelFormat(FBMPPixFmt);
}

void TFormatConverter::SetBitsPixel(int value) {
  if (value == FBitsPixel) return;
  TBMPPixelFormat format;
  switch (value) {
    case 8:
      format = TBMPPixelFormat::pf8bit;
      break;
    case 15:
      format = TBMPPixelFormat::pf15bit;
      break;
    case 16:
      format = TBMPPixelFormat::pf16bit;
      break;
    case 24:
      format = TBMPPixelFormat::pf24bit;
      break;
    case 32:
      format = TBMPPixelFormat::pf32bit;
      break;
    default:
      throw std::invalid_argument(fmt::format("Invalid BitsPixel {}", value));
  }
  FBMPPixFmt = format;
  ResetConverter();
}

void TFormatConverter::SetBMPPixFmt(TBMPPixelFormat value) {
  if (value == FBMPPixFmt) return;
  if (!IsValidBMPPixelFormat(value))
    throw std::invalid_argument(fmt::format("Invalid PixelFormat {}", static_cast<int>(value)));
  FBMPPixFmt = value;
  ResetConverter();
}

bool TFormatConverter::PictureToRGB(const std::uint8_t* const picture[4], const int line_size[4],
                                    AVPixelFormat pix_fmt, int width, int height, TBitmapCopy copy) {
  FRGBPictureRef = nullptr;
  const int size = ff::av_image_get_buffer_size(FAVPixFmt, width, height, 1);
  if (size <= 0) {
    FLastErrMsg = error_code_text(size, fmt::format("Invalid picture size {}x{}", width, height));
    return false;
  }
  FBitmap.SetSize(width, height);
  if (!FRGBBuffer || FRGBBufSize < size) {
    FRGBBuffer.reset();
    FRGBBufSize = 0;
    FRGBBuffer.reset(static_cast<std::uint8_t*>(ff::av_malloc(static_cast<std::size_t>(size))));
    if (!FRGBBuffer) {
      FLastErrMsg = error_code_text(AVERROR(ENOMEM), "Cannot allocate the RGB picture");
      return false;
    }
    FRGBBufSize = size;
  }
  ff::av_image_fill_arrays(FRGBPicture.data, FRGBPicture.linesize, FRGBBuffer.get(), FAVPixFmt, width, height,
                           1);

  // The scaler asserts on formats it does not know: ask it first.
  if (!ff::sws_isSupportedInput(pix_fmt)) {
    FLastErrMsg = "Cannot initialize the toRGB conversion context";
    return false;
  }
  FtoRGB_convert_ctx.reset(ff::sws_getCachedContext(FtoRGB_convert_ctx.release(), width, height, pix_fmt,
                                                    width, height, FAVPixFmt, Fsws_flags, nullptr, nullptr,
                                                    nullptr));
  if (!FtoRGB_convert_ctx) {
    FLastErrMsg = "Cannot initialize the toRGB conversion context";
    return false;
  }
  ff::sws_scale(FtoRGB_convert_ctx.get(), picture, line_size, 0, height, FRGBPicture.data,
                FRGBPicture.linesize);

  FRGBPictureRef = &FRGBPicture;
  FDIB = TDIB{0, width, height, FRGBPicture.linesize[0], 1, FBitsPixel, FRGBPicture.data[0]};
  if (copy == TBitmapCopy::bcCopy) RGBToBitmap();
  return true;
}

void TFormatConverter::RequirePicture(const char* operation) const {
  if (!FRGBPictureRef)
    throw std::logic_error(fmt::format("TFormatConverter::{} before a successful PictureToRGB", operation));
}

void TFormatConverter::RGBToBitmap() {
  RequirePicture("RGBToBitmap");
  // A hook may have resized the bitmap: copy only what both hold.
  const int rows = std::min(FBitmap.Height(), FDIB.Height);
  const auto bytes = static_cast<std::size_t>(std::min(FBitmap.Stride(), FDIB.WidthBytes));
  const std::uint8_t* source = FRGBPicture.data[0];
  for (int row = 0; row < rows; ++row, source += FDIB.WidthBytes)
    std::memcpy(FBitmap.ScanLine(row), source, bytes);
}

void TFormatConverter::BitmapToRGB() {
  RequirePicture("BitmapToRGB");
  const int rows = std::min(FBitmap.Height(), FDIB.Height);
  const auto bytes = static_cast<std::size_t>(std::min(FBitmap.Stride(), FDIB.WidthBytes));
  std::uint8_t* target = FRGBPicture.data[0];
  for (int row = 0; row < rows; ++row, target += FDIB.WidthBytes)
    std::memcpy(target, FBitmap.ScanLine(row), bytes);
}

bool TFormatConverter::RGBToPicture(std::uint8_t* const picture[4], const int line_size[4],
                                    AVPixelFormat pix_fmt, int width, int height) {
  RequirePicture("RGBToPicture");
  // The scaler would read past the RGB picture for a larger size.
  if (width != FDIB.Width || height != FDIB.Height) {
    FLastErrMsg = fmt::format("Picture size {}x{} differs from the RGB picture {}x{}", width, height,
                              FDIB.Width, FDIB.Height);
    return false;
  }
  if (!ff::sws_isSupportedOutput(pix_fmt)) {
    FLastErrMsg = "Cannot initialize the fromRGB conversion context";
    return false;
  }
  FfromRGB_convert_ctx.reset(ff::sws_getCachedContext(FfromRGB_convert_ctx.release(), width, height,
                                                      FAVPixFmt, width, height, pix_fmt, Fsws_flags, nullptr,
                                                      nullptr, nullptr));
  if (!FfromRGB_convert_ctx) {
    FLastErrMsg = "Cannot initialize the fromRGB conversion context";
    return false;
  }
  ff::sws_scale(FfromRGB_convert_ctx.get(), FRGBPicture.data, FRGBPicture.linesize, 0, height, picture,
                line_size);
  return true;
}

}  // namespace zentrova

// Pixel-format conversion between library pictures and packed RGB bitmaps.
//
// `TFormatConverter` turns a decoded picture of any pixel format into a
// packed RGB picture of one chosen depth (and on request into its bitmap),
// and turns such an RGB picture back into a picture of another format. The
// size never changes: only the pixel format does. Scaling is done by the
// library's scaler; the converter keeps the RGB buffer and both scaler
// contexts from call to call, so a run of same-sized frames allocates only
// on the first one (or when a frame needs a larger buffer).
//
// Owners: each engine task owns two (video hooks and preview), the decoder
// component one (`CopyToBitmap`, `GetBitmapPtr`).
// Threads: one thread at a time (a task's worker or the decoder's caller).
// The bitmap is plain memory, so no step is handed to the main thread.
// Requires the swscale and avutil slots to be bound for the conversions.
#pragma once

#include <cstdint>
#include <string>

#include "media/av_deleters.h"
#include "picture/bitmap.h"

namespace zentrova {

/// Describes the packed RGB picture after `PictureToRGB` (a device-
/// independent bitmap: top row first, `WidthBytes` from row to row).
struct TDIB {
  int Type = 0;
  int Width = 0;
  int Height = 0;
  int WidthBytes = 0;  ///< bytes from one row to the next
  int Planes = 0;
  int BitsPixel = 0;
  std::uint8_t* Bits = nullptr;  ///< first byte of the top row; owned by the converter
};

/// A picture as four plane addresses and four line sizes.
struct TRGBPicture {
  std::uint8_t* data[4] = {nullptr, nullptr, nullptr, nullptr};
  int linesize[4] = {0, 0, 0, 0};
};

/// Whether `PictureToRGB` also copies the RGB picture into the bitmap.
enum class TBitmapCopy { bcNone, bcCopy };

class TFormatConverter {
 public:
  /// A 32-bit converter with bicubic scaling (`sws_flags` 4).
  TFormatConverter();
  ~TFormatConverter();
  TFormatConverter(const TFormatConverter&) = delete;
  TFormatConverter& operator=(const TFormatConverter&) = delete;

  /// Target of `RGBToBitmap`, source of `BitmapToRGB`; sized by `PictureToRGB`.
  TBitmap& Bitmap() { return FBitmap; }
  const TBitmap& Bitmap() const { return FBitmap; }

  /// Bits per pixel of the RGB picture (16 for pf15bit).
  int BitsPixel() const { return FBitsPixel; }
  /// 8, 15, 16, 24 or 32; anything else throws std::invalid_argument
  /// "Invalid BitsPixel %d" and keeps the depth. Resets the picture
  /// description (the buffer and the scaler contexts stay).
  void SetBitsPixel(int value);

  TBMPPixelFormat BMPPixFmt() const { return FBMPPixFmt; }
  /// A value outside pf8bit..pf32bit throws std::invalid_argument
  /// "Invalid PixelFormat %d" (its ordinal). Resets like `SetBitsPixel`.
  void SetBMPPixFmt(TBMPPixelFormat value);

  /// The library pixel format of the RGB picture (BGR8, RGB555LE, RGB565LE, BGR24, BGRA).
  AVPixelFormat AVPixFmt() const { return FAVPixFmt; }

  const TDIB& DIB() const { return FDIB; }
  const TRGBPicture& RGBPicture() const { return FRGBPicture; }
  /// The RGB picture after a successful `PictureToRGB`; null before and after a reset.
  const TRGBPicture* RGBPictureRef() const { return FRGBPictureRef; }
  const std::string& LastErrMsg() const { return FLastErrMsg; }
  /// Size in bytes of the RGB buffer (0 before the first conversion).
  int RGBBufSize() const { return FRGBBufSize; }

  int sws_flags() const { return Fsws_flags; }
  void set_sws_flags(int value) { Fsws_flags = value; }

  /// Converts `height` rows of the picture (`picture`/`line_size`: its
  /// four planes and line sizes, read only) into the RGB picture, and
  /// with `bcCopy` into the bitmap. False with `LastErrMsg` when the size is
  /// not a valid picture size or the scaler has no context for the formats.
  bool PictureToRGB(const std::uint8_t* const picture[4], const int line_size[4], AVPixelFormat pix_fmt,
                    int width, int height, TBitmapCopy copy);
  /// Copies the RGB picture row by row into the bitmap (as many rows and
  /// bytes as both have). Throws std::logic_error before a successful
  /// `PictureToRGB` (a caller error).
  void RGBToBitmap();
  /// The same walk from the bitmap into the RGB picture (after a hook drew on it).
  void BitmapToRGB();
  /// Converts the RGB picture into `picture`/`line_size` (the caller's
  /// buffers, of `pix_fmt` and the RGB picture's size). Throws
  /// std::logic_error before a successful `PictureToRGB`; false with
  /// `LastErrMsg` when the size differs from the RGB picture or the scaler
  /// has no context for the formats.
  bool RGBToPicture(std::uint8_t* const picture[4], const int line_size[4], AVPixelFormat pix_fmt, int width,
                    int height);

 private:
  void ResetConverter();
  void RequirePicture(const char* operation) const;

  AVPixelFormat FAVPixFmt = AV_PIX_FMT_BGRA;
  int FBitsPixel = 32;
  TBitmap FBitmap;
  TBMPPixelFormat FBMPPixFmt = TBMPPixelFormat::pf32bit;
  TDIB FDIB;
  AVMemoryPtr<std::uint8_t> FRGBBuffer;
  int FRGBBufSize = 0;
  TRGBPicture FRGBPicture;
  const TRGBPicture* FRGBPictureRef = nullptr;
  int Fsws_flags = SWS_BICUBIC;
  SwsContextPtr FtoRGB_convert_ctx;
  SwsContextPtr FfromRGB_convert_ctx;
  std::string FLastErrMsg;
};

}  // namespace zentrova

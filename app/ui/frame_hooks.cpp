#include "app/ui/frame_hooks.h"

#include <QFont>
#include <QPainter>
#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "qt/bitmap_image.h"

namespace zentrova::ui {
namespace {

/// The font of a hook's text and its colour.
struct TTextStyle {
  QColor Colour;
  int PointSize;
  bool Bold;
  bool Underline;
};

/// The output hook's font by picture number: set on pictures 1, 250 and 350
/// and kept for the pictures that follow.
TTextStyle OutputStyle(int frame_number) {
  if (frame_number >= 350) return {Qt::white, 16, true, false};
  if (frame_number >= 250) return {Qt::red, 16, true, true};
  return {Qt::white, 12, true, true};
}

/// An image to paint on that shows the bitmap's own memory; a null image
/// for depths Qt cannot paint on in place (8 bits, and the depths the Qt
/// glue copies): the hooks leave their text out there.
QImage PaintableImage(TBitmap& bitmap) {
  if (bitmap.Empty() || !BitmapImageSharesMemory(bitmap) || bitmap.PixelFormat() == TBMPPixelFormat::pf8bit)
    return {};
  return BitmapImage(bitmap);
}

/// Writes `text` with its top left corner at (x, y).
void WriteText(QImage& image, int x, int y, const QString& text, const TTextStyle& style) {
  if (image.isNull()) return;
  QPainter painter(&image);
  QFont font(QStringLiteral("Tahoma"));
  font.setPointSize(style.PointSize);
  font.setBold(style.Bold);
  font.setUnderline(style.Underline);
  painter.setFont(font);
  painter.setPen(style.Colour);
  painter.drawText(QRect(x, y, std::max(0, image.width() - x), std::max(0, image.height() - y)),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}

void SwapBytes(std::uint8_t* a, std::uint8_t* b, int count) {
  std::swap_ranges(a, a + count, b);
}

}  // namespace

int BytesPerPixel(TBMPPixelFormat format) {
  switch (format) {
    case TBMPPixelFormat::pf8bit:
      return 1;
    case TBMPPixelFormat::pf15bit:
    case TBMPPixelFormat::pf16bit:
      return 2;
    case TBMPPixelFormat::pf24bit:
      return 3;
    case TBMPPixelFormat::pf32bit:
      return 4;
  }
  throw std::runtime_error("unsupported pixel format");
}

void FlipVertically(TBitmap& bitmap) {
  const int row_bytes = bitmap.Width() * BytesPerPixel(bitmap.PixelFormat());
  const int height = bitmap.Height();
  for (int i = 0; i < height / 2; ++i)
    SwapBytes(bitmap.ScanLine(i), bitmap.ScanLine(height - 1 - i), row_bytes);
}

void FlipHorizontally(TBitmap& bitmap) {
  const int bytes = BytesPerPixel(bitmap.PixelFormat());
  const int width = bitmap.Width();
  for (int row = 0; row < bitmap.Height(); ++row) {
    std::uint8_t* line = bitmap.ScanLine(row);
    for (int j = 0; j < width / 2; ++j) SwapBytes(line + j * bytes, line + (width - 1 - j) * bytes, bytes);
  }
}

TFrameHooks::TFrameHooks(QImage icon) : icon_(std::move(icon)) {}

void TFrameHooks::VideoInputHook(TVideoHookCall& call) const {
  if (call.FrameNumber >= 550) {
    call.StopHook = true;
    return;
  }
  if (!call.Bitmap) return;
  QImage image = PaintableImage(*call.Bitmap);
  WriteText(image, 0, 0, QStringLiteral("Video Input Hook"), {Qt::red, 36, true, false});
}

void TFrameHooks::VideoOutputHook(TVideoHookCall& call) const {
  const int n = call.FrameNumber;
  if (n >= 550) {
    call.StopHook = true;
    return;
  }
  if (n >= 100 && n < 150) {
    call.Update = false;
    return;
  }
  if (!call.Bitmap) return;
  TBitmap& bitmap = *call.Bitmap;
  if (n >= 350 && n < 450) FlipVertically(bitmap);
  if (n >= 450) FlipHorizontally(bitmap);
  QString text;
  if (n < 100)
    text = QStringLiteral("DERodorir - Frame Number: %1").arg(n);
  else if (n < 250)
    text = QStringLiteral("DERodorir - Time Stamp: %1").arg(call.PTS);
  else if (n < 350)
    text = QStringLiteral("DERodorir");
  else if (n < 450)
    text = QStringLiteral("Reverse Picture Vertically");
  else
    text = QStringLiteral("Reverse Picture Horizontally");
  QImage image = PaintableImage(bitmap);
  WriteText(image, 10, 10, text, OutputStyle(n));
  if (n >= 250 && n < 350 && !icon_.isNull() && !image.isNull()) {
    QPainter painter(&image);
    painter.drawImage(image.width() - icon_.width() - 10, image.height() - icon_.height() - 10, icon_);
  }
}

TAudioHookResult TFrameHooks::AudioOutputHook(const TAudioHookCall& call) {
  if (call.Channels == 1) return TAudioHookResult::Mono;
  if (call.SampleFormat != kSampleFormatS16 && call.SampleFormat != kSampleFormatS16P)
    return TAudioHookResult::UnsupportedFormat;
  if (!call.Planes || call.Channels < 1) return TAudioHookResult::Edited;
  const bool odd_period = (call.PTS / 5000000) % 2 != 0;
  if (call.SampleFormat == kSampleFormatS16) {
    std::uint8_t* samples = call.Planes[0];
    const int count = call.Size / 2;
    for (int k = 0; k < count; ++k)
      if ((k % call.Channels % 2 != 0) == odd_period) std::memset(samples + 2 * k, 0, 2);
    return TAudioHookResult::Edited;
  }
  for (int i = 0; i < call.Channels; ++i)
    if ((i % 2 != 0) == odd_period && call.Planes[i] && call.LineSize > 0)
      std::memset(call.Planes[i], 0, static_cast<std::size_t>(call.LineSize));
  return TAudioHookResult::Edited;
}

}  // namespace zentrova::ui

// A QImage over a core bitmap's own pixels: painting on the image changes
// the bitmap, nothing is copied.
//
// Every depth maps onto a Qt format with the same memory layout: 32 bits
// (B, G, R, A bytes) is RGB32, 24 bits (B, G, R bytes) is BGR888, the
// 16-bit words 0RRRRRGGGGGBBBBB and RRRRRGGGGGGBBBBB are RGB555 and RGB16,
// 8 bits is Indexed8 with the bitmap's palette.
//
// Lifetime: the image borrows the bitmap's memory; it must not outlive the
// bitmap, nor be used after the bitmap is resized or changes depth. Threads:
// the bitmap's (a QImage and QPainter may be used on a worker thread).
#pragma once

#include <QImage>

#include "picture/bitmap.h"

namespace zentrova::ui {

/// The Qt format of a bitmap depth.
QImage::Format ImageFormatOf(TBMPPixelFormat format);

/// A writable image over `bitmap`'s pixels; a null image for an empty bitmap.
QImage WrapBitmap(TBitmap& bitmap);
/// A read-only image over `bitmap`'s pixels (Qt copies it only when written).
QImage WrapBitmap(const TBitmap& bitmap);

}  // namespace zentrova::ui

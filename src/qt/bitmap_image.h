// A core bitmap as a QImage, for painting it with QPainter.
//
// 32- and 24-bit bitmaps are wrapped without a copy (the image shows the
// bitmap's memory, so drawing on it draws on the bitmap); 15- and 16-bit
// bitmaps (blue in the low bits, which Qt has no format for) are converted
// to a 32-bit copy; 8-bit bitmaps become an indexed image with the
// bitmap's palette, sharing the pixels.
//
// Threads: any thread; the image lives no longer than the bitmap it wraps
// (and the bitmap is not resized meanwhile).
#pragma once

#include <QImage>

#include "picture/bitmap.h"

namespace zentrova {

/// True when `BitmapImage` wraps the bitmap's memory rather than copying it.
bool BitmapImageSharesMemory(const TBitmap& bitmap);

/// The bitmap as an image; null for an empty bitmap.
QImage BitmapImage(TBitmap& bitmap);
/// A read-only view or copy of the bitmap (views must not be drawn on).
QImage BitmapImage(const TBitmap& bitmap);

}  // namespace zentrova

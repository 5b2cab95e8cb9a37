#include "support/first_picture.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "decoder/ridarivir.h"

namespace zentrova::test {

TBitmap FirstPicture(const std::string& path) {
  TRIDarivir decoder;
  decoder.SetBitmapBitsPixel(32);
  EXPECT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
  EXPECT_TRUE(decoder.Decode()) << decoder.LastErrMsg();
  TBitmap bitmap;
  EXPECT_TRUE(decoder.CopyToBitmap(bitmap)) << decoder.LastErrMsg();
  return bitmap;
}

double MeanDifference(const TBitmap& a, const TBitmap& b, int x0, int y0, int size) {
  double sum = 0;
  for (int y = y0; y < y0 + size; ++y)
    for (int x = x0 * 4; x < (x0 + size) * 4; ++x)
      if (x % 4 != 3) sum += std::abs(a.ScanLine(y)[x] - b.ScanLine(y)[x]);
  return sum / (size * size * 3);
}

}  // namespace zentrova::test

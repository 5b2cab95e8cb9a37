#include "first_picture.h"

#include <gtest/gtest.h>

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

}  // namespace zentrova::test

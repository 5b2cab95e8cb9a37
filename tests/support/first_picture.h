// The first picture of an output, read back by the decoder component, and
// the difference of two pictures, for the tests that compare what a
// conversion drew into the picture.
#pragma once

#include <string>

#include "picture/bitmap.h"

namespace zentrova::test {

/// The first picture of `path` as 32-bit pixels (blue, green, red, alpha);
/// a file that cannot be decoded fails the calling test and gives an empty
/// bitmap. Needs the media libraries loaded.
TBitmap FirstPicture(const std::string& path);

/// Mean absolute difference of the colour bytes of the size x size squares
/// at (x0, y0) of two 32-bit pictures.
double MeanDifference(const TBitmap& a, const TBitmap& b, int x0, int y0, int size);

}  // namespace zentrova::test

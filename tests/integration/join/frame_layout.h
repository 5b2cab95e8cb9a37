// Where a joined input's pictures sit on the output's frame: turned and
// scaled source pictures compared with a part of an output picture, and
// the bars around that part.
#pragma once

#include "join/picture_check.h"

namespace zentrova::test {

/// A rectangle of a frame, in pixels.
struct PictureBox {
  int x = 0, y = 0, width = 0, height = 0;
};

/// `picture` turned clockwise by `degrees` (0, 90, 180 or 270): what a
/// player shows for a display matrix of that turn.
LumaPicture Turned(const LumaPicture& picture, int degrees);

/// The mean absolute difference between the part `box` of `frame` and the
/// whole of `source` scaled into it (nearest pixel); a band of 3 pixels
/// inside the box's edges is left out (the scaler blends there).
double BoxDifference(const LumaPicture& frame, const PictureBox& box, const LumaPicture& source);

/// The mean luma of `frame` outside `box` and a band of 3 pixels around it;
/// 0 when the box leaves no such part. Black bars read about 16.
double MeanLumaOutside(const LumaPicture& frame, const PictureBox& box);

}  // namespace zentrova::test

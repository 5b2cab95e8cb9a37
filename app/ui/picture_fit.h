// Where a picture goes in a preview area when its aspect ratio is kept.
//
// Pure function; any thread.
#pragma once

#include <QRect>
#include <optional>

namespace zentrova::ui {

/// The rectangle of a `width` x `height` picture stretched into a
/// `area_width` x `area_height` area with its aspect ratio kept: the full
/// width with equal margins at top and bottom when the picture is relatively
/// wider, else the full height with margins left and right (margins rounded half
/// to even). Nothing when the picture or the area has no size.
std::optional<QRect> FitPicture(int width, int height, int area_width, int area_height);

}  // namespace zentrova::ui

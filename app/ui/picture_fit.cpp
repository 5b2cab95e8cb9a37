#include "app/ui/picture_fit.h"

#include <cmath>

// Margins round half to even, as the rest of the dialog rounds.

namespace zentrova::ui {

std::optional<QRect> FitPicture(int width, int height, int area_width, int area_height) {
  if (width <= 0 || height <= 0 || area_width <= 0 || area_height <= 0) return std::nullopt;
  const double x_scale = static_cast<double>(width) / area_width;
  const double y_scale = static_cast<double>(height) / area_height;
  if (x_scale >= y_scale) {
    const int margin = static_cast<int>(std::nearbyint((area_height - height / x_scale) / 2));
    return QRect(0, margin, area_width, area_height - 2 * margin);
  }
  const int margin = static_cast<int>(std::nearbyint((area_width - width / y_scale) / 2));
  return QRect(margin, 0, area_width - 2 * margin, area_height);
}

}  // namespace zentrova::ui

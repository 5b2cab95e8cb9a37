#include "app/ui/picture_fit.h"

#include <gtest/gtest.h>

namespace zentrova::ui {
namespace {

TEST(FitPicture, KeepsTheAspectRatioInsideTheArea) {
  struct Case {
    int w, h, area_w, area_h;
    std::optional<QRect> expected;
  } cases[] = {
      {320, 240, 240, 180, QRect(0, 0, 240, 180)},     // same shape
      {1920, 1080, 240, 180, QRect(0, 22, 240, 136)},  // wider: bands above and below (22.5 rounds to 22)
      {100, 400, 240, 180, QRect(98, 0, 44, 180)},     // taller: bands left and right (97.5 rounds to 98)
      {1, 1, 240, 180, QRect(30, 0, 180, 180)},
      {0, 240, 240, 180, std::nullopt},
      {320, 0, 240, 180, std::nullopt},
      {320, 240, 0, 180, std::nullopt},
      {320, 240, 240, 0, std::nullopt},
      {-5, 240, 240, 180, std::nullopt},
  };
  for (const Case& c : cases) {
    const std::optional<QRect> got = FitPicture(c.w, c.h, c.area_w, c.area_h);
    EXPECT_EQ(got, c.expected) << c.w << "x" << c.h << " in " << c.area_w << "x" << c.area_h;
  }
}

}  // namespace
}  // namespace zentrova::ui

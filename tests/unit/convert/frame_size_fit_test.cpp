#include "convert/frame_size_fit.h"

#include <gtest/gtest.h>

namespace zentrova::app {
namespace {

TEST(ParseFrameSize, WidthByHeightOnly) {
  struct Case {
    const char* text;
    std::optional<TFrameSize> size;
  } cases[] = {
      {"320x240", TFrameSize{320, 240}},
      {"853x479", TFrameSize{853, 479}},
      {"320:240", std::nullopt},
      {"0x240", std::nullopt},
      {"x240", std::nullopt},
      {"320x", std::nullopt},
      {"-2x240", std::nullopt},
      {"320x240x1", std::nullopt},
      {"200000x2", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseFrameSize(c.text), c.size) << c.text;
}

TEST(FitFrameSize, RoundsEachSideDownToTheMultiple) {
  struct Case {
    TFrameSize size;
    int multiple;
    TFrameSize fitted;
  } cases[] = {
      {{853, 479}, 2, {852, 478}}, {{640, 360}, 16, {640, 352}}, {{852, 480}, 16, {848, 480}},
      {{1, 1}, 2, {2, 2}},         {{7, 9}, 16, {16, 16}},       {{853, 479}, 0, {853, 479}},
      {{853, 479}, 1, {853, 479}},
  };
  for (const Case& c : cases) {
    const TFrameSize fitted = FitFrameSize(c.size, c.multiple);
    EXPECT_EQ(fitted, c.fitted) << c.size.Width << "x" << c.size.Height << " by " << c.multiple;
  }
}

TEST(KeptAspectSar, ShowsTheNewSizeWithTheOldDisplayAspect) {
  struct Case {
    TFrameSize from, to;
    int sar_num, sar_den;
    const char* sar;
  } cases[] = {
      {{640, 360}, {640, 352}, 1, 1, "44/45"},
      {{640, 360}, {640, 352}, 0, 1, "44/45"},  // unknown: square pixels
      {{720, 480}, {720, 480}, 8, 9, "8/9"},
      {{720, 481}, {720, 480}, 8, 9, "1280/1443"},
      {{853, 479}, {852, 478}, 1, 1, "203867/204054"},
      {{640, 360}, {640, 352}, 2000000, 1, "44/45"},  // absurd: square pixels
  };
  for (const Case& c : cases) EXPECT_EQ(KeptAspectSar(c.from, c.to, c.sar_num, c.sar_den), c.sar) << c.sar;
}

}  // namespace
}  // namespace zentrova::app

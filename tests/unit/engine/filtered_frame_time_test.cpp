#include "engine/transcode/filtered_frame_time.h"

#include <gtest/gtest.h>

#include "support/libraries.h"

namespace zentrova {
namespace {

constexpr double kNudge = 1.0 / (1 << 17);

struct TimeCase {
  const char* name;
  std::int64_t pts;
  AVRational filter_tb, encoder_tb;
  std::int64_t start_us;
  double exact;
  std::int64_t rounded;
};

TEST(FilteredFrameTime, MovesFramesOntoTheEncoderClock) {
  test::LoadMediaLibraries();
  const TimeCase cases[] = {
      {"same clock", 3, {1, 25}, {1, 25}, 0, 3 + kNudge, 3},
      {"half a tick keeps its fraction", 1020, {1, 1000}, {1, 25}, 0, 25.5 + kNudge, 26},
      {"output start subtracted", 1020, {1, 1000}, {1, 25}, 1000000, 0.5 + kNudge, 1},
      {"before the start is negative", 0, {1, 1000}, {1, 25}, 1000000, -25 - kNudge, -25},
      {"audio sample clock", 48000, {1, 48000}, {1, 44100}, 0, 44100 + kNudge, 44100},
  };
  for (const TimeCase& c : cases) {
    const TFilteredFrameTime t = FilteredFrameTime(c.pts, c.filter_tb, c.encoder_tb, c.start_us);
    EXPECT_NEAR(t.exact, c.exact, 1e-7) << c.name;
    EXPECT_EQ(t.pts, c.rounded) << c.name;
  }
}

}  // namespace
}  // namespace zentrova

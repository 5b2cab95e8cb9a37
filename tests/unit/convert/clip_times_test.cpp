#include "convert/clip_times.h"

#include <gtest/gtest.h>
#include <limits>

namespace zentrova::app {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

TEST(ClipTimeText, HoursMinutesSecondsMilliseconds) {
  struct Case {
    std::int64_t t;
    const char* text;
  } cases[] = {
      {3723004000, "01:02:03.004"},    {0, "00:00:00.000"},        {999, "00:00:00.000"},
      {1000, "00:00:00.001"},          {59999999, "00:00:59.999"}, {359999999999, "99:59:59.999"},
      {360000000000, "100:00:00.000"},
  };
  for (const Case& c : cases) EXPECT_EQ(clip_time_text(c.t), c.text) << c.t;
}

TEST(ClipTimes, StartOffsetAndDuration) {
  struct Case {
    const char* name;
    std::int64_t start, end, first;
    std::int64_t offset, duration;
  } cases[] = {
      {"plain", 2500000, 7500000, kTimeNotSet, 2500000, 5000000},
      {"first picture below zero", 2500000, 7500000, -1000000, 3500000, 5000000},
      {"first picture above zero", 2500000, 7500000, 500000, 2500000, 5000000},
      {"first picture at zero", 2500000, 7500000, 0, 2500000, 5000000},
      {"marks not set", kTimeNotSet, kNoTimeValue, kTimeNotSet, kTimeNotSet, 0},
      {"start after end", 7500000, 2500000, kTimeNotSet, 7500000, 0},
      {"saturates instead of overflowing", kMax - 1, kMax, kMin, kMax, 1},
      {"widest clip", kMin, kMax, kTimeNotSet, kMin, kMax},
  };
  for (const Case& c : cases) {
    SourceFacts source;
    source.StartTime = c.start;
    source.EndTime = c.end;
    source.FirstPTS = c.first;
    EXPECT_EQ(clip_start_offset(source), c.offset) << c.name;
    EXPECT_EQ(clip_duration(source), c.duration) << c.name;
  }
}

TEST(ClipApplies, NeedsEnabledCheckedAndValidMarks) {
  SourceFacts source;
  source.StartTime = 1;
  source.EndTime = 2;
  for (int bits = 0; bits < 8; ++bits) {
    OutputSettings settings;
    settings.CutClipEnabled = bits & 1;
    settings.CutClipChecked = bits & 2;
    SourceFacts marks = source;
    if (!(bits & 4)) marks.EndTime = marks.StartTime;
    EXPECT_EQ(ClipApplies(settings, marks), bits == 7) << bits;
  }
}

}  // namespace
}  // namespace zentrova::app

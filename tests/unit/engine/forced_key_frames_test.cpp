#include "engine/transcode/forced_key_frames.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <vector>

#include "engine/open/output_stream.h"
#include "support/libraries.h"

namespace zentrova {
namespace {

constexpr AVRational kFrames{1, 25};

TEST(ParseKeyFrameTimes, ReadsSortedTimesAndChapterStarts) {
  test::LoadMediaLibraries();
  const TChapterStart chapters[] = {{0, {1, 1000}}, {4000, {1, 1000}}, {7000, {1, 1000}}};
  struct Case {
    const char* list;
    std::vector<std::int64_t> frames;
  };
  const Case cases[] = {
      {"1,3,5", {25, 75, 125}},
      {"5,1.5,3", {38, 75, 125}},
      {"chapters+2", {50, 150, 225}},
      {"chapters", {0, 100, 175}},
      {"chapters-0.5", {-13, 87, 162}},  // the offset is rounded on its own
      {"10,5,chapters", {0, 100, 125, 175, 250}},
      {"00:00:02", {50}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseKeyFrameTimes(c.list, chapters, kFrames), c.frames) << c.list;
}

TEST(ParseKeyFrameTimes, RefusesAnEntryThatIsNoTime) {
  test::LoadMediaLibraries();
  for (const char* list : {"1,abc", "", "1,,2", "chaptersX"})
    EXPECT_THROW(ParseKeyFrameTimes(list, {}, kFrames), std::runtime_error) << list;
}

TEST(DecideForcedKeyFrame, ForcesTheFirstFrameAtOrAfterEachListedTime) {
  test::LoadMediaLibraries();
  TOutputStream ost;
  ost.forced_kf_pts = {25, 75};
  ost.forced_kf_count = 2;
  std::vector<std::int64_t> forced;
  for (std::int64_t pts : {0, 24, 26, 27, 80, 81, 200})
    if (DecideForcedKeyFrame(ost, pts, pts / 25.0, false)) forced.push_back(pts);
  EXPECT_EQ(forced, (std::vector<std::int64_t>{26, 80}));
}

TEST(DecideForcedKeyFrame, EvaluatesTheExpressionWithItsConstants) {
  test::LoadMediaLibraries();
  TOutputStream ost;
  ASSERT_GE(ff::av_expr_parse(OutPtr(ost.forced_keyframes_pexpr), "gte(t,n_forced*2)",
                              kForcedKeyframesConstNames, nullptr, nullptr, nullptr, nullptr, 0, nullptr),
            0);
  ost.forced_keyframes_expr_const_values[FKF_PREV_FORCED_N] = NAN;
  ost.forced_keyframes_expr_const_values[FKF_PREV_FORCED_T] = NAN;
  std::vector<int> forced;
  for (int second = 0; second < 6; ++second)
    if (DecideForcedKeyFrame(ost, second * 25, second, false)) forced.push_back(second);
  EXPECT_EQ(forced, (std::vector<int>{0, 2, 4}));
  EXPECT_EQ(ost.forced_keyframes_expr_const_values[FKF_N], 6);
  EXPECT_EQ(ost.forced_keyframes_expr_const_values[FKF_N_FORCED], 3);
  EXPECT_EQ(ost.forced_keyframes_expr_const_values[FKF_PREV_FORCED_N], 4);
  EXPECT_EQ(ost.forced_keyframes_expr_const_values[FKF_PREV_FORCED_T], 4);
}

TEST(DecideForcedKeyFrame, SourceFollowsTheInputKeyFrames) {
  TOutputStream ost;
  ost.forced_keyframes = "source";
  EXPECT_TRUE(DecideForcedKeyFrame(ost, 3, 0.12, true));
  EXPECT_FALSE(DecideForcedKeyFrame(ost, 4, 0.16, false));
  ost.forced_keyframes.clear();
  EXPECT_FALSE(DecideForcedKeyFrame(ost, 5, 0.2, true));
}

}  // namespace
}  // namespace zentrova

#include "engine/transcode/mux_timestamps.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "media/ff.h"

namespace zentrova {
namespace {

constexpr std::int64_t kNone = AV_NOPTS_VALUE;

struct Stamp {
  std::int64_t pts;
  std::int64_t dts;
};

std::vector<Stamp> KeepIncreasing(std::vector<Stamp> packets) {
  std::int64_t last_dts = kNone;
  for (Stamp& p : packets) KeepDtsIncreasing(p.pts, p.dts, last_dts);
  return packets;
}

TEST(KeepDtsIncreasing, RepairsDtsThatGoesBackwards) {
  const std::vector<Stamp> out =
      KeepIncreasing({{0, 0}, {40, 40}, {20, 20}, {20, 20}, {100, 60}, {kNone, kNone}});
  for (std::size_t i = 0; i < out.size(); ++i) {
    EXPECT_GE(out[i].pts, out[i].dts) << i;
    if (i > 0) {
      EXPECT_GT(out[i].dts, out[i - 1].dts) << i;
    }
  }
  EXPECT_EQ(out[2].dts, 41);
  EXPECT_EQ(out[3].dts, 42);
  EXPECT_EQ(out[4].dts, 60);  // back in step: left alone
  EXPECT_EQ(out[4].pts, 100);
}

// B-frame encoders emit pts out of order (libx264: 0,4,2,1,3,8,...). Joined
// segments must keep those pts: only the dts is forced up, which a valid
// stream already satisfies.
TEST(KeepDtsIncreasing, KeepsReorderedPtsOfBFrames) {
  const std::vector<Stamp> in = {{0, -2}, {4, -1}, {2, 0}, {1, 1}, {3, 2}, {8, 3}, {6, 4}, {5, 5}, {7, 6}};
  const std::vector<Stamp> out = KeepIncreasing(in);
  std::set<std::int64_t> distinct;
  for (std::size_t i = 0; i < in.size(); ++i) {
    EXPECT_EQ(out[i].pts, in[i].pts) << i;
    EXPECT_EQ(out[i].dts, in[i].dts) << i;
    distinct.insert(out[i].pts);
  }
  EXPECT_EQ(distinct.size(), in.size());
}

TEST(KeepDtsIncreasing, ContinuesASecondSegmentAboveTheFirst) {
  std::int64_t last_dts = kNone;
  std::int64_t pts = 0, dts = -1;
  for (int i = 0; i < 3; ++i) {
    pts = 10 + i;
    dts = 9 + i;
    KeepDtsIncreasing(pts, dts, last_dts);
  }
  // The next segment restarts its clock at a lower value.
  pts = 1;
  dts = 0;
  KeepDtsIncreasing(pts, dts, last_dts);
  EXPECT_EQ(dts, 12);
  EXPECT_EQ(pts, 12);
  EXPECT_EQ(last_dts, 12);
}

TEST(KeepDtsIncreasing, LeavesTheFirstUntimedPacketAlone) {
  std::int64_t last_dts = kNone, pts = kNone, dts = kNone;
  KeepDtsIncreasing(pts, dts, last_dts);
  EXPECT_EQ(dts, kNone);
  EXPECT_EQ(pts, kNone);
  EXPECT_EQ(last_dts, kNone);
}

struct MuxCase {
  const char* name;
  std::int64_t pts, dts, last_mux_dts;
  bool timed, video, strict;
  std::int64_t want_pts, want_dts;
  bool invalid, non_monotonic, loud;
};

TEST(RepairMuxTimestamps, FixesWhatTheMuxerWouldRefuse) {
  const MuxCase cases[] = {
      {"in order", 10, 9, 8, true, true, true, 10, 9, false, false, false},
      {"first packet", 10, 9, kNone, true, true, true, 10, 9, false, false, false},
      {"dts after pts: median guess", 5, 9, 6, true, true, true, 7, 7, true, false, false},
      {"dts after pts, first packet", 5, 9, kNone, true, true, true, 5, 5, true, false, false},
      {"video dts repeats", 9, 8, 8, true, true, true, 9, 9, false, true, true},
      {"audio dts one behind: quiet", 8, 8, 8, true, false, true, 9, 9, false, true, false},
      {"audio dts far behind: loud", 3, 3, 8, true, false, true, 9, 9, false, true, true},
      {"non-strict muxer takes equal dts", 8, 8, 8, true, false, false, 8, 8, false, false, false},
      {"untimed stream untouched", 3, 3, 8, false, false, true, 3, 3, false, false, false},
      {"dts after pts and behind the stream", 2, 4, 8, true, true, true, 9, 9, true, true, true},
      {"missing pts stays missing", kNone, 4, 8, true, true, true, kNone, 9, false, true, true},
  };
  for (const MuxCase& c : cases) {
    const TMuxTimestampRepair r =
        RepairMuxTimestamps(c.pts, c.dts, c.last_mux_dts, c.timed, c.video, c.strict);
    EXPECT_EQ(r.pts, c.want_pts) << c.name;
    EXPECT_EQ(r.dts, c.want_dts) << c.name;
    EXPECT_EQ(r.invalid_dts, c.invalid) << c.name;
    EXPECT_EQ(r.non_monotonic, c.non_monotonic) << c.name;
    if (c.non_monotonic) {
      EXPECT_EQ(r.loud, c.loud) << c.name;
      EXPECT_EQ(r.accepted_dts, c.want_dts) << c.name;
    }
  }
}

}  // namespace
}  // namespace zentrova

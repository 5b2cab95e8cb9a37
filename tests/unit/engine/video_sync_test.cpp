#include "engine/transcode/video_sync.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/ffmpeg_exception.h"
#include "media/ff.h"
#include "support/libraries.h"

namespace zentrova {
namespace {

struct ResolveCase {
  std::string muxer;
  int requested;
  bool single_stream_source;
  bool copy_ts;
  int expected;
};

// Real muxers, so that the flags the decision reads are the library's own.
TEST(ResolveVideoSyncMethod, FollowsTheMuxerFlags) {
  test::LoadMediaLibraries();
  const ResolveCase cases[] = {
      {"avi", VSYNC_AUTO, false, false, VSYNC_VFR},
      {"mp4", VSYNC_AUTO, false, false, VSYNC_CFR},
      {"mov", VSYNC_AUTO, false, false, VSYNC_CFR},
      {"mp4", VSYNC_AUTO, true, false, VSYNC_VSCFR},
      {"mp4", VSYNC_AUTO, false, true, VSYNC_VSCFR},
      {"matroska", VSYNC_AUTO, false, false, VSYNC_VFR},
      {"mpegts", VSYNC_AUTO, true, false, VSYNC_VFR},
      {"mp4", VSYNC_PASSTHROUGH, true, true, VSYNC_PASSTHROUGH},
      {"matroska", VSYNC_CFR, false, false, VSYNC_CFR},
  };
  for (const ResolveCase& c : cases) {
    const AVOutputFormat* format = ff::av_guess_format(c.muxer.c_str(), nullptr, nullptr);
    ASSERT_NE(format, nullptr) << c.muxer;
    EXPECT_EQ(
        ResolveVideoSyncMethod(c.requested, format->name, format->flags, c.single_stream_source, c.copy_ts),
        c.expected)
        << c.muxer << " requested " << c.requested;
  }
}

TEST(ResolveVideoSyncMethod, PassesThroughTimestamplessVariableRateMuxers) {
  EXPECT_EQ(ResolveVideoSyncMethod(VSYNC_AUTO, "x", AVFMT_VARIABLE_FPS | AVFMT_NOTIMESTAMPS, false, false),
            VSYNC_PASSTHROUGH);
}

struct SyncCase {
  const char* name;
  TVideoSyncInput in;
  std::int64_t nb;
  std::int64_t nb0;
  std::int64_t sync_opts;
  std::int64_t duplicated;
  bool dropped_previous;
  bool last_dropped;
};

TVideoSyncInput Picture(int method, double sync_ipts, std::int64_t sync_opts, std::int64_t frame_number = 5) {
  TVideoSyncInput in;
  in.method = method;
  in.sync_ipts = sync_ipts;
  in.sync_opts = sync_opts;
  in.duration = 1;
  in.frame_number = frame_number;
  return in;
}

TVideoSyncInput AfterDrop(TVideoSyncInput in) {
  in.last_dropped = true;
  return in;
}

TVideoSyncInput Capped(TVideoSyncInput in, std::int64_t max_frames) {
  in.max_frames = max_frames;
  return in;
}

TEST(DecideVideoSync, FitsPicturesToTheClock) {
  const SyncCase cases[] = {
      {"cfr on time", Picture(VSYNC_CFR, 10, 10), 1, 0, 10, 0, false, false},
      {"cfr slightly late", Picture(VSYNC_CFR, 10.4, 10), 1, 0, 10, 0, false, false},
      // Three ticks late: the previous picture fills two ticks, this one two.
      {"cfr gap", Picture(VSYNC_CFR, 13, 10), 4, 2, 10, 3, false, false},
      {"cfr far too early", Picture(VSYNC_CFR, 7, 10), 0, 0, 10, 0, false, true},
      {"cfr after a drop", AfterDrop(Picture(VSYNC_CFR, 10, 10)), 1, 0, 10, 0, true, false},
      {"cfr gap after a drop", AfterDrop(Picture(VSYNC_CFR, 12, 10)), 3, 1, 10, 1, false, false},
      {"cfr frame limit", Capped(Picture(VSYNC_CFR, 20, 10, 99), 100), 1, 1, 10, 1, false, true},
      {"cfr limit reached", Capped(Picture(VSYNC_CFR, 10, 10, 100), 100), 0, 0, 10, 0, false, true},
      {"vfr late picture moves the clock", Picture(VSYNC_VFR, 13, 10), 1, 0, 13, 0, false, false},
      {"vfr early picture dropped", Picture(VSYNC_VFR, 8, 10), 0, 0, 10, 0, false, true},
      {"passthrough takes the picture time", Picture(VSYNC_PASSTHROUGH, 6.6, 10), 1, 0, 7, 0, false, false},
      {"drop takes the picture time", Picture(VSYNC_DROP, 42.2, 10), 1, 0, 42, 0, false, false},
  };
  for (const SyncCase& c : cases) {
    const TVideoSyncDecision d = DecideVideoSync(c.in);
    EXPECT_EQ(d.nb, c.nb) << c.name;
    EXPECT_EQ(d.nb0, c.nb0) << c.name;
    EXPECT_EQ(d.sync_opts, c.sync_opts) << c.name;
    EXPECT_EQ(d.duplicated, c.duplicated) << c.name;
    EXPECT_EQ(d.dropped_previous, c.dropped_previous) << c.name;
    EXPECT_EQ(d.last_dropped, c.last_dropped) << c.name;
    EXPECT_FALSE(d.skip_too_large) << c.name;
    EXPECT_EQ(d.last_nb0_frames[0], c.nb0) << c.name;
  }
}

TEST(DecideVideoSync, ClipsAPictureThatStartedBeforeTheClock) {
  const TVideoSyncDecision slight = DecideVideoSync(Picture(VSYNC_CFR, 9.7, 10));
  EXPECT_EQ(slight.clip, TVideoSyncClip::Clipped);
  EXPECT_NEAR(slight.clipped_by, 0.3, 1e-9);
  EXPECT_EQ(slight.nb, 1);

  const TVideoSyncDecision far = DecideVideoSync(Picture(VSYNC_CFR, 9.2, 10));
  EXPECT_EQ(far.clip, TVideoSyncClip::PastDurationTooLarge);
  EXPECT_NEAR(far.clipped_by, 0.8, 1e-9);

  EXPECT_EQ(DecideVideoSync(Picture(VSYNC_PASSTHROUGH, 9.7, 10)).clip, TVideoSyncClip::None);
}

TEST(DecideVideoSync, VscfrDoesNotFillALeadingGap) {
  const TVideoSyncDecision d = DecideVideoSync(Picture(VSYNC_VSCFR, 5, 0, 0));
  EXPECT_EQ(d.initial_frames_not_duplicated, 5);
  EXPECT_EQ(d.sync_opts, 5);
  EXPECT_EQ(d.nb, 1);
  EXPECT_EQ(d.duplicated, 0);
  // The same gap later in the stream is filled.
  EXPECT_EQ(DecideVideoSync(Picture(VSYNC_VSCFR, 15, 10, 10)).nb, 6);
}

TEST(DecideVideoSync, SkipsADuplicationRunBeyondThirtyTimesTheDeltaThreshold) {
  TVideoSyncInput in = Picture(VSYNC_CFR, 10 + 20 * 25, 10);  // a 20 s gap at 25 fps
  const TVideoSyncDecision d = DecideVideoSync(in);
  EXPECT_TRUE(d.skip_too_large);
  EXPECT_EQ(d.duplicated, 0);
  in.dts_delta_threshold = 100;
  EXPECT_FALSE(DecideVideoSync(in).skip_too_large);
}

TEST(DecideVideoSync, FrameDropThresholdDropsEarlyPictures) {
  TVideoSyncInput in = Picture(VSYNC_CFR, 9.9, 10);
  EXPECT_EQ(DecideVideoSync(in).nb, 1);
  in.frame_drop_threshold = 1.5;
  EXPECT_EQ(DecideVideoSync(in).nb, 0);
  in.frame_number = 0;  // never the first picture
  EXPECT_EQ(DecideVideoSync(in).nb, 1);
}

TEST(DecideVideoSync, FlushRepeatsTheMedianOfTheRecentPattern) {
  TVideoSyncInput in;
  in.flush = true;
  in.last_nb0_frames[0] = 2;
  in.last_nb0_frames[1] = 0;
  in.last_nb0_frames[2] = 1;
  const TVideoSyncDecision d = DecideVideoSync(in);
  EXPECT_EQ(d.nb, 1);
  EXPECT_EQ(d.nb0, 1);
  EXPECT_FALSE(d.last_dropped);
  EXPECT_EQ(d.last_nb0_frames[1], 2);
  EXPECT_EQ(d.last_nb0_frames[2], 0);
}

TEST(DecideVideoSync, FlushNeverWritesPastTheLastPicture) {
  TVideoSyncInput in;
  in.flush = true;
  in.sync_opts = 101;
  in.last_nb0_frames[0] = 18;  // the gaps of an irregular input
  in.last_nb0_frames[1] = 29;
  in.last_picture_end = 101;  // the last picture is fully written already
  EXPECT_EQ(DecideVideoSync(in).nb, 0);
  in.last_picture_end = 103.2;  // two ticks of it are still missing
  EXPECT_EQ(DecideVideoSync(in).nb, 2);
  in.last_picture_end = NAN;  // unknown: the pattern alone
  EXPECT_EQ(DecideVideoSync(in).nb, 18);
}

// A picture shorter than an output frame (a rate conversion down) is dropped
// once it ends before the clock; pictures of a frame or more keep the slack.
TEST(DecideVideoSync, DropsAShortPictureThatEndsBeforeTheClock) {
  struct Case {
    int method;
    double sync_ipts, duration;
    std::int64_t nb;
  } cases[] = {
      {VSYNC_CFR, 9.5, 0.6, 1},  // ends at 10.1, after the clock
      {VSYNC_CFR, 9.4, 0.6, 0},  // ends at the clock
      {VSYNC_CFR, 9.0, 0.6, 0},  // 0.4 ticks before: the slack would still write it
      {VSYNC_CFR, 9.0, 1.0, 1},  // a whole frame long: the slack holds
      {VSYNC_CFR, 7.8, 1.0, 0},  // beyond the slack
      {VSYNC_CFR, 9.0, 0.0, 1},  // unknown duration: the slack holds
      {VSYNC_VFR, 9.5, 0.6, 1},  // ends after the clock
      {VSYNC_VFR, 9.2, 0.6, 0},  // 0.2 ticks before: the slack would still write it
      {VSYNC_VFR, 9.2, 1.0, 1},  // a whole frame long: the slack holds
  };
  for (const Case& c : cases) {
    TVideoSyncInput in = Picture(c.method, c.sync_ipts, 10);
    in.duration = c.duration;
    EXPECT_EQ(DecideVideoSync(in).nb, c.nb) << c.method << ": " << c.sync_ipts << " lasting " << c.duration;
  }
}

// One second of pictures fitted to another frame rate, as do_video_out feeds
// them (the output clock moves on by the frames written, the flush gives the
// end of the last picture): as many frames as the second holds at the output
// rate, and while converting down never a picture more than a frame late.
TEST(DecideVideoSync, ConvertsARateWithoutRunningAhead) {
  const struct {
    int method;
    double input_fps, output_fps;
    std::int64_t frames;
  } cases[] = {
      {VSYNC_CFR, 25, 15000.0 / 1001, 15},
      {VSYNC_CFR, 25, 15, 15},
      {VSYNC_CFR, 30, 15, 15},
      {VSYNC_CFR, 60, 25, 25},
      {VSYNC_CFR, 50, 24000.0 / 1001, 24},
      {VSYNC_CFR, 30000.0 / 1001, 15000.0 / 1001, 15},
      {VSYNC_CFR, 24, 30, 30},
      {VSYNC_CFR, 25, 25, 25},
      {VSYNC_VFR, 25, 15000.0 / 1001, 15},
      {VSYNC_VFR, 60, 25, 25},
  };
  for (const auto& c : cases) {
    const double ticks_per_picture = c.output_fps / c.input_fps;
    const int pictures = static_cast<int>(std::lround(c.input_fps));
    TVideoSyncInput in;
    in.method = c.method;
    in.duration = ticks_per_picture;
    for (int i = 0; i < pictures; ++i) {
      in.sync_ipts = i * ticks_per_picture;
      const TVideoSyncDecision d = DecideVideoSync(in);
      if (d.nb > 0 && ticks_per_picture < 1) {
        EXPECT_LE(static_cast<double>(d.sync_opts), in.sync_ipts + 1) << c.input_fps << " fps, picture " << i;
      }
      in.sync_opts = d.sync_opts + d.nb;
      in.frame_number += d.nb;
      in.last_dropped = d.last_dropped;
      std::copy(std::begin(d.last_nb0_frames), std::end(d.last_nb0_frames), in.last_nb0_frames);
    }
    in.flush = true;
    in.last_picture_end = pictures * ticks_per_picture;
    in.frame_number += DecideVideoSync(in).nb;
    EXPECT_EQ(in.frame_number, c.frames) << c.method << ": " << c.input_fps << " fps to " << c.output_fps;
  }
}

TEST(DecideVideoSync, RefusesAnUnknownMethod) {
  EXPECT_THROW(DecideVideoSync(Picture(7, 10, 10)), FFmpegException);
}

}  // namespace
}  // namespace zentrova

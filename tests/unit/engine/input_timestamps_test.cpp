#include "engine/transcode/input_timestamps.h"

#include <gtest/gtest.h>

#include "media/av_ptr.h"
#include "media/ff.h"
#include "support/libraries.h"

namespace zentrova {
namespace {

constexpr std::int64_t kNone = AV_NOPTS_VALUE;
constexpr std::int64_t kSecond = AV_TIME_BASE;
constexpr std::int64_t kTicks = 90000;  // stream ticks per second

// One input file with one video stream on a 90 kHz clock, read by `demuxer`.
class InputTimestamps : public ::testing::Test {
 protected:
  void Build(const char* demuxer, std::int64_t start_time_us = 0) {
    test::LoadMediaLibraries();
    AVFormatContext* ctx = ff::avformat_alloc_context();
    ASSERT_NE(ctx, nullptr);
    ctx->iformat = ff::av_find_input_format(demuxer);
    ASSERT_NE(ctx->iformat, nullptr) << demuxer;
    ctx->start_time = start_time_us;
    file_.ctx.reset(ctx);
    AVStream* st = ff::avformat_new_stream(ctx, nullptr);
    ASSERT_NE(st, nullptr);
    st->time_base = {1, static_cast<int>(kTicks)};
    st->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    st->pts_wrap_bits = 33;
    st->start_time = ff::av_rescale_q(start_time_us, {1, AV_TIME_BASE}, st->time_base);
    ist_.st = st;
    ist_.next_dts = kNone;
    ist_.next_pts = kNone;
    file_.ts_offset = -start_time_us;
  }
  void TearDown() override {
    // Never opened: freed without the demuxer's close.
    ff::avformat_free_context(file_.ctx.release());
  }
  // A packet at `seconds` of stream time, run through the repair.
  AVPacket Repair(double seconds, const TTimestampPolicy& policy = {}) {
    AVPacket pkt{};
    pkt.pts = pkt.dts = static_cast<std::int64_t>(seconds * kTicks);
    RepairInputTimestamps(file_, ist_, pkt, policy);
    return pkt;
  }
  void StreamAt(std::int64_t next_dts_us) {
    ist_.next_dts = next_dts_us;
    ist_.pts = ist_.dts = next_dts_us - 40000;
    ist_.wrap_correction_done = 1;
  }

  TInputFile file_;
  TInputStream ist_;
};

TEST_F(InputTimestamps, AbsorbsAJumpWithinATransportStream) {
  Build("mpegts");
  StreamAt(5 * kSecond);
  const AVPacket pkt = Repair(35);
  EXPECT_EQ(pkt.dts, 5 * kTicks);
  EXPECT_EQ(pkt.pts, 5 * kTicks);
  EXPECT_EQ(file_.ts_offset, -30 * kSecond);
  EXPECT_EQ(file_.last_ts, 5 * kSecond);
  // Later packets of the file follow the new offset.
  StreamAt(5 * kSecond + 40000);
  EXPECT_EQ(Repair(35.04).dts, 5 * kTicks + 3600);
}

TEST_F(InputTimestamps, JoinModeKeepsTheJump) {
  Build("mpegts");
  StreamAt(5 * kSecond);
  TTimestampPolicy join;
  join.join_mode = true;
  const AVPacket pkt = Repair(35, join);
  EXPECT_EQ(pkt.dts, 35 * kTicks);
  EXPECT_EQ(file_.ts_offset, 0);
}

TEST_F(InputTimestamps, CopyTsKeepsTheJump) {
  Build("mpegts");
  StreamAt(5 * kSecond);
  TTimestampPolicy copy;
  copy.copy_ts = true;
  EXPECT_EQ(Repair(35, copy).dts, 35 * kTicks);
}

TEST_F(InputTimestamps, DropsImpossibleTimestampsOfOtherFormats) {
  Build("mov");
  StreamAt(5 * kSecond);
  TTimestampPolicy strict;
  strict.dts_error_threshold = 1;
  const AVPacket far = Repair(35, strict);
  EXPECT_EQ(far.dts, kNone);
  EXPECT_EQ(far.pts, kNone);
  EXPECT_EQ(file_.ts_offset, 0);
  StreamAt(5 * kSecond);
  const AVPacket near = Repair(5.5, strict);
  EXPECT_EQ(near.dts, ff::av_rescale_q(5500000, {1, AV_TIME_BASE}, {1, 90000}));
}

TEST_F(InputTimestamps, AbsorbsAJumpBetweenStreams) {
  Build("mpegts");
  file_.last_ts = 1 * kSecond;
  ist_.wrap_correction_done = 1;
  const AVPacket pkt = Repair(40);
  EXPECT_EQ(pkt.dts, 1 * kTicks);
  EXPECT_EQ(file_.ts_offset, -39 * kSecond);
}

TEST_F(InputTimestamps, UnwrapsTimestampsFromBeforeTheCounterWrapped) {
  Build("mpegts", 10 * kSecond);
  file_.last_ts = kNone;
  TTimestampPolicy no_jumps;  // only the wrap is looked at here
  no_jumps.dts_delta_threshold = 100;
  AVPacket pkt{};
  pkt.pts = pkt.dts = (std::int64_t{1} << 33) - 9000;  // 0.1 s before the wrap
  RepairInputTimestamps(file_, ist_, pkt, no_jumps);
  EXPECT_EQ(pkt.dts, -9000 - 10 * kTicks);
  EXPECT_EQ(ist_.wrap_correction_done, 0);  // checked again on the next packet
  AVPacket in_range{};
  in_range.pts = in_range.dts = 11 * kTicks;
  RepairInputTimestamps(file_, ist_, in_range, no_jumps);
  EXPECT_EQ(in_range.dts, 1 * kTicks);
  EXPECT_EQ(ist_.wrap_correction_done, 1);
}

TEST_F(InputTimestamps, AddsTheLoopOffsetAndTracksTheRange) {
  Build("mov");
  ist_.wrap_correction_done = 1;
  file_.duration = 10000;
  file_.time_base = {1, 1000};
  const AVPacket pkt = Repair(0.5);
  EXPECT_EQ(pkt.pts, 105 * kTicks / 10);
  EXPECT_EQ(ist_.max_pts, pkt.pts);
  EXPECT_EQ(ist_.min_pts, pkt.pts);
}

TEST_F(InputTimestamps, ScalesByItsscale) {
  Build("mov");
  ist_.wrap_correction_done = 1;
  ist_.ts_scale = 2.0;
  EXPECT_EQ(Repair(3).pts, 6 * kTicks);
}

}  // namespace
}  // namespace zentrova

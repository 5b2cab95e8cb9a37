// Opening generated input files through the engine.
#include <gtest/gtest.h>

#include <limits>

#include "engine_io_fixture.h"

namespace zentrova::test {
namespace {

class OpenInputFile : public EngineIoTest {};

TEST_F(OpenInputFile, RegistersEveryStreamOfAGeneratedClip) {
  const std::string clip = Clip("clip.mp4", Mp4H264Aac(1.0));
  TestEngine engine;
  const OpenResult result = OpenInput(engine, "", clip);
  ASSERT_EQ(result.code, 0) << result.error;
  ASSERT_EQ(engine.Finput_files.size(), 1u);
  ASSERT_EQ(engine.Finput_streams.size(), 2u);
  const TInputFile& f = *engine.Finput_files[0];
  EXPECT_EQ(f.nb_streams, 2);
  EXPECT_EQ(f.ist_index, 0);
  EXPECT_EQ(f.start_time, AV_NOPTS_VALUE);
  EXPECT_EQ(f.recording_time, std::numeric_limits<std::int64_t>::max());
  const TInputStream& video = *engine.Finput_streams[0];
  const TInputStream& audio = *engine.Finput_streams[1];
  EXPECT_EQ(video.st->codecpar->codec_type, AVMEDIA_TYPE_VIDEO);
  ASSERT_NE(video.avdec, nullptr);
  EXPECT_STREQ(video.avdec->name, "h264");
  EXPECT_EQ(video.resample_width, 320);
  EXPECT_EQ(video.resample_height, 240);
  ASSERT_NE(audio.avdec, nullptr);
  EXPECT_STREQ(audio.avdec->name, "aac");
  EXPECT_EQ(audio.resample_sample_rate, 48000);
  EXPECT_EQ(audio.resample_ch_layout.nb_channels, 2);
  for (const auto& ist : engine.Finput_streams) {
    EXPECT_EQ(ist->file_index, 0);
    EXPECT_EQ(ist->discard, 1);
    EXPECT_EQ(ist->st->discard, AVDISCARD_ALL);  // nothing uses the streams yet
  }
  EXPECT_EQ(engine.Finput_stream_potentially_available, 1);

  // A second input numbers its streams after the first one's.
  const OpenResult second = OpenInput(engine, "", clip);
  ASSERT_EQ(second.code, 1) << second.error;
  EXPECT_EQ(engine.Finput_files[1]->ist_index, 2);
  EXPECT_EQ(engine.Finput_streams[3]->file_index, 1);
}

struct TsOffsetCase {
  const char* options;
  std::int64_t itsoffset_us;
  bool copy_ts;
  bool start_at_zero;
};

class OpenInputFileTsOffset : public EngineIoTest, public ::testing::WithParamInterface<TsOffsetCase> {};

TEST_P(OpenInputFileTsOffset, FollowsStartPositionAndCopyTs) {
  ClipSpec spec = Mp4H264Aac(8.0);
  spec.video->max_b_frames = 2;  // reordered frames: the seek lands early, the offset does not
  const std::string clip = Clip("bframes.mp4", spec);
  const TsOffsetCase& c = GetParam();
  TestEngine engine;
  const OpenResult result = OpenInput(engine, c.options, clip);
  ASSERT_EQ(result.code, 0) << result.error;
  const TInputFile& f = *engine.Finput_files[0];
  const std::int64_t start = f.ctx->start_time == AV_NOPTS_VALUE ? 0 : f.ctx->start_time;
  std::int64_t expected = c.itsoffset_us - (5000000 + start);
  if (c.copy_ts) expected = c.itsoffset_us - (c.start_at_zero ? start : 0);
  EXPECT_EQ(f.ts_offset, expected);
  EXPECT_EQ(f.input_ts_offset, c.itsoffset_us);
  EXPECT_EQ(f.start_time, 5000000);
  EXPECT_EQ(engine.FInputDuration, f.ctx->duration - 5000000);
}

INSTANTIATE_TEST_SUITE_P(Cases, OpenInputFileTsOffset,
                         ::testing::Values(TsOffsetCase{"-ss 5", 0, false, false},
                                           TsOffsetCase{"-ss 5 -itsoffset 2", 2000000, false, false},
                                           TsOffsetCase{"-copyts -ss 5", 0, true, false},
                                           TsOffsetCase{"-copyts -start_at_zero -ss 5", 0, true, true}));

TEST_F(OpenInputFile, SseofCountsBackFromTheEnd) {
  const std::string clip = Clip("clip.mp4", Mp4H264Aac(3.0));
  TestEngine engine;
  const OpenResult result = OpenInput(engine, "-sseof -1", clip);
  ASSERT_EQ(result.code, 0) << result.error;
  const TInputFile& f = *engine.Finput_files[0];
  EXPECT_EQ(f.start_time, f.ctx->duration - 1000000);
  EXPECT_EQ(engine.FInputDuration, 1000000);
}

enum class BadInput { UnknownFormat, Missing, Empty, Garbage, Truncated };

struct BadInputCase {
  BadInput kind;
  const char* name;
};

class OpenInputFileRefuses : public EngineIoTest, public ::testing::WithParamInterface<BadInputCase> {};

TEST_P(OpenInputFileRefuses, WithAClearErrorAndRegistersNothing) {
  const BadInputCase& c = GetParam();
  std::string path = dir_.File(c.name);
  std::string options;
  switch (c.kind) {
    case BadInput::UnknownFormat:
      path = Clip("clip.mp4", Mp4H264Aac(1.0));
      options = "-f nosuchformat";
      break;
    case BadInput::Missing:
      break;
    case BadInput::Empty:
      MakeEmptyFile(path);
      break;
    case BadInput::Garbage:
      MakeGarbageFile(path, 64 * 1024, 7);
      break;
    case BadInput::Truncated:
      MakeTruncatedCopy(Clip("clip.mp4", Mp4H264Aac(1.0)), path, 0.5);
      break;
  }
  TestEngine engine;
  const OpenResult result = OpenInput(engine, options, path);
  EXPECT_LT(result.code, 0);
  EXPECT_FALSE(result.raised) << result.error;
  if (c.kind == BadInput::UnknownFormat) {
    EXPECT_EQ(result.code, AVERROR(EINVAL));
    EXPECT_EQ(result.error, "Unknown input format: \"nosuchformat\"");
  } else {
    EXPECT_EQ(result.error.rfind(path + ": ", 0), 0u) << result.error;
    EXPECT_GT(result.error.size(), path.size() + 2);
  }
  EXPECT_TRUE(engine.Finput_files.empty());
  EXPECT_TRUE(engine.Finput_streams.empty());
  EXPECT_EQ(engine.Finput_stream_potentially_available, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, OpenInputFileRefuses,
                         ::testing::Values(BadInputCase{BadInput::UnknownFormat, "unused"},
                                           BadInputCase{BadInput::Missing, "missing.mp4"},
                                           BadInputCase{BadInput::Empty, "empty.mp4"},
                                           BadInputCase{BadInput::Garbage, "garbage.mp4"},
                                           BadInputCase{BadInput::Truncated, "truncated.mp4"}));

TEST_F(OpenInputFile, OpensANonAsciiName) {
  const std::string clip = Clip("视频 1.mp4", Mp4H264Aac(1.0));
  TestEngine engine;
  const OpenResult result = OpenInput(engine, "", clip);
  ASSERT_EQ(result.code, 0) << result.error;
  EXPECT_EQ(engine.Finput_streams.size(), 2u);
}

TEST_F(OpenInputFile, RefusesAnEncodingOnlyOptionAndStaysUsable) {
  const std::string clip = Clip("clip.mp4", Mp4H264Aac(1.0));
  TestEngine engine;
  const OpenResult refused = OpenInput(engine, "-crf 23", clip);
  EXPECT_EQ(refused.code, AVERROR(EINVAL));
  EXPECT_EQ(refused.error.rfind("Codec AVOption crf (", 0), 0u) << refused.error;
  EXPECT_NE(refused.error.find("specified for input file #0 (" + clip + ") is not a decoding option."),
            std::string::npos)
      << refused.error;
  EXPECT_TRUE(engine.Finput_files.empty());
  EXPECT_TRUE(engine.Finput_streams.empty());

  const OpenResult accepted = OpenInput(engine, "", clip);
  EXPECT_EQ(accepted.code, 0) << accepted.error;
  EXPECT_EQ(engine.Finput_streams.size(), 2u);
}

struct RaisedCase {
  const char* options;
  const char* message;
};

class OpenInputFileRaises : public EngineIoTest, public ::testing::WithParamInterface<RaisedCase> {};

TEST_P(OpenInputFileRaises, NamesTheBadValueAndRegistersNothing) {
  const std::string clip = Clip("clip.mp4", Mp4H264Aac(1.0));
  TestEngine engine;
  const OpenResult result = OpenInput(engine, GetParam().options, clip);
  EXPECT_TRUE(result.raised);
  EXPECT_EQ(result.error, GetParam().message);
  EXPECT_EQ(engine.FLastErrMsg, GetParam().message);
  EXPECT_TRUE(engine.Finput_files.empty());
  EXPECT_TRUE(engine.Finput_streams.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenInputFileRaises,
    ::testing::Values(RaisedCase{"-hwaccel dxva2", "Unrecognized hwaccel: dxva2.\r\nSupported hwaccels: qsv"},
                      RaisedCase{"-discard nosuch", "Error parsing discard nosuch."},
                      RaisedCase{"-r:v nosuch", "Error parsing framerate nosuch."},
                      RaisedCase{"-c:v nosuchdecoder", "Unknown decoder \"nosuchdecoder\""}));

struct TagCase {
  const char* value;
  std::uint32_t tag;
};

class OpenInputFileTag : public EngineIoTest, public ::testing::WithParamInterface<TagCase> {};

TEST_P(OpenInputFileTag, SetsTheStreamCodecTag) {
  const std::string clip = Clip("clip.mp4", Mp4H264Aac(1.0));
  TestEngine engine;
  const OpenResult result = OpenInput(engine, std::string("-tag:v ") + GetParam().value, clip);
  ASSERT_EQ(result.code, 0) << result.error;
  EXPECT_EQ(engine.Finput_streams[0]->st->codecpar->codec_tag, GetParam().tag);
  EXPECT_NE(engine.Finput_streams[1]->st->codecpar->codec_tag, GetParam().tag);
}

INSTANTIATE_TEST_SUITE_P(Cases, OpenInputFileTag,
                         ::testing::Values(TagCase{"XVID", MKTAG('X', 'V', 'I', 'D')},
                                           TagCase{"0x1234", 0x1234}, TagCase{"XV", MKTAG('X', 'V', 0, 0)}));

TEST_F(OpenInputFile, DiscardLevelIsReadAsTheDecoderWouldReadIt) {
  const std::string clip = Clip("clip.mp4", Mp4H264Aac(1.0));
  TestEngine engine;
  const OpenResult result = OpenInput(engine, "-discard:v nokey", clip);
  ASSERT_EQ(result.code, 0) << result.error;
  EXPECT_EQ(engine.Finput_streams[0]->user_set_discard, AVDISCARD_NONKEY);
  EXPECT_EQ(engine.Finput_streams[1]->user_set_discard, AVDISCARD_NONE);
}

struct LayoutCase {
  const char* options;
  bool has_layout;
};

class OpenInputFileRawAudio : public EngineIoTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(OpenInputFileRawAudio, GuessesTheLayoutUpToGuessLayoutMax) {
  const std::string raw = dir_.File("tone.raw");
  WriteFile(raw, std::string(44100 * 4, '\0'));  // one second of stereo 16-bit silence
  TestEngine engine;
  const OpenResult result =
      OpenInput(engine, std::string("-f s16le -ar 44100 -ac 2 ") + GetParam().options, raw);
  ASSERT_EQ(result.code, 0) << result.error;
  const TInputStream& ist = *engine.Finput_streams[0];
  EXPECT_EQ(ist.dec_ctx->ch_layout.nb_channels, 2);
  if (GetParam().has_layout) {
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    EXPECT_EQ(ff::av_channel_layout_compare(&ist.dec_ctx->ch_layout, &stereo), 0);
  } else {
    EXPECT_EQ(ist.dec_ctx->ch_layout.order, AV_CHANNEL_ORDER_UNSPEC);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, OpenInputFileRawAudio,
                         ::testing::Values(LayoutCase{"", true}, LayoutCase{"-guess_layout_max 1", false}));

struct InterruptCase {
  bool broken;
  std::int64_t last_read_age_us;  ///< -1: "untimed", -2: "cancel now"
  int timeout_ms;
  int expected;
};

class ReadInterruptCheck : public EngineIoTest, public ::testing::WithParamInterface<InterruptCase> {};

TEST_P(ReadInterruptCheck, AbortsOnlyWhenBrokenCancelledOrLate) {
  const InterruptCase& c = GetParam();
  TestEngine engine;
  engine.FBroken = c.broken;
  engine.FReadTimeout = c.timeout_ms;
  if (c.last_read_age_us == -1) {
    engine.FLastRead = std::numeric_limits<std::int64_t>::max();
  } else if (c.last_read_age_us == -2) {
    engine.FLastRead = 0;
  } else {
    engine.FLastRead = ff::av_gettime_relative() - c.last_read_age_us;
  }
  EXPECT_EQ(engine.FReadCallback.callback(engine.FReadCallback.opaque), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadInterruptCheck,
                         ::testing::Values(InterruptCase{true, -1, 30000, 1},   // broken wins over "untimed"
                                           InterruptCase{false, -1, 30000, 0},  // untimed
                                           InterruptCase{false, -2, 30000, 1},  // cancel now
                                           InterruptCase{false, -2, 0, 0},      // no time-out at all
                                           InterruptCase{false, 1000, 30000, 0},        // waiting, in time
                                           InterruptCase{false, 40000000, 30000, 1}));  // waited too long

}  // namespace
}  // namespace zentrova::test

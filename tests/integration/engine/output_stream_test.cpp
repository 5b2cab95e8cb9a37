// The per-stream settings output streams take from the option string.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine_io_fixture.h"

namespace zentrova::test {
namespace {

class OutputStream : public EngineIoTest {
 protected:
  // Opens the generated MP4 clip as input and `out` with `options`.
  OpenResult Open(TestEngine& engine, const std::string& options, const std::string& out = "out.mkv") {
    EXPECT_EQ(OpenInput(engine, "", Clip("clip.mp4", Mp4H264Aac(1.0))).code, 0);
    return OpenOutput(engine, options, dir_.File(out));
  }

  static std::string Matrix(int count, int zero_at = -1) {
    std::string text;
    for (int i = 0; i < count; ++i) {
      if (i) text += ',';
      text += i == zero_at ? "0" : std::to_string(16 + i);
    }
    return text;
  }
};

struct PixFmtCase {
  const char* value;
  int keep;
  AVPixelFormat format;
};

class OutputStreamPixFmt : public OutputStream, public ::testing::WithParamInterface<PixFmtCase> {};

TEST_P(OutputStreamPixFmt, PlusKeepsTheInputFormat) {
  TestEngine engine;
  const OpenResult result = Open(engine, std::string("-an -pix_fmt ") + GetParam().value);
  ASSERT_EQ(result.code, 0) << result.error;
  const TOutputStream& ost = *engine.Foutput_streams[0];
  EXPECT_EQ(ost.keep_pix_fmt, GetParam().keep);
  EXPECT_EQ(ost.enc_ctx->pix_fmt, GetParam().format);
}

INSTANTIATE_TEST_SUITE_P(Cases, OutputStreamPixFmt,
                         ::testing::Values(PixFmtCase{"+yuv420p", 1, AV_PIX_FMT_YUV420P},
                                           PixFmtCase{"+", 1, AV_PIX_FMT_NONE},
                                           PixFmtCase{"yuv444p", 0, AV_PIX_FMT_YUV444P}));

TEST_F(OutputStream, ReadsRateControlOverrides) {
  TestEngine engine;
  const OpenResult result = Open(engine, "-an -rc_override 0,100,2/101,200,-50");
  ASSERT_EQ(result.code, 0) << result.error;
  const AVCodecContext* enc = engine.Foutput_streams[0]->enc_ctx.get();
  ASSERT_EQ(enc->rc_override_count, 2);
  EXPECT_EQ(enc->rc_override[0].start_frame, 0);
  EXPECT_EQ(enc->rc_override[0].end_frame, 100);
  EXPECT_EQ(enc->rc_override[0].qscale, 2);
  EXPECT_FLOAT_EQ(enc->rc_override[0].quality_factor, 1.0f);
  EXPECT_EQ(enc->rc_override[1].start_frame, 101);
  EXPECT_EQ(enc->rc_override[1].end_frame, 200);
  EXPECT_EQ(enc->rc_override[1].qscale, 0);
  EXPECT_FLOAT_EQ(enc->rc_override[1].quality_factor, 0.5f);
}

TEST_F(OutputStream, FixedQualityIsScaledToLambda) {
  TestEngine engine;
  const OpenResult result = Open(engine, "-q:v 3.5");
  ASSERT_EQ(result.code, 0) << result.error;
  const AVCodecContext* video = engine.Foutput_streams[0]->enc_ctx.get();
  EXPECT_EQ(video->global_quality, 413);
  EXPECT_TRUE(video->flags & AV_CODEC_FLAG_QSCALE);
  EXPECT_FALSE(engine.Foutput_streams[1]->enc_ctx->flags & AV_CODEC_FLAG_QSCALE);
}

TEST_F(OutputStream, BuildsTheBitstreamFilterChainInOrder) {
  TestEngine engine;
  const OpenResult result = Open(engine, "-c copy -bsf:v h264_mp4toannexb,dump_extra=freq=k", "out.ts");
  ASSERT_EQ(result.code, 0) << result.error;
  const TBitstreamFilterChain& video = *engine.Foutput_streams[0]->bitstream_filters;
  ASSERT_EQ(video.size(), 2u);
  EXPECT_STREQ(video[0]->filter->name, "h264_mp4toannexb");
  EXPECT_STREQ(video[1]->filter->name, "dump_extra");
  EXPECT_TRUE(engine.Foutput_streams[1]->bitstream_filters->empty());
}

TEST_F(OutputStream, RefusesABadBitstreamFilterArgument) {
  TestEngine engine;
  const OpenResult result = Open(engine, "-c copy -bsf:v dump_extra=nosuch=1", "out.ts");
  EXPECT_TRUE(result.raised);
  EXPECT_EQ(result.error, "Error parsing options for bitstream filter dump_extra: \"nosuch=1\"");
  EXPECT_TRUE(engine.Foutput_streams.empty());
}

struct MatrixCase {
  int count;
  int zero_at;
  int bad_coeff;  ///< -1: accepted
};

class OutputStreamMatrix : public OutputStream, public ::testing::WithParamInterface<MatrixCase> {};

TEST_P(OutputStreamMatrix, AcceptsOnly64CoefficientsFrom1To255) {
  const MatrixCase& c = GetParam();
  const std::string matrix = Matrix(c.count, c.zero_at);
  TestEngine engine;
  const OpenResult result = Open(engine, "-an -c:v mpeg4 -intra_matrix " + matrix, "out.avi");
  if (c.bad_coeff < 0) {
    ASSERT_EQ(result.code, 0) << result.error;
    const std::uint16_t* intra = engine.Foutput_streams[0]->enc_ctx->intra_matrix;
    ASSERT_NE(intra, nullptr);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(intra[i], 16 + i);
  } else {
    EXPECT_TRUE(result.raised);
    EXPECT_EQ(result.error,
              "Syntax error in matrix \"" + matrix + "\" at coeff " + std::to_string(c.bad_coeff));
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, OutputStreamMatrix,
                         ::testing::Values(MatrixCase{64, -1, -1}, MatrixCase{63, -1, 62},
                                           MatrixCase{64, 5, 5}, MatrixCase{64, 63, 63}));

TEST_F(OutputStream, PassOneLogIsNamedByTheStreamIndex) {
  TestEngine engine;
  ASSERT_EQ(OpenInput(engine, "", Clip("clip.mp4", Mp4H264Aac(1.0))).code, 0);
  const std::string prefix = dir_.File("stats");
  const OpenResult result =
      OpenOutput(engine, "-map 0:v -map 0:v -c:v mpeg4 -pass 1 -passlogfile " + prefix, dir_.File("out.avi"));
  ASSERT_EQ(result.code, 0) << result.error;
  ASSERT_EQ(engine.Foutput_streams.size(), 2u);
  for (const auto& ost : engine.Foutput_streams) {
    EXPECT_TRUE(ost->enc_ctx->flags & AV_CODEC_FLAG_PASS1);
    EXPECT_NE(ost->logfile, nullptr);
  }
  EXPECT_TRUE(std::filesystem::exists(prefix + "-0.log"));
  EXPECT_TRUE(std::filesystem::exists(prefix + "-1.log"));
}

TEST_F(OutputStream, PassLogOfX264IsItsStatsOption) {
  TestEngine engine;
  const std::string prefix = dir_.File("x264");
  const OpenResult result = Open(engine, "-an -c:v libx264 -pass 1 -passlogfile " + prefix, "out.mp4");
  ASSERT_EQ(result.code, 0) << result.error;
  const TOutputStream& ost = *engine.Foutput_streams[0];
  const AVDictionaryEntry* stats = ff::av_dict_get(ost.encoder_opts.get(), "stats", nullptr, 0);
  ASSERT_NE(stats, nullptr);
  EXPECT_EQ(std::string(stats->value), prefix + "-0.log");
  const AVDictionaryEntry* flags = ff::av_dict_get(ost.encoder_opts.get(), "flags", nullptr, 0);
  ASSERT_NE(flags, nullptr);
  EXPECT_EQ(std::string(flags->value), "+pass1");
  EXPECT_FALSE(std::filesystem::exists(prefix + "-0.log"));  // the encoder writes it itself
}

TEST_F(OutputStream, PassTwoNeedsThePassOneLog) {
  const std::string prefix = dir_.File("stats");
  {
    TestEngine engine;
    const OpenResult result = Open(engine, "-an -c:v mpeg4 -pass 2 -passlogfile " + prefix, "out.avi");
    EXPECT_TRUE(result.raised);
    EXPECT_EQ(result.error, "Error reading log file \"" + prefix + "-0.log\" for pass-2 encoding");
  }
  WriteFile(prefix + "-0.log", "in:0 out:0 type:1 q:2\n");
  TestEngine engine;
  const OpenResult result = Open(engine, "-an -c:v mpeg4 -pass 2 -passlogfile " + prefix, "out2.avi");
  ASSERT_EQ(result.code, 0) << result.error;
  const AVCodecContext* enc = engine.Foutput_streams[0]->enc_ctx.get();
  EXPECT_TRUE(enc->flags & AV_CODEC_FLAG_PASS2);
  ASSERT_NE(enc->stats_in, nullptr);
  EXPECT_STREQ(enc->stats_in, "in:0 out:0 type:1 q:2\n");
}

TEST_F(OutputStream, ChannelMapAppliesToTheNamedOutputStreamOnly) {
  TestEngine engine;
  const OpenResult result = Open(engine, "-vn -map 0:a -map 0:a -map_channel 0.1.0:0.1");
  ASSERT_EQ(result.code, 0) << result.error;
  ASSERT_EQ(engine.Foutput_streams.size(), 2u);
  EXPECT_EQ(engine.Foutput_streams[0]->audio_channels_mapped, 0);
  EXPECT_EQ(engine.Foutput_streams[1]->audio_channels_map, (std::vector<int>{0}));
  EXPECT_EQ(engine.Foutput_streams[1]->audio_channels_mapped, 1);
}

TEST_F(OutputStream, UnspecificFramesWarnsOncePerNonVideoStream) {
  TestEngine engine;
  LogCapture log;
  const OpenResult result = Open(engine, "-map 0:v -map 0:a -map 0:a -frames 100");
  ASSERT_EQ(result.code, 0) << result.error;
  EXPECT_EQ(log.Count("Applying unspecific -frames to non video streams, maybe you meant -vframes ?"), 2);
  for (const auto& ost : engine.Foutput_streams) EXPECT_EQ(ost->max_frames, 100);
}

TEST_F(OutputStream, TakesStreamSettingsFromTheOptions) {
  TestEngine engine;
  const OpenResult result = Open(
      engine, "-streamid 0:33 -tag:v XV -disposition:a default -ar 22050 -ac 1 -aspect 16:9 -r 30000/1001",
      "out.mp4");
  ASSERT_EQ(result.code, 0) << result.error;
  const TOutputStream& video = *engine.Foutput_streams[0];
  const TOutputStream& audio = *engine.Foutput_streams[1];
  EXPECT_EQ(video.st->id, 33);
  EXPECT_EQ(video.enc_ctx->codec_tag, MKTAG('X', 'V', 0, 0));
  EXPECT_EQ(video.st->codecpar->codec_tag, MKTAG('X', 'V', 0, 0));
  EXPECT_EQ(audio.disposition, "default");
  EXPECT_EQ(audio.enc_ctx->sample_rate, 22050);
  EXPECT_EQ(audio.enc_ctx->ch_layout.nb_channels, 1);
  EXPECT_EQ(video.frame_aspect_ratio.num, 16);
  EXPECT_EQ(video.frame_aspect_ratio.den, 9);
  EXPECT_EQ(video.frame_rate.num, 30000);
  EXPECT_EQ(video.frame_rate.den, 1001);
  EXPECT_TRUE(video.enc_ctx->flags & AV_CODEC_FLAG_GLOBAL_HEADER);  // MP4 keeps headers out of band
  EXPECT_EQ(*video.avfilter, "null");
  EXPECT_EQ(*audio.avfilter, "anull");
}

TEST_F(OutputStream, StreamCopyOfVideoCopiesInitialNonKeyFrames) {
  TestEngine engine;
  const OpenResult result = Open(engine, "-c copy -copyinkf", "out.mkv");
  ASSERT_EQ(result.code, 0) << result.error;
  EXPECT_EQ(engine.Foutput_streams[0]->stream_copy, 1);
  EXPECT_EQ(engine.Foutput_streams[0]->copy_initial_nonkeyframes, 1);
  EXPECT_EQ(engine.Foutput_streams[0]->encoding_needed, 0);
  EXPECT_FALSE(engine.Finput_streams[0]->decoding_needed);
  EXPECT_EQ(engine.Foutput_streams[0]->enc, nullptr);
}

TEST_F(OutputStream, RefusesFilterAndFilterScriptTogether) {
  TestEngine engine;
  const std::string script = dir_.File("graph.txt");
  WriteFile(script, "hflip");
  const OpenResult result = Open(engine, "-an -vf vflip -filter_script:v " + script);
  EXPECT_TRUE(result.raised);
  EXPECT_EQ(result.error, "Both -filter and -filter_script set for output stream #1:0.");
}

TEST_F(OutputStream, FilterScriptGivesTheGraphDescription) {
  TestEngine engine;
  const std::string script = dir_.File("graph.txt");
  WriteFile(script, "hflip,vflip");
  const OpenResult result = Open(engine, "-an -filter_script:v " + script);
  ASSERT_EQ(result.code, 0) << result.error;
  EXPECT_EQ(*engine.Foutput_streams[0]->avfilter, "hflip,vflip");
}

}  // namespace
}  // namespace zentrova::test

namespace zentrova::test {
namespace {

TEST_F(OutputStream, FreeOutputStreamsReleasesSharedEncodersOnceAndUnbindsGraphs) {
  TestEngine engine;
  const OpenResult result = Open(engine, "-an -filter_complex [0:v]hflip[v] -map [v]");
  ASSERT_EQ(result.code, 0) << result.error;
  ASSERT_EQ(engine.Foutput_streams.size(), 1u);
  // A later join block shares the first block's encoder context.
  const std::weak_ptr<AVCodecContext> encoder = engine.Foutput_streams[0]->enc_ctx;
  auto twin = std::make_unique<TOutputStream>();
  twin->enc_ctx = engine.Foutput_streams[0]->enc_ctx;
  engine.Foutput_streams.push_back(std::move(twin));

  engine.FreeOutputStreams();
  EXPECT_TRUE(engine.Foutput_streams.empty());
  EXPECT_TRUE(encoder.expired());
  EXPECT_EQ(engine.Ffiltergraphs[0]->outputs[0]->ost, nullptr);
}

}  // namespace
}  // namespace zentrova::test

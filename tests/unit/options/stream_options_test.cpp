#include "options/stream_options.h"

#include <gtest/gtest.h>
#include <stdexcept>

#include "library_log_capture.h"
#include "options/dictionary.h"
#include "support/libraries.h"

namespace zentrova {
namespace {

// An output context (mp4) or a demuxer-side context with one video and one
// audio stream; no file is opened.
struct TwoStreams {
  explicit TwoStreams(bool output) {
    if (output) {
      EXPECT_GE(ff::avformat_alloc_output_context2(OutPtr(out), nullptr, "mp4", nullptr), 0);
    } else {
      in.reset(ff::avformat_alloc_context());
    }
    video = ff::avformat_new_stream(Context(), nullptr);
    video->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    video->codecpar->codec_id = AV_CODEC_ID_MPEG4;
    audio = ff::avformat_new_stream(Context(), nullptr);
    audio->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
    audio->codecpar->codec_id = AV_CODEC_ID_AAC;
  }
  AVFormatContext* Context() { return out ? out.get() : in.get(); }

  AVOutputFormatContextPtr out;
  AVFormatContextPtr in;  // a demuxer-side context that was never opened
  AVStream* video = nullptr;
  AVStream* audio = nullptr;
};

TEST(FilterStreamOptions, KeepsWhatAppliesToTheStream) {
  test::LoadMediaLibraries();
  TwoStreams streams(true);
  AVDictionaryPtr opts;
  DictSet(opts, "b:v", "1M");
  DictSet(opts, "b:a", "128k");
  DictSet(opts, "g", "12");
  DictSet(opts, "aar", "22050");       // generic "ar" with the audio letter
  DictSet(opts, "nosuchoption", "1");  // known to no codec class
  DictSet(opts, "mpeg_quant", "1");    // private option of the MPEG-4 encoder
  DictSet(opts, "aac_coder", "fast");  // private option of the AAC encoder

  AVDictionaryPtr video =
      filter_stream_options(opts.get(), AV_CODEC_ID_MPEG4, streams.Context(), streams.video, nullptr);
  EXPECT_STREQ(DictGet(video, "b"), "1M");
  EXPECT_STREQ(DictGet(video, "g"), "12");
  EXPECT_STREQ(DictGet(video, "mpeg_quant"), "1");
  EXPECT_EQ(DictGet(video, "aac_coder"), nullptr);
  EXPECT_EQ(DictGet(video, "nosuchoption"), nullptr);
  EXPECT_EQ(DictGet(video, "b:v"), nullptr);
  EXPECT_EQ(DictGet(video, "ar"), nullptr);

  AVDictionaryPtr audio =
      filter_stream_options(opts.get(), AV_CODEC_ID_AAC, streams.Context(), streams.audio, nullptr);
  EXPECT_STREQ(DictGet(audio, "b"), "128k");
  EXPECT_STREQ(DictGet(audio, "ar"), "22050");
  EXPECT_EQ(DictGet(audio, "aar"), nullptr);
  EXPECT_STREQ(DictGet(audio, "aac_coder"), "fast");
  EXPECT_EQ(DictGet(audio, "mpeg_quant"), nullptr);
  EXPECT_EQ(DictGet(audio, "g"), nullptr);  // a video option

  // The source dictionary is left as it was.
  EXPECT_EQ(DictCount(opts), 7);
}

TEST(FilterStreamOptions, WithoutACodecKeepsEveryMatchingKey) {
  test::LoadMediaLibraries();
  TwoStreams streams(false);
  streams.video->codecpar->codec_id = AV_CODEC_ID_NONE;
  AVDictionaryPtr opts;
  DictSet(opts, "whatever:v", "1");
  DictSet(opts, "other:a", "2");
  AVDictionaryPtr video =
      filter_stream_options(opts.get(), AV_CODEC_ID_NONE, streams.Context(), streams.video, nullptr);
  EXPECT_STREQ(DictGet(video, "whatever"), "1");
  EXPECT_EQ(DictGet(video, "other"), nullptr);
}

TEST(FilterStreamOptions, AnInvalidSpecifierThrows) {
  test::LoadMediaLibraries();
  TwoStreams streams(true);
  AVDictionaryPtr opts;
  DictSet(opts, "b:0:v", "1M");
  EXPECT_THROW(
      filter_stream_options(opts.get(), AV_CODEC_ID_MPEG4, streams.Context(), streams.video, nullptr),
      std::runtime_error);
}

TEST(StreamInfoOptions, GivesOneDictionaryPerStream) {
  test::LoadMediaLibraries();
  TwoStreams streams(false);
  AVDictionaryPtr opts;
  DictSet(opts, "threads:a", "2");
  std::vector<AVDictionaryPtr> per_stream = stream_info_options(streams.Context(), opts.get());
  ASSERT_EQ(per_stream.size(), 2u);
  EXPECT_EQ(DictGet(per_stream[0], "threads"), nullptr);
  EXPECT_STREQ(DictGet(per_stream[1], "threads"), "2");

  AVFormatContextPtr empty(ff::avformat_alloc_context());
  EXPECT_TRUE(stream_info_options(empty.get(), opts.get()).empty());
}

TEST(RotateTagDegrees, ReadsOnlyAWholeDecimalNumber) {
  struct Case {
    const char* value;
    std::optional<double> degrees;
  } cases[] = {
      {"90", 90},
      {"-90", -90},
      {"22.5", 22.5},
      {"0", 0},
      {"1e2", 100},
      {"", std::nullopt},
      {"abc", std::nullopt},
      {"90deg", std::nullopt},
      {" 90", std::nullopt},
      {"nan", std::nullopt},
      {"inf", std::nullopt},
      {"+90", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(rotate_tag_degrees(c.value), c.degrees) << '"' << c.value << '"';
}

TEST(StreamRotation, NormalisesTagsAndDisplayMatrices) {
  test::LoadMediaLibraries();
  struct Case {
    const char* tag;      // nullptr: no tag
    double matrix_angle;  // used when no tag: a clockwise rotation by this angle
    double angle;
    bool warns;
  } cases[] = {
      {"90", 0, 90, false},       {"-90", 0, 270, false},    {"45", 0, 45, true},
      {"370", 0, 10, true},       {"359", 0, 359, false},    {"0", 0, 0, false},
      {"90abc", 0, 0, false},     {"nan", 0, 0, false},      {"181", 0, 181, false},
      {"358.5", 0, 358.5, false}, {"359.5", 0, -0.5, false}, {nullptr, 90, 90, false},
      {nullptr, 270, 270, false}, {nullptr, 30, 30, true},
  };
  for (const Case& c : cases) {
    TwoStreams streams(false);
    if (c.tag) ff::av_dict_set(&streams.video->metadata, "rotate", c.tag, 0);
    if (!c.tag) {
      auto* matrix = reinterpret_cast<std::int32_t*>(
          ff::av_stream_new_side_data(streams.video, AV_PKT_DATA_DISPLAYMATRIX, 9 * sizeof(std::int32_t)));
      ASSERT_NE(matrix, nullptr);
      ff::av_display_rotation_set(matrix, c.matrix_angle);
    }
    test::LibraryLogCapture log;
    // The display matrix is fixed-point: its angles are exact to about 1e-3.
    EXPECT_NEAR(stream_rotation(streams.video), c.angle, 1e-3) << (c.tag ? c.tag : "matrix");
    EXPECT_EQ(log.Has(24, "Odd rotation angle."), c.warns) << (c.tag ? c.tag : "matrix");
  }
}

}  // namespace
}  // namespace zentrova

#include <gtest/gtest.h>
#include <cstdlib>
#include <ctime>

#include "options/dictionary.h"
#include "options/file_name_text.h"
#include "options/media_text.h"
#include "options/time_text.h"
#include "support/libraries.h"

namespace zentrova {
namespace {

TEST(TimeToText, RoundsUpByFiveMillisecondsAndSignsNegatives) {
  struct Case {
    std::int64_t us;
    const char* text;
  } cases[] = {
      {AV_NOPTS_VALUE, "N/A"},
      {0, "00:00:00.005"},
      {1000000, "00:00:01.005"},
      {999999, "00:00:01.004"},
      {3723456000, "01:02:03.461"},
      {-995000, "-00:00:01.000"},
      {-1000000, "-00:00:01.005"},
      {360000LL * 1000000, "100:00:00.005"},
      {INT64_MAX, "2562047788:00:54.780"},
  };
  for (const Case& c : cases) EXPECT_EQ(time_to_text(c.us), c.text) << c.us;
}

TEST(PtsToText, RescalesFromTheTimeBase) {
  test::LoadMediaLibraries();
  EXPECT_EQ(pts_to_text(90000, AVRational{1, 90000}), "00:00:01.005");
  EXPECT_EQ(pts_to_text(2500000, AVRational{1, 1000000}), "00:00:02.505");
  EXPECT_EQ(pts_to_text(AV_NOPTS_VALUE, AVRational{1, 90000}), "N/A");
}

TEST(FrameDurationUs, FallsBackTo25FramesPerSecond) {
  EXPECT_EQ(frame_duration_us(AVRational{25, 1}), 40000);
  EXPECT_EQ(frame_duration_us(AVRational{30000, 1001}), 33366);
  EXPECT_EQ(frame_duration_us(AVRational{0, 1}), 40000);
  EXPECT_EQ(frame_duration_us(AVRational{25, 0}), 40000);
}

// Runs `body` with the TZ variable set to `zone`, then restores it.
template <typename F>
void WithTimeZone(const char* zone, F body) {
  const char* old = std::getenv("TZ");
  const std::string previous = old ? old : "";
  setenv("TZ", zone, 1);
  tzset();
  body();
  if (old)
    setenv("TZ", previous.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

TEST(TimezoneText, UsesTheOffsetOfThatInstant) {
  const std::int64_t winter = 1704067200;  // 2024-01-01 00:00:00 UTC
  const std::int64_t summer = 1719792000;  // 2024-07-01 00:00:00 UTC
  WithTimeZone("UTC0", [&] { EXPECT_EQ(timezone_text(winter), "UTC"); });
  WithTimeZone("CST-8", [&] { EXPECT_EQ(timezone_text(winter), "UTC+08:00"); });
  WithTimeZone("<-0330>3:30", [&] { EXPECT_EQ(timezone_text(winter), "UTC-03:30"); });
  WithTimeZone("CET-1CEST,M3.5.0,M10.5.0/3", [&] {
    EXPECT_EQ(timezone_text(winter), "UTC+01:00");
    EXPECT_EQ(timezone_text(summer), "UTC+02:00");
    EXPECT_EQ(local_date_time_text(summer), "2024-07-01 02:00:00");
    EXPECT_DOUBLE_EQ(unix_time_to_local(summer), 25569 + (summer + 7200) / 86400.0);
  });
  WithTimeZone("UTC0", [&] {
    EXPECT_DOUBLE_EQ(unix_time_to_local(0), 25569.0);
    EXPECT_DOUBLE_EQ(unix_time_to_local(43200), 25569.5);
    EXPECT_EQ(local_date_time_text(winter), "2024-01-01 00:00:00");
  });
}

TEST(ImageSequenceCodec, KnowsPictureExtensionsCaseInsensitively) {
  struct Case {
    const char* name;
    AVCodecID id;
  } cases[] = {
      {"frame%03d.png", AV_CODEC_ID_PNG},     {"IMG_0001.JPG", AV_CODEC_ID_MJPEG},
      {"a.b.tif", AV_CODEC_ID_TIFF},          {"shot.pic", AV_CODEC_ID_QDRAW},
      {"x.mpg2-img", AV_CODEC_ID_MPEG2VIDEO}, {"x.xwd", AV_CODEC_ID_XWD},
      {"movie.mp4", AV_CODEC_ID_NONE},        {"noextension", AV_CODEC_ID_NONE},
      {"dir.png/file", AV_CODEC_ID_NONE},     {"trailingdot.", AV_CODEC_ID_NONE},
      {"视频.bmp", AV_CODEC_ID_BMP},
  };
  for (const Case& c : cases) EXPECT_EQ(image_sequence_codec(c.name), c.id) << c.name;
}

TEST(LibraryFileName, NeverCutsOrRecodesANameOfAnyLength) {
  const std::string long_name = "/tmp/" + std::string(3000, 'a') + "/视频 1.mp4";
  EXPECT_EQ(library_file_name(long_name), long_name);
  EXPECT_EQ(library_file_name("图片%03d.png"), "图片%03d.png");
}

TEST(CodecText, NamesTheCodecOrFallsBackToTheTag) {
  test::LoadMediaLibraries();
  const unsigned xvid = 'X' | 'V' << 8 | 'I' << 16 | 'D' << 24;
  EXPECT_EQ(codec_text(AV_CODEC_ID_MPEG4, 0, "", TCodecSide::Decoder, TCodecLongName::Without), "mpeg4");
  EXPECT_EQ(codec_text(AV_CODEC_ID_PNG, 0, "", TCodecSide::Encoder, TCodecLongName::With),
            "png(PNG (Portable Network Graphics) image)");
  EXPECT_EQ(codec_text(AV_CODEC_ID_MPEG2TS, 0, "", TCodecSide::Decoder, TCodecLongName::With), "mpeg2ts");
  EXPECT_EQ(codec_text(AV_CODEC_ID_NONE, xvid, "  ", TCodecSide::Decoder, TCodecLongName::With),
            "XVID / 0x44495658");
  EXPECT_EQ(codec_text(AV_CODEC_ID_NONE, 0x0102, "", TCodecSide::Decoder, TCodecLongName::With), "0x0102");
  EXPECT_EQ(codec_text(AV_CODEC_ID_NONE, xvid, " mine ", TCodecSide::Decoder, TCodecLongName::With), "mine");
}

TEST(MediaTypeText, NamesEveryTypeAndUnknown) {
  const char* names[] = {"Video", "Audio", "Data", "Subtitle", "Attachment"};
  for (int type = 0; type < 5; ++type) EXPECT_EQ(media_type_text(type), names[type]);
  EXPECT_EQ(media_type_text(-1), "Unknown");
  EXPECT_EQ(media_type_text(5), "Unknown");
}

TEST(PictureTypeText, NamesEveryTypeAndUnknown) {
  const char* names[] = {"Intra",           "Predicted",           "Bi-dir predicted", "S(GMC)-VOP MPEG4",
                         "Switching Intra", "Switching Predicted", "BI type"};
  for (int type = 1; type <= 7; ++type) EXPECT_EQ(picture_type_text(type), names[type - 1]);
  EXPECT_EQ(picture_type_text(0), "Unknown");
  EXPECT_EQ(picture_type_text(8), "Unknown");
}

TEST(DictValueOrDefault, GivesTheEntryOrTheDefault) {
  test::LoadMediaLibraries();
  AVDictionaryPtr dict;
  DictSet(dict, "title", "中文标题");
  DictSet(dict, "empty", "");
  EXPECT_EQ(dict_value_or_default(dict.get(), "title", "x"), "中文标题");
  EXPECT_EQ(dict_value_or_default(dict.get(), "empty", "x"), "");
  EXPECT_EQ(dict_value_or_default(dict.get(), "missing", "x"), "x");
  EXPECT_EQ(dict_value_or_default(nullptr, "title", "none"), "none");
}

}  // namespace
}  // namespace zentrova

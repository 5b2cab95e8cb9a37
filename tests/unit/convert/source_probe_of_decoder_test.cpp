#include "convert/source_probe_of_decoder.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "convert/interlace_probe.h"
#include "decoder/ridarivir.h"
#include "media/test_media.h"
#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova::app {
namespace {

struct ProbeCase {
  const char* name;
  const char* file;
  bool video;
};

void PrintTo(const ProbeCase& c, std::ostream* os) {
  *os << c.name;
}

class ProbeOfDecoderTest : public ::testing::TestWithParam<ProbeCase> {
 protected:
  void SetUp() override { test::LoadMediaLibraries(); }
  test::TempDir dir_;
};

// What the decoder reads of a generated clip, against the demuxer's own
// report of the same file; a clip without video keeps the picture defaults.
TEST_P(ProbeOfDecoderTest, CopiesTheDecodersFacts) {
  const ProbeCase& c = GetParam();
  const std::string path = dir_.File(c.file);
  test::MakeClip(path, test::PresetByName(c.name, 1.0));
  const test::ProbedFile want = test::ProbeFile(path);

  TRIDarivir decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
  const TSourceProbe probe = ProbeOfDecoder(decoder);

  EXPECT_EQ(probe.FileName, path);
  EXPECT_EQ(probe.ForceFormat, "");
  EXPECT_EQ(probe.FormatName, want.format);
  EXPECT_FALSE(probe.FileInfoText.empty());
  EXPECT_EQ(probe.FileInfoText, decoder.FileInfoText());
  EXPECT_EQ(probe.FileDuration, want.duration_us);
  EXPECT_EQ(probe.FileStartTime, decoder.FileStreamInfo().StartTime);
  ASSERT_GE(probe.FirstAudioStreamIndex, 0);
  const test::ProbedStream& audio = want.streams.at(static_cast<std::size_t>(probe.FirstAudioStreamIndex));
  EXPECT_EQ(probe.SampleRate, audio.sample_rate);
  EXPECT_EQ(probe.Channels, audio.channels);
  EXPECT_GT(probe.SampleRate, 0);
  if (c.video) {
    EXPECT_EQ(probe.FirstVideoStreamIndex, 0);
    EXPECT_EQ(probe.Width, 320);
    EXPECT_EQ(probe.Height, 240);
    EXPECT_GT(probe.VideoDurationScaled, 0);
    EXPECT_EQ(probe.FrameRateNum, 25);
    EXPECT_EQ(probe.FrameRateDen, 1);
    EXPECT_EQ(probe.SarNum, 1);
    EXPECT_EQ(probe.SarDen, 1);
    EXPECT_FALSE(probe.Interlaced);
  } else {
    const TSourceProbe defaults;
    EXPECT_EQ(probe.FirstVideoStreamIndex, -1);
    EXPECT_EQ(probe.Width, defaults.Width);
    EXPECT_EQ(probe.Height, defaults.Height);
    EXPECT_EQ(probe.VideoDurationScaled, defaults.VideoDurationScaled);
    EXPECT_EQ(probe.FrameRateNum, defaults.FrameRateNum);
    EXPECT_EQ(probe.FrameRateDen, defaults.FrameRateDen);
    EXPECT_FALSE(probe.Interlaced);
  }
}

// A source is interlaced when its pictures say so; the decoder the caller
// gave stays at its start, so its first picture is still the first.
TEST(ProbeOfDecoder, TellsInterlacedFromProgressivePictures) {
  test::LoadMediaLibraries();
  test::TempDir dir;
  struct Case {
    const char* preset;
    const char* file;
    bool interlaced;
    bool cover;
  } cases[] = {{"interlaced", "fields.ts", true, false},
               {"ts", "frames.ts", false, false},
               {"cover-mp3", "cover.mp3", false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.preset);
    const std::string path = dir.File(c.file);
    test::MakeClip(path, test::PresetByName(c.preset, 1.0));
    TRIDarivir decoder;
    ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
    EXPECT_EQ(ProbeOfDecoder(decoder).Interlaced, c.interlaced);
    if (decoder.FirstVideoStreamIndex() < 0) continue;
    // A stream whose field order is unknown: its decoded pictures tell.
    AVCodecParameters* video = decoder.FileHandle()->streams[decoder.FirstVideoStreamIndex()]->codecpar;
    video->field_order = AV_FIELD_UNKNOWN;
    EXPECT_EQ(SourceLooksInterlaced(decoder), c.interlaced);
    // A stated field order is believed without decoding; a cover picture is
    // never interlaced.
    video->field_order = AV_FIELD_PROGRESSIVE;
    EXPECT_FALSE(SourceLooksInterlaced(decoder));
    video->field_order = AV_FIELD_BB;
    EXPECT_EQ(SourceLooksInterlaced(decoder), !c.cover);
    ASSERT_TRUE(decoder.Decode());
    EXPECT_LT(decoder.FrameInfo().PTS, 40000) << "the first picture is 0 s, the second 40 ms";
  }
}

INSTANTIATE_TEST_SUITE_P(Clips, ProbeOfDecoderTest,
                         ::testing::Values(ProbeCase{"mp4", "clip.mp4", true},
                                           ProbeCase{"wav", "tone.wav", false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zentrova::app

#include "convert/track_selection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "builder_fixture.h"
#include "convert/option_builder.h"

namespace zentrova::app {
namespace {

const TSubtitleTrack kSubRip{TSubtitleCoding::scText, "subrip"};
const TSubtitleTrack kMovText{TSubtitleCoding::scText, "mov_text"};
const TSubtitleTrack kDvd{TSubtitleCoding::scBitmap, "dvd_subtitle"};
const TSubtitleTrack kOther{TSubtitleCoding::scOther, "eia_608"};

// A source with an English stereo track, a French 5.1 track and the given subtitles.
BuilderFixture WithTracks(std::vector<TSubtitleTrack> subtitles) {
  BuilderFixture f;
  f.Source.Tracks.Audio = {{"eng", 2}, {"fre", 6}};
  f.Source.Tracks.Subtitles = std::move(subtitles);
  return f;
}

std::string OutputOptions(const BuilderFixture& f) {
  return BuildOutputOptions(f.Settings, f.Source, f.Env()).Options;
}

TEST(SelectTracks, WithoutChoicesTheEngineChooses) {
  const BuilderFixture f = WithTracks({kSubRip});
  const TTrackSelection selection = SelectTracks(f.Settings, f.Source, TOutputFormat::MKV);
  EXPECT_FALSE(selection.Mapped);
  EXPECT_EQ(selection.SubtitleOptions, "-sn");
  const std::string options = OutputOptions(f);
  EXPECT_EQ(options.find("-map"), std::string::npos) << options;
  EXPECT_NE(options.find(" -sn"), std::string::npos) << options;
}

TEST(SelectTracks, KeptSubtitlesByFormat) {
  const struct {
    TOutputFormat format;
    std::vector<TSubtitleTrack> subtitles;
    std::string options;
    std::size_t warnings;
  } cases[] = {
      {TOutputFormat::MKV, {kSubRip, kDvd}, "-map 0:s:0 -c:s:0 copy -map 0:s:1 -c:s:1 copy", 0},
      {TOutputFormat::MKV, {kOther, kMovText}, "-map 0:s:1 -c:s:0 subrip", 0},
      {TOutputFormat::MP4, {kDvd, kSubRip}, "-map 0:s:1 -c:s:0 mov_text", 1},
      {TOutputFormat::WebM, {kSubRip, kOther}, "-map 0:s:0 -c:s:0 webvtt", 0},
      {TOutputFormat::WebM, {kDvd}, "-sn", 1},
      {TOutputFormat::FLV, {kSubRip}, "-sn", 1},
      {TOutputFormat::MP4, {}, "-sn", 0},
  };
  for (const auto& c : cases) {
    BuilderFixture f = WithTracks(c.subtitles);
    f.Settings.Subtitles = TSubtitleMode::smKeep;
    const TTrackSelection selection = SelectTracks(f.Settings, f.Source, c.format);
    EXPECT_EQ(selection.SubtitleOptions, c.options) << ItemText(c.format);
    EXPECT_EQ(selection.Warnings.size(), c.warnings) << ItemText(c.format);
    // Kept tracks map every stream: the video and the engine's audio choice (most channels).
    EXPECT_EQ(selection.AudioMap, c.options == "-sn" ? "" : "0:a:1") << ItemText(c.format);
  }
}

TEST(SelectTracks, MapsThePictureWithTheChosenSound) {
  const struct {
    TOutputFormat format;
    std::string audio_track;
    bool all_audio;
    std::string maps;  // expected in the option string; empty: the task fails
    std::size_t warnings;
  } cases[] = {
      {TOutputFormat::MKV, "en", false, " -map 0:v:0 -map 0:a:0", 0},
      {TOutputFormat::MKV, "fra", false, " -map 0:v:0 -map 0:a:1", 0},
      {TOutputFormat::WAV, "2", false, " -map 0:a:1", 0},  // the input drops the video
      {TOutputFormat::MKV, "", true, " -map 0:v:0 -map 0:a -", 0},
      {TOutputFormat::FLV, "", true, " -map 0:v:0 -map 0:a:0", 1},
      {TOutputFormat::MKV, "3", false, "", 0},
      {TOutputFormat::MKV, "it", false, "", 0},
  };
  for (const auto& c : cases) {
    BuilderFixture f = WithTracks({});
    f.Settings.Format = c.format;
    f.Settings.AudioTrack = c.audio_track;
    f.Settings.AllAudio = c.all_audio;
    const TTrackSelection selection = SelectTracks(f.Settings, f.Source, c.format);
    const std::string trace = std::string(ItemText(c.format)) + " " + c.audio_track;
    EXPECT_EQ(selection.Error.empty(), !c.maps.empty()) << trace << ": " << selection.Error;
    EXPECT_EQ(selection.Warnings.size(), c.warnings) << trace;
    if (c.maps.empty()) continue;
    const std::string options = OutputOptions(f);
    EXPECT_NE(options.find(c.maps), std::string::npos) << trace << ": " << options;
    EXPECT_EQ(options.find("0:v") != std::string::npos, c.maps.find("0:v") != std::string::npos) << trace;
  }
}

TEST(SelectTracks, BurntBitmapSubtitlesAreLaidOverInAGraphOfTheirOwn) {
  BuilderFixture f = WithTracks({kDvd});
  f.Settings.Subtitles = TSubtitleMode::smBurn;
  f.Settings.VertFlip = true;
  const std::string options = OutputOptions(f);
  EXPECT_NE(options.find("-filter_complex \"[0:v:0][0:s:0]overlay,vflip[out]\""), std::string::npos)
      << options;
  EXPECT_NE(options.find(" -map [out] -map 0:a:1"), std::string::npos) << options;
  EXPECT_EQ(options.find("-vf"), std::string::npos) << options;
}

TEST(SelectTracks, BurntTextSubtitlesEndTheFilterChain) {
  BuilderFixture f = WithTracks({kSubRip});
  f.Source.FileName = "/m/a:b, c.mkv";
  f.Settings.Subtitles = TSubtitleMode::smBurn;
  const std::string options = OutputOptions(f);
  // Escaped for the filter's options, then for the graph (see filter_escape.h).
  EXPECT_NE(options.find(R"(-vf "subtitles=filename=file\\:/m/a\\:b\,\\\ c.mkv:si=0")"), std::string::npos)
      << options;
  EXPECT_EQ(options.find("-map"), std::string::npos) << options;
}

TEST(TextSubtitleFilter, AClipKeepsTheCuesInPlace) {
  SourceFacts source;
  source.FileName = "/m/x.mkv";
  EXPECT_EQ(TextSubtitleFilter(source, 1, 2500000),
            "setpts=PTS+2.5/TB,subtitles=filename=file\\\\:/m/x.mkv:si=1,setpts=PTS-2.5/TB");
}

}  // namespace
}  // namespace zentrova::app

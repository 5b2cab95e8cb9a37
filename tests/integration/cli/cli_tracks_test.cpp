// zentrova-cli end to end: which of the source's tracks go into the output.
// The outputs' tracks are read back with the library's demuxer, burnt
// subtitles with the decoder component.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_process.h"
#include "support/first_picture.h"
#include "media/test_media.h"
#include "picture/bitmap.h"
#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova::test {
namespace {

namespace fs = std::filesystem;

const std::string kCli = ZENTROVA_CLI_PROGRAM;

std::vector<const ProbedStream*> StreamsOf(const ProbedFile& file, AVMediaType type) {
  std::vector<const ProbedStream*> streams;
  for (const ProbedStream& s : file.streams)
    if (s.type == type) streams.push_back(&s);
  return streams;
}

std::string LanguageOf(const ProbedStream& stream) {
  const auto tag = stream.metadata.find("language");
  return tag == stream.metadata.end() ? "" : tag->second;
}

std::vector<std::string> AudioLanguages(const std::string& path) {
  const ProbedFile probed = ProbeFile(path);
  std::vector<std::string> languages;
  for (const ProbedStream* s : StreamsOf(probed, AVMEDIA_TYPE_AUDIO)) languages.push_back(LanguageOf(*s));
  return languages;
}

// A 1 s 160x120 Matroska clip with three audio tracks, tagged in the three
// forms a language code takes (the French one has the most channels), and
// one SubRip track.
class CliTracks : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    LoadMediaLibraries();
    dir_ = new TempDir;
    ClipSpec spec = MatroskaWithSubtitles(1.0);
    spec.video->width = 160;
    spec.video->height = 120;
    spec.chapters = 0;
    spec.audio = {AudioSpec{}, AudioSpec{}, AudioSpec{}};
    spec.audio[0].language = "eng";
    spec.audio[1].language = "fre";  // ISO 639-2/B
    spec.audio[1].channels = 6;
    spec.audio[2].language = "deu";  // ISO 639-2/T
    spec.audio[2].channels = 1;
    source_ = dir_->File("tracks.mkv");
    MakeClip(source_, spec);
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }

  // Converts `source` into `name` with `options`; the output's path.
  std::string Convert(const std::string& name, std::vector<std::string> options,
                      const std::string& source = source_) {
    const std::string output = dir_->File(name);
    options.insert(options.begin(), {"-q", "-o", output});
    options.push_back(source);
    result_ = RunCli(kCli, options);
    EXPECT_EQ(result_.exit_code, 0) << result_.err;
    return output;
  }

  static TempDir* dir_;
  static std::string source_;
  CliResult result_;
};

TempDir* CliTracks::dir_ = nullptr;
std::string CliTracks::source_;

TEST_F(CliTracks, AudioTrackByNumberAndByEveryFormOfItsLanguage) {
  struct Case {
    std::string track;
    std::string language;  // of the one audio track of the output
  };
  const Case cases[] = {{"1", "eng"},   {"2", "fre"},   {"3", "deu"},  {"fr", "fre"},
                        {"fre", "fre"}, {"FRA", "fre"}, {"de", "deu"}, {"ger", "deu"}};
  for (const Case& c : cases) {
    SCOPED_TRACE("--audio-track " + c.track);
    const std::string output = Convert("track_" + c.track + ".mkv", {"--audio-track", c.track});
    EXPECT_EQ(AudioLanguages(output), std::vector<std::string>{c.language});
    EXPECT_EQ(StreamsOf(ProbeFile(output), AVMEDIA_TYPE_VIDEO).size(), 1U);
  }
}

TEST_F(CliTracks, WithoutAChoiceTheTrackWithTheMostChannelsIsTaken) {
  // Also when subtitles are kept and every stream is mapped.
  EXPECT_EQ(AudioLanguages(Convert("default.mkv", {})), std::vector<std::string>{"fre"});
  EXPECT_EQ(AudioLanguages(Convert("default_subs.mkv", {"--subtitles", "keep"})),
            std::vector<std::string>{"fre"});
}

TEST_F(CliTracks, AllAudioWhereTheFormatHoldsSeveralElseTheFirstWithAWarning) {
  EXPECT_EQ(AudioLanguages(Convert("all.mkv", {"--all-audio"})),
            (std::vector<std::string>{"eng", "fre", "deu"}));

  const std::string flv = dir_->File("all.flv");
  result_ = RunCli(kCli, {"-o", flv, "--all-audio", source_});
  ASSERT_EQ(result_.exit_code, 0) << result_.err;
  EXPECT_EQ(StreamsOf(ProbeFile(flv), AVMEDIA_TYPE_AUDIO).size(), 1U);
  EXPECT_NE(result_.err.find("FLV holds one audio track: only the first is converted"), std::string::npos)
      << result_.err;
}

TEST_F(CliTracks, AMissingTrackFailsTheFileAndLeavesNoOutput) {
  const std::pair<std::string, std::string> cases[] = {{"4", "there is no audio track 4"},
                                                       {"it", "no audio track in language \"it\""}};
  for (const auto& [track, message] : cases) {
    SCOPED_TRACE(track);
    const fs::path folder = dir_->File("missing_" + track);
    fs::create_directory(folder);
    const CliResult result = RunCli(kCli, {"-q", "--out", folder.string(), "--audio-track", track, source_});
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("1 (eng), 2 (fre), 3 (deu)"), std::string::npos) << result.err;
    EXPECT_TRUE(fs::is_empty(folder));
  }
}

TEST_F(CliTracks, KeptSubtitlesTakeEachFormatsTextCodec) {
  const std::pair<std::string, std::string> cases[] = {
      {"keep.mkv", "subrip"}, {"keep.mp4", "mov_text"}, {"keep.webm", "webvtt"}};
  for (const auto& [name, codec] : cases) {
    SCOPED_TRACE(name);
    const std::string output = Convert(name, {"--subtitles", "keep"});
    const ProbedFile probed = ProbeFile(output);
    const auto subtitles = StreamsOf(probed, AVMEDIA_TYPE_SUBTITLE);
    ASSERT_EQ(subtitles.size(), 1U);
    EXPECT_EQ(subtitles.front()->codec, codec);
    EXPECT_GT(CountPackets(output, static_cast<int>(subtitles.front() - probed.streams.data())), 0);
  }
  EXPECT_TRUE(StreamsOf(ProbeFile(Convert("none.mkv", {})), AVMEDIA_TYPE_SUBTITLE).empty());
}

TEST_F(CliTracks, MovTextKeptIntoMkvBecomesSubRip) {
  ClipSpec spec = Mp4H264Aac(1.0);  // mov_text subtitles, which Matroska does not carry
  spec.video->width = 160;
  spec.video->height = 120;
  spec.subtitle_streams = 1;
  const std::string mp4 = dir_->File("subtitled.mp4");
  MakeClip(mp4, spec);
  const ProbedFile probed = ProbeFile(Convert("from_mp4.mkv", {"--subtitles", "keep"}, mp4));
  const auto subtitles = StreamsOf(probed, AVMEDIA_TYPE_SUBTITLE);
  ASSERT_EQ(subtitles.size(), 1U);
  EXPECT_EQ(subtitles.front()->codec, "subrip");
}

// A 1 s 160x120 Matroska clip whose one subtitle track is a DVD bitmap (a white bar at rows 88-103).
std::string BitmapSubtitledClip(const TempDir& dir) {
  ClipSpec spec = Mp4H264Aac(1.0);
  spec.format = "matroska";
  spec.video->width = 160;
  spec.video->height = 120;
  spec.bitmap_subtitle_streams = 1;
  const std::string path = dir.File("bitmap.mkv");
  if (!fs::exists(path)) MakeClip(path, spec);
  return path;
}

TEST_F(CliTracks, BitmapSubtitlesAreKeptInMkvOnly) {
  const std::string source = BitmapSubtitledClip(*dir_);
  const ProbedFile mkv = ProbeFile(Convert("bitmap_keep.mkv", {"--subtitles", "keep"}, source));
  const auto subtitles = StreamsOf(mkv, AVMEDIA_TYPE_SUBTITLE);
  ASSERT_EQ(subtitles.size(), 1U);
  EXPECT_EQ(subtitles.front()->codec, "dvd_subtitle");

  const std::string mp4 = dir_->File("bitmap_keep.mp4");
  result_ = RunCli(kCli, {"-o", mp4, "--subtitles", "keep", source});
  ASSERT_EQ(result_.exit_code, 0) << result_.err;
  EXPECT_TRUE(StreamsOf(ProbeFile(mp4), AVMEDIA_TYPE_SUBTITLE).empty());
  EXPECT_NE(result_.err.find("MP4 holds no bitmap subtitles"), std::string::npos) << result_.err;
}

// Pixels of rows [y0, y1) that differ clearly between the two pictures.
int ChangedPixels(const TBitmap& a, const TBitmap& b, int y0, int y1) {
  int changed = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = 0; x < a.Width(); ++x) {
      int difference = 0;
      for (int c = 0; c < 3; ++c) difference += std::abs(a.ScanLine(y)[x * 4 + c] - b.ScanLine(y)[x * 4 + c]);
      if (difference > 96) ++changed;
    }
  return changed;
}

TEST_F(CliTracks, BurntSubtitlesAreDrawnIntoTheBottomOfThePicture) {
  const TBitmap plain = FirstPicture(Convert("plain.mp4", {}));
  // The subtitles filter reads the source by its name, escaped on the way.
  const std::string odd_name = dir_->File("it's [a], b:c.mkv");
  fs::copy_file(source_, odd_name);
  const std::string burnt_file = Convert("burnt.mp4", {"--subtitles", "burn"}, odd_name);
  const TBitmap burnt = FirstPicture(burnt_file);
  ASSERT_EQ(plain.Width(), burnt.Width());
  ASSERT_EQ(plain.Height(), burnt.Height());
  const int half = plain.Height() / 2;
  EXPECT_GT(ChangedPixels(plain, burnt, half, plain.Height()), 50) << "no subtitle drawn";
  EXPECT_LT(ChangedPixels(plain, burnt, 0, half / 2), 10) << "the top of the picture changed";
  EXPECT_TRUE(StreamsOf(ProbeFile(burnt_file), AVMEDIA_TYPE_SUBTITLE).empty());
}

TEST_F(CliTracks, BurntBitmapSubtitlesAreLaidOverThePicture) {
  const std::string source = BitmapSubtitledClip(*dir_);
  const TBitmap plain = FirstPicture(Convert("bitmap_plain.mp4", {}, source));
  const TBitmap burnt = FirstPicture(Convert("bitmap_burnt.mp4", {"--subtitles", "burn"}, source));
  ASSERT_EQ(plain.Height(), burnt.Height());
  EXPECT_GT(ChangedPixels(plain, burnt, 90, 102), 144 * 12 / 2) << "no bar drawn";
  EXPECT_LT(ChangedPixels(plain, burnt, 0, 60), 10) << "the top of the picture changed";
}

}  // namespace
}  // namespace zentrova::test

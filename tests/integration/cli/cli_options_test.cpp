#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace zentrova::cli {
namespace {

using test::TempDir;

TEST(ParseCommandLine, FilesAloneGiveTheDialogsDefaults) {
  const TParseOutcome outcome = ParseCommandLine({"a.mov", "b.avi"});
  ASSERT_EQ(outcome.Error, "");
  const TCliOptions& o = outcome.Options;
  EXPECT_EQ(o.Command, TCliCommand::ccConvert);
  EXPECT_EQ(o.Files, (std::vector<std::string>{"a.mov", "b.avi"}));
  EXPECT_EQ(o.Tasks, 3);
  EXPECT_EQ(o.Progress, TProgressMode::pmAuto);
  EXPECT_FALSE(o.VideoBitRate.has_value());
  EXPECT_FALSE(o.OutputFile.has_value());
  EXPECT_FALSE(o.InputOptions.has_value());
  // The same record the options dialog starts from.
  const app::OutputSettings defaults;
  EXPECT_EQ(o.Settings.Format, defaults.Format);
  EXPECT_EQ(o.Settings.VideoCodec, defaults.VideoCodec);
  EXPECT_EQ(o.Settings.AudioCodec, defaults.AudioCodec);
  EXPECT_EQ(o.Settings.AudioBitRate, defaults.AudioBitRate);
  EXPECT_EQ(o.Settings.OutPath, defaults.OutPath);
  EXPECT_TRUE(o.Settings.Overwrite);
  EXPECT_FALSE(o.Settings.CutClipChecked);
}

TEST(ParseCommandLine, SettingsReachTheDialogsRecord) {
  TempDir dir;
  const std::string logo = dir.File("logo.png");
  test::WriteFile(logo, "not read here");
  const TParseOutcome outcome = ParseCommandLine({"--format",
                                                  "webm",
                                                  "--size",
                                                  "qvga",
                                                  "--rate",
                                                  "25",
                                                  "--aspect",
                                                  "16:9",
                                                  "--vb",
                                                  "800",
                                                  "--ab",
                                                  "96",
                                                  "--volume",
                                                  "512",
                                                  "--brightness",
                                                  "-50",
                                                  "--saturation",
                                                  "20",
                                                  "--hue",
                                                  "-100",
                                                  "--crop",
                                                  "10,10,0,0",
                                                  "--pad",
                                                  "4,4,4,4",
                                                  "--vflip",
                                                  "--rotate",
                                                  "90",
                                                  "--watermark",
                                                  logo,
                                                  "--clip",
                                                  "2.5-7.5",
                                                  "--no-overwrite",
                                                  "--out",
                                                  dir.Path().string(),
                                                  "--tasks",
                                                  "2",
                                                  "--channels",
                                                  "mono",
                                                  "--sample-rate",
                                                  "22050",
                                                  "--acodec",
                                                  "aac",
                                                  "--vcodec",
                                                  "divx",
                                                  "--norm",
                                                  "pal",
                                                  "in.mov"});
  ASSERT_EQ(outcome.Error, "");
  const TCliOptions& o = outcome.Options;
  const app::OutputSettings& s = o.Settings;
  EXPECT_EQ(s.Format, app::TOutputFormat::WebM);
  EXPECT_EQ(s.FrameSize, 6);
  EXPECT_EQ(s.FrameRate, 3);
  EXPECT_EQ(s.AspectRatio, 2);
  EXPECT_EQ(o.VideoBitRate, "800");
  EXPECT_EQ(s.AudioBitRate, "96");
  EXPECT_TRUE(s.AudioVolume);
  EXPECT_EQ(s.AudioVolumeText, "512");
  EXPECT_TRUE(s.Brightness);
  EXPECT_EQ(s.BrightnessPosition, -50);
  EXPECT_EQ(s.SaturationPosition, 20);
  EXPECT_EQ(s.HuePosition, -100);
  EXPECT_TRUE(s.Crop);
  EXPECT_EQ(s.CropEdges.Bottom, "10");
  EXPECT_TRUE(s.Pad);
  EXPECT_TRUE(s.VertFlip);
  EXPECT_FALSE(s.HoriFlip);
  EXPECT_TRUE(s.Rotate);
  EXPECT_EQ(s.RotateText, "90");
  EXPECT_TRUE(s.WaterMark);
  EXPECT_EQ(s.WaterMarkFile, logo);
  ASSERT_TRUE(o.Clip.has_value());
  EXPECT_EQ(o.Clip->Start, 2500000);
  EXPECT_TRUE(s.CutClipEnabled && s.CutClipChecked);
  EXPECT_FALSE(s.Overwrite);
  EXPECT_EQ(s.OutPath, dir.Path().string() + "/");
  EXPECT_EQ(o.Tasks, 2);
  EXPECT_EQ(s.AudioChannels, app::TAudioChannels::Mono);
  EXPECT_EQ(s.AudioSampleRate, 3);
  EXPECT_EQ(s.AudioCodec, app::TAudioCodec::AAC);
  EXPECT_EQ(s.VideoCodec, app::TVideoCodec::DivX);
  EXPECT_EQ(s.Norm, app::TNorm::PAL);
}

TEST(ParseCommandLine, TrackChoicesReachTheRecord) {
  struct Case {
    std::vector<std::string> args;
    std::string audio_track;
    bool all_audio;
    app::TSubtitleMode subtitles;
  };
  const Case cases[] = {
      {{"a"}, "", false, app::TSubtitleMode::smNone},
      {{"--audio-track", "02", "a"}, "2", false, app::TSubtitleMode::smNone},
      {{"--audio-track=FRE", "--subtitles", "Keep", "a"}, "FRE", false, app::TSubtitleMode::smKeep},
      {{"--all-audio", "--subtitles=burn", "a"}, "", true, app::TSubtitleMode::smBurn},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.front());
    const TParseOutcome outcome = ParseCommandLine(c.args);
    ASSERT_EQ(outcome.Error, "");
    EXPECT_EQ(outcome.Options.Settings.AudioTrack, c.audio_track);
    EXPECT_EQ(outcome.Options.Settings.AllAudio, c.all_audio);
    EXPECT_EQ(outcome.Options.Settings.Subtitles, c.subtitles);
  }
}

TEST(ParseCommandLine, RawOptionStringsMayStartWithADash) {
  TempDir dir;
  const TParseOutcome outcome = ParseCommandLine({"--input-options", "-ss 1", "--output-options",
                                                  "-c:v mpeg4 -q:v 3", "-o", dir.File("out.avi"), "in.mov"});
  ASSERT_EQ(outcome.Error, "");
  EXPECT_EQ(outcome.Options.InputOptions, "-ss 1");
  EXPECT_EQ(outcome.Options.OutputOptions, "-c:v mpeg4 -q:v 3");
  EXPECT_EQ(outcome.Options.OutputFile, dir.File("out.avi"));
  EXPECT_EQ(outcome.Options.Settings.Format, app::TOutputFormat::AVI);  // from -o's extension
  // An empty raw string is a choice too: no options at all.
  EXPECT_EQ(ParseCommandLine({"--output-options=", "in.mov"}).Options.OutputOptions, "");
}

TEST(ParseCommandLine, OutputNameGivesTheFormatUnlessFormatIsGiven) {
  TempDir dir;
  EXPECT_EQ(ParseCommandLine({"-o", dir.File("x.mp3"), "a.wav"}).Options.Settings.Format,
            app::TOutputFormat::MP3);
  EXPECT_EQ(ParseCommandLine({"--format", "mkv", "-o", dir.File("x.mp3"), "a.wav"}).Options.Settings.Format,
            app::TOutputFormat::MKV);
  EXPECT_EQ(ParseCommandLine({"-o", dir.File("x.bin"), "a.wav"}).Options.Settings.Format,
            app::TOutputFormat::MP4);
}

TEST(ParseCommandLine, CommandsAndOutputModes) {
  EXPECT_EQ(ParseCommandLine({"--help"}).Options.Command, TCliCommand::ccHelp);
  EXPECT_EQ(ParseCommandLine({"--version"}).Options.Command, TCliCommand::ccVersion);
  EXPECT_EQ(ParseCommandLine({"--demo"}).Options.Command, TCliCommand::ccDemo);
  EXPECT_EQ(ParseCommandLine({"--info", "a", "b"}).Options.Command, TCliCommand::ccInfo);
  EXPECT_EQ(ParseCommandLine({"--json", "a"}).Options.Progress, TProgressMode::pmJson);
  EXPECT_EQ(ParseCommandLine({"-q", "a"}).Options.Progress, TProgressMode::pmQuiet);
  EXPECT_EQ(ParseCommandLine({"--log-level", "DEBUG", "a"}).Options.LogLevel, "DEBUG");
  EXPECT_EQ(ParseCommandLine({"--log-level", "48", "a"}).Options.LogLevel, "48");
  EXPECT_FALSE(ParseCommandLine({"a"}).Options.AllowNetwork);
  EXPECT_TRUE(ParseCommandLine({"--allow-network", "--out", "/", "http://h/a.mp4"}).Options.AllowNetwork);
  // A file whose name starts with a dash, after "--".
  EXPECT_EQ(ParseCommandLine({"--", "-odd.mov"}).Options.Files, std::vector<std::string>{"-odd.mov"});
}

struct UsageCase {
  std::vector<std::string> args;
  std::string words;  // the message must contain this
};

TEST(ParseCommandLine, UsageErrorsSayWhatIsWrong) {
  TempDir dir;
  const std::string input = dir.File("in.mov");
  test::WriteFile(input, "x");
  const std::string existing = dir.File("old.mp4");
  test::WriteFile(existing, "x");
  const std::vector<UsageCase> cases = {
      {{}, "no input files"},
      {{"--bogus", "a"}, "bogus"},
      {{"-o", dir.File("o.mp4"), "a", "b"}, "single input"},
      {{"--join", "a", "b"}, "--join needs the output"},
      {{"--join", "-o", dir.File("o.mp4"), "a"}, "at least two"},
      {{"--tasks", "0", "a"}, "--tasks"},
      {{"--tasks", "many", "a"}, "--tasks"},
      {{"--watermark", dir.File("missing.png"), "a"}, "--watermark"},
      {{"--json", "--quiet", "a"}, "--json and --quiet"},
      {{"--overwrite", "--no-overwrite", "a"}, "contradict"},
      {{"-o", input, input}, "one of the inputs"},
      {{"--no-overwrite", "-o", existing, "a"}, "exists"},
      {{"-o", dir.File("no/such/folder/o.mp4"), "a"}, "does not exist"},
      {{"-o", dir.Path().string(), "a"}, "is a folder"},
      {{"--out", dir.File("missing"), "a"}, "not a folder"},
      {{"--out", dir.Path().string(), "-o", dir.File("o.mp4"), "a"}, "--out"},
      {{"--demo", "a"}, "name no files"},
      {{"--info"}, "--info"},
      {{"--info", "--demo"}, "cannot be used together"},
      {{"--format", "mp5", "a"}, "--format"},
      {{"--size", "333x333", "a"}, "--size"},
      {{"--clip", "7-2", "a"}, "ends before it starts"},
      {{"--vb", "fast", "a"}, "--vb"},
      {{"--brightness", "101", "a"}, "--brightness"},
      {{"--crop", "1,2", "a"}, "--crop"},
      {{"--log-level", "loud", "a"}, "--log-level"},
      {{"--audio-track", "0", "a"}, "--audio-track"},
      {{"--audio-track", "french", "a"}, "language code"},
      {{"--audio-track", "2", "--all-audio", "a"}, "cannot be used together"},
      {{"--subtitles", "all", "a"}, "none, keep, burn"},
      {{"--allow-network", "http://127.0.0.1/a.mp4"}, "network address: name the output with -o"},
  };
  for (const UsageCase& c : cases) {
    std::string joined;
    for (const std::string& a : c.args) joined += a + " ";
    SCOPED_TRACE(joined);
    const TParseOutcome outcome = ParseCommandLine(c.args);
    EXPECT_NE(outcome.Error.find(c.words), std::string::npos) << "error: " << outcome.Error;
  }
}

TEST(UsageText, ListsEveryOption) {
  const std::string usage = UsageText();
  for (const char* option : {"--format",     "--size",         "--rate",          "--aspect",
                             "--vb",         "--ab",           "--volume",        "--brightness",
                             "--saturation", "--hue",          "--watermark",     "--out",
                             "--clip",       "--no-overwrite", "--input-options", "--output-options",
                             "--join",       "--info",         "--log-level",     "--log-file",
                             "--quiet",      "--json",         "--demo",          "--tasks",
                             "--version",    "--allow-network"}) {
    EXPECT_NE(usage.find(option), std::string::npos) << option;
  }
  EXPECT_NE(usage.find("Exit codes"), std::string::npos);
}

}  // namespace
}  // namespace zentrova::cli

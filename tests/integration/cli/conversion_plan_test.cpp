#include "cli/conversion_plan.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace zentrova::cli {
namespace {

// Probed sources by name; anything else cannot be opened. Existing files
// are answered from a set, so nothing here touches the disk.
struct Sources {
  std::map<std::string, app::TSourceProbe> probes;
  std::set<std::string> existing;

  void Video(const std::string& name, const std::string& kbps, std::int64_t duration_us = 2000000) {
    app::TSourceProbe p;
    p.FileName = name;
    p.FormatName = "mov,mp4,m4a,3gp,3g2,mj2";
    p.FileInfoText = "Input #0, mov, from '" + name +
                     "':\r\n  Stream #0, 1/25: Video: h264 (High), yuv420p, 640x480, " + kbps +
                     " kb/s, 25 fps";
    p.FileDuration = duration_us;
    p.FileStartTime = 0;
    p.FirstVideoStreamIndex = 0;
    p.FirstAudioStreamIndex = 1;
    p.Width = 640;
    p.Height = 480;
    p.FrameRateNum = 25;
    probes[name] = p;
    existing.insert(name);
  }

  TProbeFunction Probe() const {
    return [this](const std::string& name) {
      TProbeOutcome outcome;
      const auto found = probes.find(name);
      if (found == probes.end()) {
        outcome.Error = name + ": Invalid data found when processing input";
        return outcome;
      }
      outcome.Loaded = true;
      outcome.Probe = found->second;
      return outcome;
    };
  }

  app::BuildEnv Env() const {
    app::BuildEnv env;
    env.FileExists = [this](const std::string& path) { return existing.count(path) != 0; };
    env.HasEncoder = [](std::string_view) { return false; };
    return env;
  }
};

TCliOptions Parsed(const std::vector<std::string>& args) {
  const TParseOutcome outcome = ParseCommandLine(args);
  EXPECT_EQ(outcome.Error, "");
  return outcome.Options;
}

TEST(PlanConversion, DefaultsAreTheApplicationsWithEachSourcesBitRate) {
  Sources s;
  s.Video("/m/a.mov", "1000");
  s.Video("/m/b.mov", "2500");
  const std::vector<TPlannedTask> tasks =
      PlanConversion(Parsed({"/m/a.mov", "/m/b.mov"}), s.Probe(), s.Env());
  ASSERT_EQ(tasks.size(), 2u);
  EXPECT_EQ(tasks[0].Error, "");
  ASSERT_EQ(tasks[0].Inputs.size(), 1u);
  EXPECT_EQ(tasks[0].Inputs[0].FileName, "/m/a.mov");
  EXPECT_EQ(tasks[0].Inputs[0].Options, "");
  EXPECT_EQ(tasks[0].Output.FileName, "/m/a_(new).mp4");
  EXPECT_EQ(tasks[0].Output.Options,
            " -b:a 128k -b:v  1000k -c:a libmp3lame -c:v libx264 -pix_fmt yuv420p -sn");
  EXPECT_EQ(tasks[1].Output.Options,
            " -b:a 128k -b:v  2500k -c:a libmp3lame -c:v libx264 -pix_fmt yuv420p -sn");
  EXPECT_EQ(tasks[0].SourceDurationUs, 2000000);
  EXPECT_FALSE(tasks[0].Output.Join);
}

TEST(PlanConversion, NoTwoTasksShareAnOutputAndNoOutputIsAnInput) {
  Sources s;
  s.Video("/m/x.mov", "1000");
  s.Video("/n/x.avi", "1000");
  s.Video("/m/x_(new).mp4", "1000");  // an input named like the first output
  TCliOptions options = Parsed({"/m/x.mov", "/m/x.mov", "/n/x.avi", "/m/x_(new).mp4"});
  options.Settings.OutPath = "/m/";  // all outputs into one folder
  const std::vector<TPlannedTask> tasks = PlanConversion(options, s.Probe(), s.Env());
  ASSERT_EQ(tasks.size(), 4u);
  std::set<std::string> outputs;
  for (const TPlannedTask& t : tasks) outputs.insert(t.Output.FileName);
  EXPECT_EQ(outputs.size(), 4u);
  EXPECT_EQ(tasks[0].Output.FileName, "/m/x_(new_1).mp4");
  EXPECT_EQ(tasks[1].Output.FileName, "/m/x_(new_2).mp4");
  EXPECT_EQ(tasks[2].Output.FileName, "/m/x_(new_3).mp4");
  EXPECT_EQ(tasks[3].Output.FileName, "/m/x_(new)_(new).mp4");
}

TEST(PlanConversion, OverwriteKeepsAnEarlierRunsNameAndNoOverwriteSkipsIt) {
  Sources s;
  s.Video("/m/x.mov", "1000");
  s.existing.insert("/m/x_(new).mp4");
  EXPECT_EQ(PlanConversion(Parsed({"/m/x.mov"}), s.Probe(), s.Env())[0].Output.FileName, "/m/x_(new).mp4");
  EXPECT_EQ(PlanConversion(Parsed({"--no-overwrite", "/m/x.mov"}), s.Probe(), s.Env())[0].Output.FileName,
            "/m/x_(new_1).mp4");
}

TEST(PlanConversion, ABadFileIsARowWithTheDecodersMessageAndTheOthersGoOn) {
  Sources s;
  s.Video("/m/a.mov", "1000");
  s.Video("/m/c.mov", "1000");
  const std::vector<TPlannedTask> tasks =
      PlanConversion(Parsed({"/m/a.mov", "/m/junk.bin", "/m/c.mov"}), s.Probe(), s.Env());
  ASSERT_EQ(tasks.size(), 3u);
  EXPECT_EQ(tasks[1].Source, "/m/junk.bin");
  EXPECT_EQ(tasks[1].Error, "/m/junk.bin: Invalid data found when processing input");
  EXPECT_TRUE(tasks[1].Inputs.empty());
  EXPECT_EQ(tasks[2].Output.FileName, "/m/c_(new).mp4");
}

TEST(PlanConversion, CommandLineChoicesGoOnTopOfTheBuiltRecords) {
  Sources s;
  s.Video("/m/a.mov", "1000", 10000000);
  // --vb replaces the source's rate; --clip gives -ss and -t.
  TPlannedTask t =
      PlanConversion(Parsed({"--vb", "700", "--clip", "2.5-7.5", "/m/a.mov"}), s.Probe(), s.Env())[0];
  EXPECT_EQ(t.Inputs[0].Options, " -ss 2.5");
  EXPECT_EQ(t.Output.Options, " -b:a 128k -b:v 700k -t 5 -c:a libmp3lame -c:v libx264 -pix_fmt yuv420p -sn");
  // Raw option strings replace the built ones; -o names the output.
  TCliOptions raw = Parsed({"--input-options", "-ss 1", "--output-options", "-c:v mpeg4", "/m/a.mov"});
  raw.OutputFile = "/o/out.avi";
  t = PlanConversion(raw, s.Probe(), s.Env())[0];
  EXPECT_EQ(t.Inputs[0].Options, "-ss 1");
  EXPECT_EQ(t.Output.Options, "-c:v mpeg4");
  EXPECT_EQ(t.Output.FileName, "/o/out.avi");
  // A WAV output reads no video; an MP3 output reads the source's cover art.
  t = PlanConversion(Parsed({"--format", "WAV", "/m/a.mov"}), s.Probe(), s.Env())[0];
  EXPECT_EQ(t.Inputs[0].Options, " -vn");
  EXPECT_EQ(t.Output.FileName, "/m/a_(new).wav");
  t = PlanConversion(Parsed({"--format", "MP3", "/m/a.mov"}), s.Probe(), s.Env())[0];
  EXPECT_EQ(t.Inputs[0].Options, "");
  EXPECT_EQ(t.Output.Options, " -b:a 128k -b:v  1000k -c:a libmp3lame -sn");
  // A codec chosen on the command line is kept with a format that has its own.
  t = PlanConversion(Parsed({"--format", "AC3", "--acodec", "aac", "/m/a.mov"}), s.Probe(), s.Env())[0];
  EXPECT_EQ(t.Output.Options, " -b:a 128k -b:v  1000k -c:a aac -astrict experimental -sn");
}

TEST(PlanConversion, ASourceWithoutBitRateKeepsTheDefaultAndWarns) {
  Sources s;
  s.Video("/m/a.webm", "1000");
  s.probes["/m/a.webm"].FileInfoText = "  Stream #0, 1/1000: Video: vp8, yuv420p, 640x480, 25 fps";
  const TPlannedTask t = PlanConversion(Parsed({"/m/a.webm"}), s.Probe(), s.Env())[0];
  EXPECT_NE(t.Output.Options.find("-b:v 200k"), std::string::npos) << t.Output.Options;
  ASSERT_EQ(t.Warnings.size(), 1u);
  EXPECT_NE(t.Warnings[0].find("no video bit rate can be read from the source"), std::string::npos)
      << t.Warnings[0];
  // A rate given with --vb is what the output gets: nothing to warn about.
  const TPlannedTask given = PlanConversion(Parsed({"--vb", "900", "/m/a.webm"}), s.Probe(), s.Env())[0];
  EXPECT_NE(given.Output.Options.find("-b:v 900k"), std::string::npos) << given.Output.Options;
  EXPECT_TRUE(given.Warnings.empty());
}

TEST(PlanConversion, JoinMakesOneTaskWithEveryInput) {
  Sources s;
  s.Video("/m/a.mov", "1000", 2000000);
  s.Video("/m/b.mov", "3000", 3000000);
  TCliOptions options = Parsed({"--join", "-o", "/tmp/joined.mp4", "/m/a.mov", "/m/b.mov"});
  std::vector<TPlannedTask> tasks = PlanConversion(options, s.Probe(), s.Env());
  ASSERT_EQ(tasks.size(), 1u);
  ASSERT_EQ(tasks[0].Inputs.size(), 2u);
  EXPECT_EQ(tasks[0].Inputs[1].FileName, "/m/b.mov");
  EXPECT_TRUE(tasks[0].Output.Join);
  EXPECT_EQ(tasks[0].Output.FileName, "/tmp/joined.mp4");
  EXPECT_NE(tasks[0].Output.Options.find("-b:v  1000k"), std::string::npos);  // the first source's
  EXPECT_EQ(tasks[0].SourceDurationUs, 5000000);

  options.Files = {"/m/a.mov", "/m/missing.mov", "/m/b.mov"};
  tasks = PlanConversion(options, s.Probe(), s.Env());
  ASSERT_EQ(tasks.size(), 1u);
  EXPECT_EQ(tasks[0].Error, "/m/missing.mov: /m/missing.mov: Invalid data found when processing input");
}

}  // namespace
}  // namespace zentrova::cli

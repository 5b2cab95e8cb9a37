// zentrova-cli end to end: the real program converts clips generated for the
// test, and the outputs are opened again and checked.
#include <fmt/format.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli_process.h"
#include "support/first_picture.h"
#include "decoder/ridarivir.h"
#include "media/test_media.h"
#include "picture/bitmap.h"
#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova::test {
namespace {

namespace fs = std::filesystem;

const std::string kCli = ZENTROVA_CLI_PROGRAM;

std::vector<nlohmann::json> JsonLines(const std::string& out) {
  std::vector<nlohmann::json> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
  return lines;
}

std::vector<nlohmann::json> EventsOf(const std::vector<nlohmann::json>& events, const std::string& kind) {
  std::vector<nlohmann::json> found;
  std::copy_if(events.begin(), events.end(), std::back_inserter(found),
               [&](const nlohmann::json& e) { return e["event"] == kind; });
  return found;
}

const ProbedStream* StreamOf(const ProbedFile& file, AVMediaType type) {
  for (const ProbedStream& s : file.streams)
    if (s.type == type) return &s;
  return nullptr;
}

class ZentrovaCli : public ::testing::Test {
 protected:
  void SetUp() override { LoadMediaLibraries(); }

  // An H.264 + AAC clip of `seconds` at `width` x `height`.
  std::string Clip(const std::string& name, double seconds, int width = 320, int height = 240) {
    ClipSpec spec = Mp4H264Aac(seconds);
    spec.video->width = width;
    spec.video->height = height;
    const std::string path = dir_.File(name);
    MakeClip(path, spec);
    return path;
  }

  TempDir dir_;
};

TEST_F(ZentrovaCli, ConvertsABatchAsTheApplicationWouldAndABadFileDoesNotStopIt) {
  const std::vector<double> seconds = {1.0, 1.5, 2.0, 2.5};
  std::vector<std::string> args = {"--json", "--tasks", "3"};
  for (std::size_t i = 0; i < seconds.size(); ++i)
    args.push_back(Clip(fmt::format("c{}.mp4", i), seconds[i]));
  const std::string garbage = dir_.File("garbage.mp4");
  MakeGarbageFile(garbage, 50000, 7);
  args.insert(args.begin() + 5, garbage);  // in the middle of the batch

  const CliResult result = RunCli(kCli, args);
  ASSERT_EQ(result.exit_code, 1) << result.err;
  const std::vector<nlohmann::json> events = JsonLines(result.out);

  const std::vector<nlohmann::json> not_added = EventsOf(events, "not_added");
  ASSERT_EQ(not_added.size(), 1u);
  EXPECT_EQ(not_added[0]["file"], garbage);
  EXPECT_NE(not_added[0]["message"].get<std::string>().find("garbage.mp4"), std::string::npos);

  // At no moment more than three tasks between their first report and their end.
  std::set<int> active;
  std::size_t most = 0;
  for (const nlohmann::json& e : events) {
    if (e["event"] == "progress") active.insert(e["index"].get<int>());
    if (e["event"] == "end") active.erase(e["index"].get<int>());
    most = std::max(most, active.size());
  }
  EXPECT_LE(most, 3u);

  const std::vector<nlohmann::json> ends = EventsOf(events, "end");
  ASSERT_EQ(ends.size(), 4u);
  std::set<std::string> outputs;
  for (const nlohmann::json& end : ends) {
    SCOPED_TRACE(end.dump());
    EXPECT_EQ(end["result"], "converted");
    const std::string source = end["file"];
    const std::string output = end["output"];
    outputs.insert(output);
    EXPECT_EQ(output, source.substr(0, source.size() - 4) + "_(new).mp4");
    const ProbedFile probed = ProbeFile(output);
    EXPECT_NE(probed.format.find("mp4"), std::string::npos);
    const ProbedStream* video = StreamOf(probed, AVMEDIA_TYPE_VIDEO);
    const ProbedStream* audio = StreamOf(probed, AVMEDIA_TYPE_AUDIO);
    ASSERT_TRUE(video && audio);
    EXPECT_EQ(video->codec, "h264");
    EXPECT_EQ(audio->codec, "mp3");
    const double source_s = ProbeFile(source).duration_us / 1e6;
    EXPECT_NEAR(probed.duration_us / 1e6, source_s, 0.25);
  }
  EXPECT_EQ(outputs.size(), 4u);

  const nlohmann::json& summary = events.back();
  EXPECT_EQ(summary["event"], "summary");
  EXPECT_EQ(summary["converted"], 4);
  EXPECT_EQ(summary["not_added"], 1);
  EXPECT_EQ(summary["exit_code"], 1);
  // The bad file's input is untouched and no output was made for it.
  EXPECT_EQ(fs::file_size(garbage), 50000u);
  EXPECT_FALSE(fs::exists(dir_.File("garbage_(new).mp4")));
}

TEST_F(ZentrovaCli, FormatsProduceWhatTheySay) {
  const std::string wav = dir_.File("tone.wav");
  MakeClip(wav, WavS16(1.0));
  const std::string movie = Clip("movie.mp4", 1.0, 640, 480);

  CliResult result = RunCli(kCli, {"-q", "--format", "MP3", wav});
  ASSERT_EQ(result.exit_code, 0) << result.err;
  ProbedFile probed = ProbeFile(dir_.File("tone_(new).mp3"));
  ASSERT_EQ(probed.streams.size(), 1u);
  EXPECT_EQ(probed.streams[0].codec, "mp3");
  EXPECT_NEAR(probed.duration_us / 1e6, 1.0, 0.15);

  result = RunCli(kCli, {"-q", "--format", "WebM", movie});
  ASSERT_EQ(result.exit_code, 0) << result.err;
  probed = ProbeFile(dir_.File("movie_(new).webm"));
  EXPECT_NE(probed.format.find("webm"), std::string::npos);
  ASSERT_TRUE(StreamOf(probed, AVMEDIA_TYPE_VIDEO) && StreamOf(probed, AVMEDIA_TYPE_AUDIO));
  EXPECT_EQ(StreamOf(probed, AVMEDIA_TYPE_VIDEO)->codec, "vp8");
  EXPECT_EQ(StreamOf(probed, AVMEDIA_TYPE_AUDIO)->codec, "vorbis");

  result = RunCli(kCli, {"-q", "--size", "320x240", "-o", dir_.File("small.mp4"), movie});
  ASSERT_EQ(result.exit_code, 0) << result.err;
  probed = ProbeFile(dir_.File("small.mp4"));
  ASSERT_TRUE(StreamOf(probed, AVMEDIA_TYPE_VIDEO));
  EXPECT_EQ(StreamOf(probed, AVMEDIA_TYPE_VIDEO)->width, 320);
  EXPECT_EQ(StreamOf(probed, AVMEDIA_TYPE_VIDEO)->height, 240);
}

TEST_F(ZentrovaCli, WatermarkGoesIntoTheTopRightCorner) {
  const std::string movie = Clip("movie.mp4", 0.5);
  ClipSpec logo_spec = PngStill();
  logo_spec.video->width = 48;
  logo_spec.video->height = 48;
  const std::string logo = dir_.File("logo [1], a'b.png");  // brackets, comma, quote: escaped on the way
  MakeClip(logo, logo_spec);
  fs::create_directory(dir_.File("plain"));
  fs::create_directory(dir_.File("marked"));

  CliResult result = RunCli(kCli, {"-q", "--out", dir_.File("plain"), movie});
  ASSERT_EQ(result.exit_code, 0) << result.err;
  result = RunCli(kCli, {"-q", "--watermark", logo, "--out", dir_.File("marked"), movie});
  ASSERT_EQ(result.exit_code, 0) << result.err;

  const TBitmap plain = FirstPicture(dir_.File("plain/movie_(new).mp4"));
  const TBitmap marked = FirstPicture(dir_.File("marked/movie_(new).mp4"));
  ASSERT_EQ(plain.Width(), 320);
  ASSERT_EQ(marked.Width(), 320);
  // overlay=main_w-overlay_w-10:10 puts the 48x48 logo at (262, 10).
  EXPECT_GT(MeanDifference(plain, marked, 262 + 4, 10 + 4, 40), 20.0);
  EXPECT_LT(MeanDifference(plain, marked, 10, 180, 40), 6.0);
}

TEST_F(ZentrovaCli, OverwriteReplacesAnEarlierOutputAndNoOverwriteKeepsIt) {
  const std::string movie = Clip("m.mp4", 0.5);
  ASSERT_EQ(RunCli(kCli, {"-q", movie}).exit_code, 0);
  const std::string first = dir_.File("m_(new).mp4");
  ASSERT_TRUE(fs::exists(first));
  fs::last_write_time(first, fs::file_time_type::clock::now() - std::chrono::hours(1));
  const fs::file_time_type before = fs::last_write_time(first);

  ASSERT_EQ(RunCli(kCli, {"-q", "--no-overwrite", movie}).exit_code, 0);
  EXPECT_EQ(fs::last_write_time(first), before);
  EXPECT_TRUE(fs::exists(dir_.File("m_(new_1).mp4")));

  ASSERT_EQ(RunCli(kCli, {"-q", movie}).exit_code, 0);
  EXPECT_GT(fs::last_write_time(first), before);
  EXPECT_FALSE(fs::exists(dir_.File("m_(new_2).mp4")));
}

TEST_F(ZentrovaCli, SameSourceTwiceAndOddNamesGetTheirOwnOutputs) {
  const std::string odd = Clip("视频 clip's [1], \"x\".mp4", 0.5);
  const CliResult result = RunCli(kCli, {"--json", odd, odd});
  ASSERT_EQ(result.exit_code, 0) << result.err;
  std::set<std::string> outputs;
  for (const nlohmann::json& end : EventsOf(JsonLines(result.out), "end")) {
    EXPECT_EQ(end["result"], "converted");
    outputs.insert(end["output"].get<std::string>());
    EXPECT_EQ(StreamOf(ProbeFile(end["output"]), AVMEDIA_TYPE_VIDEO)->codec, "h264");
  }
  EXPECT_EQ(outputs, (std::set<std::string>{dir_.File("视频 clip's [1], \"x\"_(new).mp4"),
                                            dir_.File("视频 clip's [1], \"x\"_(new_1).mp4")}));
}

TEST_F(ZentrovaCli, BadInputsGetAClearErrorAndLeaveNothingBehind) {
  const std::string empty = dir_.File("empty.mp4");
  MakeEmptyFile(empty);
  const std::string whole = Clip("whole.mp4", 1.0);
  const std::string truncated = dir_.File("truncated.mp4");
  MakeTruncatedCopy(whole, truncated, 0.3);
  const std::string missing = dir_.File("missing.mp4");

  const CliResult result = RunCli(kCli, {empty, truncated, missing});
  EXPECT_EQ(result.exit_code, 1);
  for (const char* name : {"empty.mp4", "truncated.mp4", "missing.mp4"})
    EXPECT_NE(result.err.find(name), std::string::npos) << name << "\n" << result.err;
  EXPECT_NE(result.out.find("not added"), std::string::npos) << result.out;
  for (const char* output : {"empty_(new).mp4", "truncated_(new).mp4", "missing_(new).mp4"}) {
    // A task that could not be added or failed leaves no empty output.
    const std::string path = dir_.File(output);
    EXPECT_TRUE(!fs::exists(path) || fs::file_size(path) > 0) << output;
  }
  EXPECT_EQ(fs::file_size(empty), 0u);
}

TEST_F(ZentrovaCli, JoinPutsTheInputsOneAfterTheOther) {
  const std::string a = Clip("a.mp4", 1.0);
  const std::string b = Clip("b.mp4", 1.5);
  const std::string joined = dir_.File("joined.mp4");
  const CliResult result = RunCli(kCli, {"-q", "--join", "-o", joined, a, b});
  ASSERT_EQ(result.exit_code, 0) << result.err;
  EXPECT_NEAR(ProbeFile(joined).duration_us / 1e6, 2.5, 0.3);
}

TEST_F(ZentrovaCli, InfoDescribesFilesAndConvertsNothing) {
  const std::string movie = Clip("m.mp4", 0.5);
  const std::string garbage = dir_.File("g.bin");
  MakeGarbageFile(garbage, 1000);
  const CliResult result = RunCli(kCli, {"--info", movie, garbage});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_NE(result.out.find("Stream #0"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("h264"), std::string::npos) << result.out;
  EXPECT_NE(result.err.find("g.bin"), std::string::npos) << result.err;
  EXPECT_FALSE(fs::exists(dir_.File("m_(new).mp4")));
}

TEST_F(ZentrovaCli, LogLinesFollowTheChosenLevelOnStderrAndInTheLogFile) {
  const std::string movie = Clip("m.mp4", 0.5);
  const CliResult quiet = RunCli(kCli, {"--log-level", "quiet", "--json", movie});
  ASSERT_EQ(quiet.exit_code, 0) << quiet.err;
  EXPECT_EQ(quiet.err, "");

  const std::string log_file = dir_.File("run.log");
  const CliResult info = RunCli(kCli, {"--log-level", "info", "--log-file", log_file, "--json", movie});
  ASSERT_EQ(info.exit_code, 0) << info.err;
  EXPECT_NE(info.err.find("Info: "), std::string::npos) << info.err;
  std::ifstream in(log_file);
  const std::string logged((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(logged.find("] Info: "), std::string::npos) << logged;
}

TEST_F(ZentrovaCli, UsageErrorsExitWithTwo) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {}, {"--tasks", "0", "a.mp4"}, {"--bogus"}, {"--size", "9x9", "a.mp4"}}) {
    const CliResult result = RunCli(kCli, args);
    EXPECT_EQ(result.exit_code, 2) << result.err;
    EXPECT_NE(result.err.find("zentrova-cli: "), std::string::npos);
    EXPECT_NE(result.err.find("--help"), std::string::npos);
    EXPECT_EQ(result.out, "");
  }
  EXPECT_EQ(RunCli(kCli, {"--help"}).exit_code, 0);
}

TEST_F(ZentrovaCli, FirstInterruptStopsWithFinalisedOutputs) {
  const std::string movie = Clip("long.mp4", 60.0);
  CliProcess process(kCli, {"--json", "--tasks", "1", movie});
  bool interrupted = false;
  while (const std::optional<std::string> line = process.ReadLine(120000)) {
    const nlohmann::json event = nlohmann::json::parse(*line);
    if (event["event"] == "progress" && event["time_us"].get<std::int64_t>() > 0) {
      process.Signal(SIGINT);
      interrupted = true;
      break;
    }
  }
  ASSERT_TRUE(interrupted);
  const CliResult result = process.Wait(120000);
  EXPECT_EQ(result.exit_code, 1) << result.err;
  const std::vector<nlohmann::json> ends = EventsOf(JsonLines(result.out), "end");
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0]["result"], "stopped");
  // The output was finalised: it opens, holds both streams and part of the source.
  const ProbedFile probed = ProbeFile(dir_.File("long_(new).mp4"));
  EXPECT_TRUE(StreamOf(probed, AVMEDIA_TYPE_VIDEO) && StreamOf(probed, AVMEDIA_TYPE_AUDIO));
  EXPECT_GT(probed.duration_us, 0);
  EXPECT_LT(probed.duration_us, 59000000);
  EXPECT_GT(CountVideoFrames(dir_.File("long_(new).mp4")), 0);
}

// A conversion reads and writes files only: the device library (and its
// dozens of dependencies) is never loaded. The dynamic loader lists what the
// program loads.
TEST_F(ZentrovaCli, AConversionLoadsNoDeviceLibrary) {
  const std::string clip = Clip("clip.mp4", 0.5);
  ASSERT_EQ(setenv("LD_DEBUG", "files", 1), 0);
  const CliResult result = RunCli(kCli, {"-q", clip});
  unsetenv("LD_DEBUG");
  ASSERT_EQ(result.exit_code, 0) << result.err;
  EXPECT_TRUE(fs::exists(dir_.File("clip_(new).mp4")));
  EXPECT_NE(result.err.find("libavfilter.so"), std::string::npos) << "the loader's list is there";
  EXPECT_EQ(result.err.find("libavdevice.so"), std::string::npos);
}

TEST_F(ZentrovaCli, DemoMakesASampleAndConvertsIt) {
  const CliResult result = RunCli(kCli, {"--demo", "--json"});
  ASSERT_EQ(result.exit_code, 0) << result.err;
  const std::vector<nlohmann::json> ends = EventsOf(JsonLines(result.out), "end");
  ASSERT_EQ(ends.size(), 1u);
  const std::string output = ends[0]["output"];
  const fs::path folder = fs::path(output).parent_path();
  EXPECT_NE(folder.filename().string().find("zentrova-demo-"), std::string::npos);
  const ProbedFile probed = ProbeFile(output);
  EXPECT_EQ(StreamOf(probed, AVMEDIA_TYPE_VIDEO)->codec, "h264");
  EXPECT_EQ(StreamOf(probed, AVMEDIA_TYPE_AUDIO)->codec, "mp3");
  EXPECT_NEAR(probed.duration_us / 1e6, 5.0, 0.3);
  fs::remove_all(folder);
}

}  // namespace
}  // namespace zentrova::test

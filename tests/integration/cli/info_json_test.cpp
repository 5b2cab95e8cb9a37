// zentrova-cli --info --json: the program describes generated files, and
// every object is compared with what the demuxer reads from the same file.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli_process.h"
#include "media/test_media.h"
#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const std::string kCli = ZENTROVA_CLI_PROGRAM;

std::vector<json> JsonLines(const std::string& out) {
  std::vector<json> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) lines.push_back(json::parse(line));
  return lines;
}

std::string KindOf(AVMediaType type) {
  static const std::map<AVMediaType, std::string> kKinds{{AVMEDIA_TYPE_VIDEO, "video"},
                                                         {AVMEDIA_TYPE_AUDIO, "audio"},
                                                         {AVMEDIA_TYPE_SUBTITLE, "subtitle"},
                                                         {AVMEDIA_TYPE_DATA, "data"},
                                                         {AVMEDIA_TYPE_ATTACHMENT, "attachment"}};
  const auto kind = kKinds.find(type);
  return kind == kKinds.end() ? "unknown" : kind->second;
}

std::string Tag(const std::map<std::string, std::string>& tags, const std::string& key) {
  const auto tag = tags.find(key);
  return tag == tags.end() ? "" : tag->second;
}

// The object of `path` says what the demuxer reads from it.
void ExpectAsProbed(const json& object, const std::string& path) {
  SCOPED_TRACE(path);
  const ProbedFile probed = ProbeFile(path);
  EXPECT_EQ(object["file"], path);
  EXPECT_EQ(object["container"], probed.format);
  EXPECT_EQ(object["duration_us"], probed.duration_us);
  EXPECT_EQ(object["size"], fs::file_size(path));
  using Tags = std::map<std::string, std::string>;
  EXPECT_EQ(object["tags"].get<Tags>(), probed.metadata);
  ASSERT_EQ(object["chapters"].size(), probed.chapter_titles.size());
  for (std::size_t i = 0; i < probed.chapter_titles.size(); ++i)
    EXPECT_EQ(object["chapters"][i]["title"], probed.chapter_titles[i]);

  ASSERT_EQ(object["streams"].size(), probed.streams.size());
  for (std::size_t i = 0; i < probed.streams.size(); ++i) {
    SCOPED_TRACE("stream " + std::to_string(i));
    const json& stream = object["streams"][i];
    const ProbedStream& p = probed.streams[i];
    EXPECT_EQ(stream["index"], i);
    EXPECT_EQ(stream["kind"], KindOf(p.type));
    EXPECT_EQ(stream["codec"], p.codec);
    EXPECT_EQ(stream["language"], Tag(p.metadata, "language"));
    EXPECT_EQ(stream["title"], Tag(p.metadata, "title"));
    EXPECT_EQ(stream["default"], (p.disposition & AV_DISPOSITION_DEFAULT) != 0);
    EXPECT_EQ(stream["forced"], (p.disposition & AV_DISPOSITION_FORCED) != 0);
    EXPECT_EQ(stream["attached_picture"], (p.disposition & AV_DISPOSITION_ATTACHED_PIC) != 0);
    if (p.type == AVMEDIA_TYPE_VIDEO) {
      EXPECT_EQ(stream["width"], p.width);
      EXPECT_EQ(stream["height"], p.height);
      EXPECT_EQ(stream["pixel_format"], p.pix_fmt);
      EXPECT_EQ(stream["rotation"], p.rotation_degrees);
    } else if (p.type == AVMEDIA_TYPE_AUDIO) {
      EXPECT_EQ(stream["sample_rate"], p.sample_rate);
      EXPECT_EQ(stream["channels"], p.channels);
      EXPECT_EQ(stream["sample_format"], p.sample_fmt);
    }
  }
}

class InfoJson : public ::testing::Test {
 protected:
  void SetUp() override { LoadMediaLibraries(); }

  std::string Make(const std::string& name, const ClipSpec& spec) {
    const std::string path = dir_.File(name);
    MakeClip(path, spec);
    return path;
  }

  TempDir dir_;
};

TEST_F(InfoJson, DescribesEachFileOnOneLineAsTheDemuxerReadsItAndAnUnreadableFileByItsError) {
  const std::string rotated = Make("旋转 clip.mp4", Mp4Rotated(90, 1.0));
  const std::string matroska = Make("subs.mkv", MatroskaWithSubtitles(1.0));
  const std::string flac = Make("tone.flac", Flac(1.0));
  const std::string cover = Make("cover.mp3", Mp3WithCover(1.0));
  const std::string garbage = dir_.File("garbage.mp4");
  MakeGarbageFile(garbage, 4000, 3);

  const CliResult result = RunCli(kCli, {"--info", "--json", rotated, garbage, matroska, flac, cover});
  EXPECT_EQ(result.exit_code, 1) << result.err;
  const std::vector<json> lines = JsonLines(result.out);
  ASSERT_EQ(lines.size(), 5u) << result.out;

  ExpectAsProbed(lines[0], rotated);
  EXPECT_EQ(lines[1]["file"], garbage);
  EXPECT_NE(lines[1]["error"].get<std::string>().find("garbage.mp4"), std::string::npos) << lines[1];
  EXPECT_FALSE(lines[1].contains("streams"));
  ExpectAsProbed(lines[2], matroska);
  ExpectAsProbed(lines[3], flac);
  ExpectAsProbed(lines[4], cover);

  // What the generator put in, independently of the demuxer.
  const json& video = lines[0]["streams"][0];
  EXPECT_EQ(video["rotation"], 90);
  EXPECT_EQ(video["frame_rate"], 25.0);
  EXPECT_EQ(video["frame_rate_ratio"], "25/1");
  EXPECT_EQ(video["display_aspect"], "4:3");
  EXPECT_FALSE(video["profile"].get<std::string>().empty());
  EXPECT_EQ(lines[0]["duration_us"], 1000000);
  EXPECT_EQ(lines[0]["streams"][1]["channel_layout"], "stereo");

  const json& mkv = lines[2];
  EXPECT_EQ(mkv["tags"]["title"], "Generated clip");
  ASSERT_EQ(mkv["chapters"].size(), 2u);
  EXPECT_EQ(mkv["chapters"][0]["start_us"], 0);
  EXPECT_EQ(mkv["chapters"][1]["start_us"], mkv["chapters"][0]["end_us"]);
  EXPECT_EQ(mkv["streams"][1]["language"], "eng");
  EXPECT_EQ(mkv["streams"][2]["kind"], "subtitle");
  EXPECT_EQ(mkv["streams"][2]["subtitle_type"], "text");

  ASSERT_EQ(lines[3]["streams"].size(), 1u);
  EXPECT_EQ(lines[3]["streams"][0]["sample_rate"], 44100);

  const json& picture = lines[4]["streams"][1];
  EXPECT_EQ(picture["kind"], "video");
  EXPECT_EQ(picture["codec"], "png");
  EXPECT_EQ(picture["attached_picture"], true);
  EXPECT_EQ(lines[4]["streams"][0]["attached_picture"], false);
}

TEST_F(InfoJson, ExitsWithZeroWhenEveryFileIsRead) {
  const std::string flac = Make("tone.flac", Flac(0.5));
  const CliResult result = RunCli(kCli, {"--info", "--json", flac});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  const std::vector<json> lines = JsonLines(result.out);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0]["streams"][0]["kind"], "audio");
}

}  // namespace
}  // namespace zentrova::test

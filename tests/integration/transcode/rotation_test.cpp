// The turn a player applies to show the picture: "-metadata:s:v rotate=N"
// becomes the output stream's display matrix, for copied and encoded
// streams, and a copied stream keeps its source's matrix unless the option
// overrides it. Every output is read back with the library's demuxer.
#include <gtest/gtest.h>

#include <string>

#include "media/test_media.h"
#include "support/libraries.h"
#include "support/temp_dir.h"
#include "transcode/engine_run.h"

namespace zentrova::test {
namespace {

struct RotationCase {
  const char* name;
  bool rotated_source;  ///< the source shows its picture turned 90 degrees clockwise
  const char* output;
  std::string output_options;
  double rotation;  ///< clockwise degrees read back
};

TEST(Rotation, RotateTagBecomesTheDisplayMatrixOfTheOutputStream) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string plain = dir.File("plain.mp4");
  const std::string rotated = dir.File("rotated.mp4");
  MakeClip(plain, Mp4H264Aac(0.4));
  MakeClip(rotated, Mp4Rotated(90, 0.4));
  const std::string encode = "-an -c:v mpeg4 ";
  const RotationCase cases[] = {
      {"copy keeps the source's turn", true, "copy.mp4", "-an -c:v copy", 90},
      {"copy, tag overrides", true, "copy_270.mp4", "-an -c:v copy -metadata:s:v rotate=270", 270},
      {"copy, negative tag", true, "copy_neg.mp4", "-an -c:v copy -metadata:s:v rotate=-90", 270},
      {"copy, emptied tag drops the turn", true, "copy_none.mp4", "-an -c:v copy -metadata:s:v rotate=", 0},
      {"encode, tag", false, "enc_90.mp4", encode + "-metadata:s:v rotate=90", 90},
      {"encode, tag on every video stream", false, "enc_180.mp4", encode + "-metadata:s rotate=180", 180},
      {"encode turns the picture upright", true, "enc_upright.mp4", encode, 0},
      {"encode upright, then tag", true, "enc_up_90.mp4", encode + "-metadata:s:v rotate=90", 90},
  };
  for (const RotationCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string output = dir.File(c.output);
    const EngineRun run = RunEngine({{c.rotated_source ? rotated : plain, ""}}, output, c.output_options);
    ASSERT_TRUE(run.finished) << run.message << "\n" << run.LogText();
    const ProbedFile probed = ProbeFile(output);
    ASSERT_EQ(probed.streams.size(), 1u);
    EXPECT_NEAR(probed.streams[0].rotation_degrees, c.rotation, 0.01);
  }
}

// The Matroska muxer of this library generation stores no display matrix;
// the tag itself is what the file keeps (and what the engine's autorotate
// reads back).
TEST(Rotation, MatroskaKeepsTheRotateTag) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string plain = dir.File("plain.mp4");
  MakeClip(plain, Mp4H264Aac(0.4));
  const std::string output = dir.File("copy.mkv");
  const EngineRun run = RunEngine({{plain, ""}}, output, "-an -c:v copy -metadata:s:v rotate=90");
  ASSERT_TRUE(run.finished) << run.message << "\n" << run.LogText();
  const ProbedFile probed = ProbeFile(output);
  ASSERT_EQ(probed.streams.size(), 1u);
  EXPECT_EQ(probed.streams[0].rotation_degrees, 0.0);
  const auto tag = probed.streams[0].metadata.find("ROTATE");
  ASSERT_NE(tag, probed.streams[0].metadata.end());
  EXPECT_EQ(tag->second, "90");
}

}  // namespace
}  // namespace zentrova::test

// Bad inputs and outputs: a damaged middle, a truncated file, a full disk.
// None may crash, none may pass a failure off as success, and every one
// keeps what could be converted.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "media/test_media.h"
#include "support/libraries.h"
#include "support/temp_dir.h"
#include "transcode/engine_run.h"
#include "transcode/packet_probe.h"

namespace zentrova::test {
namespace {

// Overwrites one video packet in the middle of `path` with 0xFF bytes.
void DamageMiddleVideoPacket(const std::string& path) {
  const std::vector<ProbedPacket> video = PacketsOf(ReadPackets(path), AVMEDIA_TYPE_VIDEO);
  ASSERT_GT(video.size(), 10u);
  const ProbedPacket* victim = nullptr;
  for (std::size_t i = video.size() / 2; i < video.size() && !victim; ++i)
    if (!video[i].key && video[i].size > 64 && video[i].pos >= 0) victim = &video[i];
  ASSERT_NE(victim, nullptr);
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(victim->pos);
  const std::string garbage(static_cast<std::size_t>(victim->size), '\xFF');
  file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
  ASSERT_TRUE(file.good());
}

TEST(BadInput, DamagedMiddleConvertsToTheEndAndCountsTheErrors) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string source = dir.File("damaged.avi");
  MakeClip(source, AviMpeg4Mp3(4.0));
  DamageMiddleVideoPacket(source);
  const std::string output = dir.File("out.mp4");
  const EngineRun run = RunEngine({{source, ""}}, output, kDefaultConversion);
  ASSERT_TRUE(run.opened) << run.message;
  EXPECT_TRUE(run.finished) << run.message << "\n" << run.LogText();
  EXPECT_FALSE(run.fatal);
  EXPECT_GE(run.decode_errors, 1);
  EXPECT_TRUE(run.Logged("Error while decoding stream #0:0: Invalid data found when processing input"))
      << run.LogText();
  EXPECT_TRUE(run.Logged(fmt::format("{} frames successfully decoded, {} decoding errors", run.frames_decoded,
                                     run.decode_errors)));
  EXPECT_NEAR(ProbeFile(output).duration_us / 1e6, 4.0, 0.15);
}

TEST(BadInput, DamagedMiddleWithXerrorEndsTheRun) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string source = dir.File("damaged.avi");
  MakeClip(source, AviMpeg4Mp3(4.0));
  DamageMiddleVideoPacket(source);
  const EngineRun run =
      RunEngine({{source, ""}}, dir.File("out.mp4"), std::string(kDefaultConversion) + " -xerror");
  ASSERT_TRUE(run.opened) << run.message;
  EXPECT_FALSE(run.finished);
  EXPECT_TRUE(run.fatal);
  EXPECT_EQ(run.message, "decode video error");
}

TEST(BadInput, TruncatedFileConvertsWhatItHolds) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string whole = dir.File("whole.mkv");
  ClipSpec spec = Mp4H264Aac(6.0);
  spec.format = "matroska";
  MakeClip(whole, spec);
  const std::string truncated = dir.File("half.mkv");
  MakeTruncatedCopy(whole, truncated, 0.5);
  const std::string output = dir.File("out.mp4");
  const EngineRun run = RunEngine({{truncated, ""}}, output, kDefaultConversion);
  ASSERT_TRUE(run.opened) << run.message;
  // The demuxer reads up to the cut and reports the end of the file there.
  EXPECT_TRUE(run.finished) << run.message << "\n" << run.LogText();
  EXPECT_FALSE(run.fatal);
  const double seconds = ProbeFile(output).duration_us / 1e6;
  EXPECT_GT(seconds, 1.5);
  EXPECT_LT(seconds, 4.5);
}

// A file system with a little room: a 1 MiB tmpfs where mounting is allowed,
// otherwise /dev/full (every write there fails with "no space").
class FullFileSystem {
 public:
  explicit FullFileSystem(const TempDir& dir) : mount_point_(dir.File("small")) {
    std::filesystem::create_directory(mount_point_);
    mounted_ = ::mount("tmpfs", mount_point_.c_str(), "tmpfs", 0, "size=1m") == 0;
  }
  ~FullFileSystem() {
    if (mounted_) ::umount(mount_point_.c_str());
  }
  std::string File(const std::string& name) const {
    return mounted_ ? mount_point_ + "/" + name : "/dev/full";
  }
  bool Mounted() const { return mounted_; }

 private:
  std::string mount_point_;
  bool mounted_ = false;
};

TEST(BadOutput, FullDiskEndsTheRunAsFailedWithTheWriteError) {
  LoadMediaLibraries();
  TempDir dir;
  const std::string source = dir.File("source.mp4");
  MakeClip(source, Mp4H264Aac(10.0));
  const FullFileSystem small(dir);
  // mpegts writes as it goes, so the disk fills up while packets are written.
  const EngineRun run =
      RunEngine({{source, ""}}, small.File("out.ts"), std::string(kDefaultConversion) + " -y -f mpegts");
  ASSERT_TRUE(run.opened) << run.message;
  EXPECT_FALSE(run.finished);
  EXPECT_TRUE(run.fatal);
  // The user reads the cause; the pointer to the component's log stays in the log.
  EXPECT_EQ(run.message, "av_interleaved_write_frame(): No space left on device") << run.LogText();
  EXPECT_TRUE(run.Logged("Please check error log message")) << run.LogText();
  if (small.Mounted()) {
    // The failed output's .part file is gone at once: the space is free again.
    EXPECT_FALSE(std::filesystem::exists(small.File("out.ts")));
    EXPECT_FALSE(std::filesystem::exists(small.File("out.ts.part")));
  }
}

}  // namespace
}  // namespace zentrova::test

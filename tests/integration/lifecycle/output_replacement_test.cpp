// An output's name holds either what it held before or a finished file:
// runs write NAME.EXT.part, locked, and rename it only when they end well.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "lifecycle_fixture.h"

namespace zentrova::test {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Write(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A lock on a file as another running conversion holds it (flock locks of
// separate opens conflict also within one process).
class HeldLock {
 public:
  explicit HeldLock(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666)) {
    EXPECT_EQ(::flock(fd_, LOCK_EX | LOCK_NB), 0);
  }
  ~HeldLock() { ::close(fd_); }
  HeldLock(const HeldLock&) = delete;
  HeldLock& operator=(const HeldLock&) = delete;

 private:
  int fd_;
};

enum class PartBefore { None, Stale, Locked };
enum class Run { Finish, Stop, NeverStart };

struct ReplacementCase {
  const char* name;
  const char* output_options;
  PartBefore part_before;
  Run run;
  bool replaced;        // the old output was replaced by a playable file
  const char* failure;  // part of the fatal message; empty: no failure
};

void PrintTo(const ReplacementCase& c, std::ostream* os) {
  *os << c.name;
}

class OutputReplacement : public LifecycleTest, public ::testing::WithParamInterface<ReplacementCase> {};

TEST_P(OutputReplacement, TheOldFileGoesOnlyForAFinishedOne) {
  const ReplacementCase& c = GetParam();
  const std::string input = Clip("in.mp4", Mp4H264Aac(c.run == Run::Stop ? 30 : 1));
  const std::string output = dir_.File("out.mp4");
  const std::string part = output + ".part";
  Write(output, "earlier output");
  if (c.part_before == PartBefore::Stale) Write(part, "left by a killed run");
  std::optional<HeldLock> other_writer;
  if (c.part_before == PartBefore::Locked) other_writer.emplace(part);

  auto task = MakeTask(input, "", output, c.output_options);
  EXPECT_EQ(ReadAll(output), "earlier output") << "adding a task changed the output";
  EXPECT_EQ(fs::exists(part), c.part_before != PartBefore::None) << "adding a task created the .part file";
  std::string message;
  bool fatal = false;
  if (c.run != Run::NeverStart) {
    task->OnTerminate = [&](TFFmpegTask* t) {
      fatal = t->FatalException();
      message = t->FatalMessage();
    };
    task->StartConvert();
    if (c.run == Run::Stop) {
      ASSERT_TRUE(WaitFor([&] { return FileSize(part) > 100000; }, 60000));
      task->Stop(TStopWait::swNoWait);
    }
    ASSERT_TRUE(WaitFor([&] { return task->Terminated(); }, 120000));
    task->Stop(TStopWait::swWait);
  }
  task.reset();

  EXPECT_EQ(fatal, *c.failure != '\0') << message;
  EXPECT_NE(message.find(c.failure), std::string::npos) << message;
  if (c.replaced) {
    EXPECT_GT(ProbeFile(output).duration_us, 0);
  } else {
    EXPECT_EQ(ReadAll(output), "earlier output");
  }
  // Only another writer's .part file stays; ours is renamed or removed.
  EXPECT_EQ(fs::exists(part), c.part_before == PartBefore::Locked);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OutputReplacement,
    ::testing::Values(
        ReplacementCase{"finished", "-c:v mpeg4 -c:a aac", PartBefore::None, Run::Finish, true, ""},
        ReplacementCase{"finished_over_stale_part", "-c:v mpeg4 -c:a aac", PartBefore::Stale, Run::Finish,
                        true, ""},
        ReplacementCase{"stopped", "-c:v mpeg4 -c:a aac", PartBefore::None, Run::Stop, true, ""},
        ReplacementCase{"never_started", "-c:v mpeg4 -c:a aac", PartBefore::None, Run::NeverStart, false, ""},
        // Ogg carries no 16-bit PCM, and its codec query cannot tell before the
        // run: the header fails after the .part was made.
        ReplacementCase{"failed_header", "-c:v mpeg4 -c:a pcm_s16le -f ogg", PartBefore::Stale, Run::Finish,
                        false, "Could not write header"},
        ReplacementCase{"another_writer", "-c:v mpeg4 -c:a aac", PartBefore::Locked, Run::Finish, false,
                        "is being written by another conversion"}),
    [](const ::testing::TestParamInfo<ReplacementCase>& info) { return std::string(info.param.name); });

TEST_F(LifecycleTest, AMuxerThatReadsItsOutputBackFindsThePartFile) {
  // Moving the index to the front reads the file written so far.
  const std::string output = dir_.File("fast.mp4");
  auto task = MakeTask(Clip("in.mp4", Mp4H264Aac(1)), "", output, "-c copy -movflags +faststart");
  task->StartConvert(TRunThread::rtCallingThread);
  EXPECT_TRUE(task->Finished()) << task->FatalMessage();
  task.reset();
  EXPECT_NEAR(ProbeFile(output).duration_us / 1e6, 1.0, 0.1);
  EXPECT_FALSE(fs::exists(output + ".part"));
}

}  // namespace
}  // namespace zentrova::test

// The encoder's deferred-open mode: building a long list keeps no file open,
// a bad file or option is still refused while the task is built, and every
// task opens its files when it runs.
#include <dirent.h>

#include <filesystem>
#include <string>

#include "encoder/encoder_task.h"
#include "encoder_fixture.h"

namespace zentrova::test {
namespace {

// The process's open file descriptors.
int OpenDescriptors() {
  int count = 0;
  DIR* dir = ::opendir("/proc/self/fd");
  if (!dir) return -1;
  while (const dirent* entry = ::readdir(dir))
    if (entry->d_name[0] != '.') ++count;
  ::closedir(dir);
  return count - 1;  // the listing's own
}

class DeferredOpen : public EncoderTest {
 protected:
  void SetUp() override {
    EncoderTest::SetUp();
    encoder_->SetDeferredOpen(true);
  }
};

TEST_F(DeferredOpen, ALongListHoldsNoFileUntilItsTasksRun) {
  constexpr int kTasks = 12;
  const std::string clip = Clip("in.mp4", 5);
  terminations_.Attach(*encoder_);
  const int before = OpenDescriptors();
  for (int i = 0; i < kTasks; ++i) ASSERT_EQ(AddConversion(clip, Out("out" + std::to_string(i) + ".mp4")), i);
  EXPECT_EQ(OpenDescriptors(), before);
  EXPECT_EQ(encoder_->GetTask(0)->InputCount(), 1);
  EXPECT_EQ(encoder_->GetTask(0)->OutputCount(), 1);
  EXPECT_EQ(encoder_->GetTask(0)->Decoder(0), nullptr);      // nothing opened to read
  EXPECT_TRUE(encoder_->GetTask(0)->OptionTable().empty());  // nor the option table built
  // A waiting task is this object plus its names and option texts: the hook
  // pictures, files and streams of a run are made when it runs.
  EXPECT_LE(sizeof(TFFmpeg), 2048u);
  EXPECT_FALSE(std::filesystem::exists(Out("out0.mp4")));

  encoder_->Start(2);
  ASSERT_TRUE(WaitFor([&] { return terminations_.RunEnded(); }));
  for (const TerminateRecord& record : terminations_.Records()) {
    if (record.info.TaskIndex < 0) continue;
    EXPECT_TRUE(record.info.Finished) << record.info.TaskIndex << ": " << record.info.ExceptionMsg;
  }
  for (int i = 0; i < kTasks; ++i)
    EXPECT_EQ(ProbeFile(Out("out" + std::to_string(i) + ".mp4")).streams.size(), 1u);
  encoder_->ClearTasks();
  EXPECT_EQ(OpenDescriptors(), before);
}

struct RefusalCase {
  const char* name;
  bool missing_input;
  const char* output_options;
  const char* message;
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
  *os << c.name;
}

class DeferredRefusal : public DeferredOpen, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(DeferredRefusal, ComesWhenTheTaskIsBuilt) {
  const RefusalCase& c = GetParam();
  const std::string input = c.missing_input ? Out("missing.mp4") : Clip("in.mp4", 5);
  const int before = OpenDescriptors();
  const int task = encoder_->AddTask(input);
  ASSERT_GE(task, 0) << encoder_->LastErrMsg();
  EXPECT_LT(encoder_->SetOutput(task, Out("out.mp4"), c.output_options, ""), 0);
  EXPECT_NE(encoder_->LastErrMsg().find(c.message), std::string::npos) << encoder_->LastErrMsg();
  EXPECT_EQ(encoder_->GetTask(task)->OutputCount(), 0);
  EXPECT_EQ(OpenDescriptors(), before);
  EXPECT_FALSE(std::filesystem::exists(Out("out.mp4")));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DeferredRefusal,
    ::testing::Values(RefusalCase{"missing_input", true, "-c:v mpeg4", "missing.mp4"},
                      RefusalCase{"unknown_encoder", false, "-c:v no_such_encoder", "no_such_encoder"}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zentrova::test

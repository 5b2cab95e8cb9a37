// Building tasks: libraries, AddTask / AddInput / SetOutput and their
// failures, option records, the list operations and the properties.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "encoder/encoder_task.h"
#include "encoder_fixture.h"
#include "log/threads.h"
#include "media/library_loader.h"

namespace zentrova::test {
namespace {

using EncoderBuild = EncoderTest;

// Runs `fn` and gives the text of the std::runtime_error it throws ("" when none).
template <typename Fn>
std::string ErrorOf(Fn fn) {
  try {
    fn();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return {};
}

TEST_F(EncoderBuild, AddTaskBeforeTheLibrariesAreLoadedIsRefused) {
  const std::string input = Clip("in.mp4");
  encoder_->UnloadAVLib();
  ASSERT_FALSE(encoder_->AVLibLoaded());
  EXPECT_EQ(ErrorOf([&] { encoder_->AddTask(input); }), "FFmpeg libraries not loaded.");
  EXPECT_EQ(ErrorOf([&] { encoder_->AddTask(input, "-ss 0", ""); }), "FFmpeg libraries not loaded.");
  EXPECT_EQ(encoder_->TasksCount(), 0);
  ASSERT_TRUE(encoder_->LoadAVLib(""));
  EXPECT_TRUE(encoder_->AVLibLoaded());
  EXPECT_GE(encoder_->AddTask(input), 0) << encoder_->LastErrMsg();
}

TEST_F(EncoderBuild, UnloadIsRefusedWhileTasksExist) {
  ASSERT_EQ(encoder_->AddTask(Clip("in.mp4")), 0) << encoder_->LastErrMsg();
  EXPECT_EQ(ErrorOf([&] { encoder_->UnloadAVLib(); }), "Cannot UnloadAVLib while tasks exist.");
  EXPECT_TRUE(encoder_->AVLibLoaded());
}

TEST_F(EncoderBuild, LoadFromAFolderWithoutLibrariesFallsBackToTheSystem) {
  encoder_->UnloadAVLib();
  ASSERT_FALSE(encoder_->AVLibLoaded());
  // A folder without the libraries is searched first, then the system.
  EXPECT_TRUE(encoder_->LoadAVLib(dir_.Path().string())) << encoder_->LastErrMsg();
  EXPECT_TRUE(encoder_->AVLibLoaded());
  EXPECT_GE(encoder_->AddTask(Clip("in.mp4")), 0) << encoder_->LastErrMsg();
}

struct InvalidOptionCase {
  bool halt;
  bool added;
};
void PrintTo(const InvalidOptionCase& c, std::ostream* os) {
  *os << (c.halt ? "halting" : "not halting");
}

class InvalidInputOption : public EncoderBuild, public ::testing::WithParamInterface<InvalidOptionCase> {};

TEST_P(InvalidInputOption, FailsTheOpenOnlyWhenHalting) {
  const InvalidOptionCase& c = GetParam();
  encoder_->SetHaltOnInvalidOption(c.halt);
  const int result = encoder_->AddTask(Clip("in.mp4"), "-no_such_opt 1", "");
  if (c.added) {
    EXPECT_EQ(result, 0) << encoder_->LastErrMsg();
    EXPECT_EQ(encoder_->TasksCount(), 1);
  } else {
    EXPECT_LT(result, 0);
    EXPECT_EQ(encoder_->TasksCount(), 0);
    EXPECT_NE(encoder_->LastErrMsg().find("no_such_opt"), std::string::npos) << encoder_->LastErrMsg();
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, InvalidInputOption,
                         ::testing::Values(InvalidOptionCase{true, false}, InvalidOptionCase{false, true}));

// Inputs that cannot be opened: a clear message, no task, the file untouched.
TEST_F(EncoderBuild, BadInputsGiveAMessageAndLeaveNoTaskAndTheFileAsItWas) {
  const std::string real = Clip("real.mp4");
  const std::string empty = Out("empty.mp4");
  const std::string truncated = Out("truncated.mp4");
  const std::string garbage = Out("garbage.mp4");
  const std::string named = Out("名前 ünïcode.mp4");
  MakeEmptyFile(empty);
  MakeTruncatedCopy(real, truncated, 0.02);
  MakeGarbageFile(garbage, 4096, 7);
  MakeGarbageFile(named, 2048, 9);
  for (const std::string& path : {Out("missing.mp4"), empty, truncated, garbage, named}) {
    const bool existed = std::filesystem::exists(path);
    const auto size = existed ? std::filesystem::file_size(path) : 0;
    const int result = encoder_->AddTask(path);
    EXPECT_LT(result, 0) << path;
    EXPECT_FALSE(encoder_->LastErrMsg().empty()) << path;
    EXPECT_EQ(encoder_->TasksCount(), 0) << path;
    EXPECT_EQ(std::filesystem::exists(path), existed) << path;
    if (existed) {
      EXPECT_EQ(std::filesystem::file_size(path), size) << path;
    }
  }
}

TEST_F(EncoderBuild, ARecordWithoutNameTakesTheCallsNameAndTheTaskKeepsACopy) {
  const std::string input = Clip("in.mp4");
  TInputOptions record;
  record.Options = "-ss 0.1";
  record.Tag = 42;
  const int index = encoder_->AddTask(input, &record);
  ASSERT_EQ(index, 0) << encoder_->LastErrMsg();
  EXPECT_EQ(record.FileName, input);
  TFFmpeg* task = encoder_->GetTask(index);
  ASSERT_NE(task, nullptr);
  ASSERT_EQ(task->InputOptions().size(), 1u);
  EXPECT_EQ(task->InputOptions()[0].FileName, input);
  EXPECT_EQ(task->InputOptions()[0].Tag, 42);
  EXPECT_EQ(task->InputCount(), 1);
  EXPECT_EQ(task->Parent(), encoder_.get());

  TOutputOptions output;
  output.Options = "-c:v mpeg4";
  output.Tag = 5;
  ASSERT_GE(encoder_->SetOutput(index, Out("out.mp4"), &output), 0) << encoder_->LastErrMsg();
  EXPECT_EQ(output.FileName, Out("out.mp4"));
  ASSERT_EQ(task->OutputOptions().size(), 1u);
  EXPECT_EQ(task->OutputOptions()[0].Tag, 5);
}

TEST_F(EncoderBuild, TheTaskDecoderReadsTheOpenedInputUntilTheRunStarts) {
  const std::string input = Clip("in.mp4", 10, 96, 64);
  ASSERT_EQ(encoder_->AddTask(input), 0);
  ASSERT_EQ(encoder_->AddInput(0, Clip("second.mp4", 5, 64, 48)), 1) << encoder_->LastErrMsg();
  TFFmpeg* task = encoder_->GetTask(0);
  EXPECT_NE(task->Decoder(0), nullptr);
  EXPECT_NE(task->Decoder(1), nullptr);
  EXPECT_EQ(task->Decoder(2), nullptr);
  ASSERT_GE(encoder_->SetOutput(0, Out("out.mp4"), "-map 0:v -c:v mpeg4", ""), 0) << encoder_->LastErrMsg();
  terminations_.Attach(*encoder_);
  encoder_->Start(1);
  // The run releases the inputs: the decoders let go of them at the start.
  EXPECT_EQ(task->Decoder(0), nullptr);
  EXPECT_EQ(task->Decoder(1), nullptr);
  ASSERT_TRUE(WaitFor([&] { return terminations_.RunEnded(); }));
}

TEST_F(EncoderBuild, OnBeforeFindStreamInfoGetsTheTaskBeforeAddTaskReturns) {
  TFFmpeg* sender = nullptr;
  AVFormatContext* context = nullptr;
  unsigned thread = 0;
  int calls = 0;
  encoder_->SetOnBeforeFindStreamInfo([&](TFFmpeg* task, AVFormatContext* ic) {
    sender = task;
    context = ic;
    thread = CurrentThreadId();
    ++calls;
  });
  const int index = encoder_->AddTask(Clip("in.mp4"));
  ASSERT_EQ(index, 0) << encoder_->LastErrMsg();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(sender, encoder_->GetTask(index));
  EXPECT_NE(context, nullptr);
  EXPECT_EQ(thread, CurrentThreadId());
  ASSERT_EQ(encoder_->AddInput(index, Clip("second.mp4")), 1);
  EXPECT_EQ(calls, 2);
}

TEST_F(EncoderBuild, SetOutputFailureKeepsTheTaskForAnotherTry) {
  const int index = encoder_->AddTask(Clip("in.mp4"));
  ASSERT_EQ(index, 0);
  TOutputOptions record;
  record.Options = "-c:v no_such_encoder";
  record.Tag = 3;
  EXPECT_LT(encoder_->SetOutput(index, Out("bad.mp4"), &record), 0);
  EXPECT_NE(encoder_->LastErrMsg().find("no_such_encoder"), std::string::npos) << encoder_->LastErrMsg();
  EXPECT_EQ(encoder_->TasksCount(), 1);
  TFFmpeg* task = encoder_->GetTask(index);
  EXPECT_EQ(task->OutputCount(), 0);
  for (const TOutputOptions& kept : task->OutputOptions()) {
    EXPECT_EQ(kept.Tag, 0);  // the copy was reset
  }
  EXPECT_GE(encoder_->SetOutput(index, Out("good.mp4"), "-c:v mpeg4", ""), 0) << encoder_->LastErrMsg();
  EXPECT_EQ(task->OutputCount(), 1);
}

TEST_F(EncoderBuild, AnInvalidHookDepthFailsTheOutput) {
  ASSERT_EQ(encoder_->AddTask(Clip("in.mp4")), 0);
  TOutputOptions record;
  record.Options = "-c:v mpeg4";
  record.VideoInputHook = true;
  record.VideoHookBitsPixel = 12;
  EXPECT_EQ(encoder_->SetOutput(0, Out("out.mp4"), &record), -1);
  EXPECT_EQ(encoder_->LastErrMsg(), "Invalid BitsPixel 12");
  EXPECT_EQ(encoder_->GetTask(0)->OutputCount(), 0);
  EXPECT_FALSE(std::filesystem::exists(Out("out.mp4")));
}

TEST_F(EncoderBuild, AddInputFailureKeepsTheTask) {
  ASSERT_EQ(encoder_->AddTask(Clip("in.mp4")), 0);
  TInputOptions record;
  record.Tag = 9;
  EXPECT_LT(encoder_->AddInput(0, Out("missing.mp4"), &record), 0);
  EXPECT_FALSE(encoder_->LastErrMsg().empty());
  TFFmpeg* task = encoder_->GetTask(0);
  EXPECT_EQ(task->InputCount(), 1);
  ASSERT_EQ(task->InputOptions().size(), 2u);
  EXPECT_EQ(task->InputOptions()[1].Tag, 0);
}

TEST_F(EncoderBuild, StreamFormsAreRefusedWithTheirName) {
  ASSERT_EQ(encoder_->AddTask(Clip("in.mp4")), 0);
  TStream stream;
  const std::string name = MemoryStreamName(stream, "clip");
  EXPECT_EQ(name.rfind("memory:", 0), 0u);
  EXPECT_EQ(encoder_->AddTask(stream, "clip", "", ""), -1);
  EXPECT_EQ(encoder_->LastErrMsg(), StreamNotSupportedMessage(name));
  EXPECT_EQ(encoder_->AddInput(0, stream, "clip", "", ""), -1);
  EXPECT_EQ(encoder_->SetOutput(0, stream, "clip", "-c:v mpeg4", ""), -1);
  EXPECT_NE(encoder_->LastErrMsg().find(name), std::string::npos);
  EXPECT_EQ(encoder_->TasksCount(), 1);
}

TEST_F(EncoderBuild, ListOperationsMoveTasksAndCheckTheIndex) {
  const std::string input = Clip("in.mp4");
  for (int i = 0; i < 3; ++i) ASSERT_EQ(encoder_->AddTask(input), i);
  TFFmpeg* first = encoder_->GetTask(0);
  TFFmpeg* last = encoder_->GetTask(2);
  encoder_->Exchange(0, 2);
  EXPECT_EQ(encoder_->GetTask(0), last);
  EXPECT_EQ(encoder_->GetTaskIndex(first), 2);
  encoder_->RemoveTask(0);
  EXPECT_EQ(encoder_->TasksCount(), 2);
  EXPECT_EQ(encoder_->GetTaskIndex(first), 1);
  EXPECT_EQ(encoder_->GetTaskIndex(nullptr), -1);
  EXPECT_THROW(encoder_->GetTask(2), std::out_of_range);
  EXPECT_THROW(encoder_->RemoveTask(-1), std::out_of_range);
  EXPECT_THROW(encoder_->AddInput(5, input), std::out_of_range);
  EXPECT_THROW(encoder_->SetOutput(2, Out("x.mp4")), std::out_of_range);
  encoder_->ClearTasks();
  EXPECT_EQ(encoder_->TasksCount(), 0);
}

TEST_F(EncoderBuild, IntervalsNeverGoBelowTenMillisecondsAndReachTheTasks) {
  EXPECT_EQ(encoder_->PreviewInterval(), 100);
  EXPECT_EQ(encoder_->ProgressInterval(), 500);
  ASSERT_EQ(encoder_->AddTask(Clip("in.mp4")), 0);
  EXPECT_EQ(encoder_->GetTask(0)->FPreviewInterval, 100000);
  EXPECT_EQ(encoder_->GetTask(0)->FReportInterval, 500000);
  encoder_->SetPreviewInterval(5);
  encoder_->SetProgressInterval(-3);
  EXPECT_EQ(encoder_->PreviewInterval(), 10);
  EXPECT_EQ(encoder_->ProgressInterval(), 10);
  EXPECT_EQ(encoder_->GetTask(0)->FPreviewInterval, 10000);
  EXPECT_EQ(encoder_->GetTask(0)->FReportInterval, 10000);
  encoder_->SetPreviewInterval(250);
  EXPECT_EQ(encoder_->GetTask(0)->FPreviewInterval, 250000);
  encoder_->SetReadTimeout(1234);
  EXPECT_EQ(encoder_->GetTask(0)->FReadTimeout, 1234);
}

TEST_F(EncoderBuild, PreviewSettingsChangeOnlyTheirOwnPostHook) {
  ASSERT_EQ(encoder_->AddTask(Clip("in.mp4")), 0);
  TFFmpeg* task = encoder_->GetTask(0);
  EXPECT_TRUE(task->PostHooks().Empty());
  encoder_->SetPreviewBitmap(true);
  EXPECT_TRUE(task->PostHooks().Has(TPostHook::phBitmap));
  encoder_->SetPreview(true);
  EXPECT_TRUE(task->PostHooks().Has(TPostHook::phPreview));
  EXPECT_TRUE(task->PostHooks().Has(TPostHook::phBitmap));
  encoder_->SetPreviewBitmap(false);
  EXPECT_FALSE(task->PostHooks().Has(TPostHook::phBitmap));
  EXPECT_TRUE(task->PostHooks().Has(TPostHook::phPreview));
  // A new task takes the settings.
  ASSERT_EQ(encoder_->AddTask(Clip("in.mp4")), 1);
  EXPECT_TRUE(encoder_->GetTask(1)->PostHooks().Has(TPostHook::phPreview));
  EXPECT_FALSE(encoder_->GetTask(1)->PostHooks().Has(TPostHook::phBitmap));
}

TEST_F(EncoderBuild, DefaultsOfTheComponent) {
  EXPECT_STREQ(encoder_->ClassName(), "TDERodorir");
  EXPECT_FALSE(encoder_->AutoReleaseTask());
  EXPECT_TRUE(encoder_->HaltOnInvalidOption());
  EXPECT_FALSE(encoder_->Preview());
  EXPECT_FALSE(encoder_->PreviewBitmap());
  EXPECT_EQ(encoder_->ThreadPriority(), TThreadPriority::tpNormal);
  EXPECT_TRUE(encoder_->TriggerEventInMainThread());
  EXPECT_EQ(encoder_->ReadTimeout(), 30000);
  EXPECT_EQ(encoder_->WriteTimeout(), 30000);
  EXPECT_FALSE(encoder_->Working());
  EXPECT_FALSE(encoder_->Terminated());
  EXPECT_FALSE(encoder_->Paused());
  EXPECT_EQ(encoder_->TasksCount(), 0);
}

}  // namespace
}  // namespace zentrova::test

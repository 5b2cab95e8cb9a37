// The encoder's events: hooks on the task's thread, progress, preview and
// termination on the main thread (or taking turns on the workers), hook
// answers, failures reported in the termination record, filter commands.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "encoder/encoder_task.h"
#include "encoder_fixture.h"
#include "log/threads.h"

namespace zentrova::test {
namespace {

// Thread ids an event ran on, and how many calls overlapped.
class EventThreads {
 public:
  void Enter() {
    std::lock_guard lock(mutex_);
    threads_.insert(CurrentThreadId());
    max_overlap_ = std::max(max_overlap_, ++running_);
    ++calls_;
  }
  void Leave() {
    std::lock_guard lock(mutex_);
    --running_;
  }
  std::set<unsigned> Threads() const {
    std::lock_guard lock(mutex_);
    return threads_;
  }
  int Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  int MaxOverlap() const {
    std::lock_guard lock(mutex_);
    return max_overlap_;
  }

 private:
  mutable std::mutex mutex_;
  std::set<unsigned> threads_;  // guarded by mutex_
  int running_ = 0;             // guarded by mutex_
  int max_overlap_ = 0;         // guarded by mutex_
  int calls_ = 0;               // guarded by mutex_
};

class EncoderEvents : public EncoderTest {
 protected:
  void AddTasks(int count, const std::string& input, const std::string& input_options,
                const std::string& output_options) {
    for (int i = 0; i < count; ++i) {
      ASSERT_EQ(encoder_->AddTask(input, input_options, ""), i) << encoder_->LastErrMsg();
      ASSERT_GE(encoder_->SetOutput(i, Out("out" + std::to_string(i) + ".mp4"), output_options, ""), 0)
          << encoder_->LastErrMsg();
    }
  }
  void RunToTheEnd(int thread_count) {
    terminations_.Attach(*encoder_);
    encoder_->Start(thread_count);
    ASSERT_TRUE(WaitFor([&] { return terminations_.RunEnded(); }));
  }
};

TEST_F(EncoderEvents, WithTheTriggerProgressPreviewAndTerminationRunOnTheMainThreadAndHooksOnWorkers) {
  AddTasks(2, Clip("in.mp4", 12), "-re", "-VideoOutputHook -FrameInputHook -c:v mpeg4 -an");
  encoder_->SetProgressInterval(10);
  encoder_->SetPreviewInterval(10);
  encoder_->SetPreviewBitmap(true);
  EventThreads progress, preview, video_hook, frame_hook;
  std::atomic<int> preview_width{0};
  std::set<int> progress_tasks;  // main thread only
  encoder_->SetOnProgress([&](TCustomEncoder*, TProgressInfo& info) {
    progress.Enter();
    progress_tasks.insert(info.TaskIndex);
    progress.Leave();
  });
  encoder_->SetOnPreviewBitmap([&](TCustomEncoder*, const TPreviewInfo& info) {
    preview.Enter();
    if (info.Bitmap) preview_width = info.Bitmap->Width();
    preview.Leave();
  });
  encoder_->SetOnVideoOutputHook([&](TCustomEncoder*, THookInfo&) {
    video_hook.Enter();
    video_hook.Leave();
  });
  encoder_->SetOnFrameInputHook([&](TCustomEncoder*, TFrameHookInfo& info) {
    frame_hook.Enter();
    EXPECT_NE(info.Picture, nullptr);
    EXPECT_EQ(info.Width, 96);
    EXPECT_EQ(info.Height, 64);
    frame_hook.Leave();
  });
  RunToTheEnd(2);

  const std::set<unsigned> main_only{CurrentThreadId()};
  EXPECT_GT(progress.Calls(), 0);
  EXPECT_EQ(progress.Threads(), main_only);
  EXPECT_EQ(progress_tasks, (std::set<int>{0, 1}));
  EXPECT_GT(preview.Calls(), 0);
  EXPECT_EQ(preview.Threads(), main_only);
  EXPECT_EQ(preview_width.load(), 96);
  for (const TerminateRecord& r : terminations_.Records()) EXPECT_EQ(r.thread_id, CurrentThreadId());
  EXPECT_EQ(video_hook.Calls(), 24);
  EXPECT_EQ(frame_hook.Calls(), 24);
  EXPECT_EQ(video_hook.Threads().count(CurrentThreadId()), 0u);
  EXPECT_EQ(frame_hook.Threads().count(CurrentThreadId()), 0u);
  EXPECT_EQ(video_hook.MaxOverlap(), 1);
}

TEST_F(EncoderEvents, WithoutTheTriggerProgressRunsOnTheWorkersOneAtATime) {
  AddTasks(2, Clip("in.mp4", 25), "-re", "-c:v mpeg4 -an");
  encoder_->SetTriggerEventInMainThread(false);
  encoder_->SetProgressInterval(10);
  EventThreads progress;
  encoder_->SetOnProgress([&](TCustomEncoder*, TProgressInfo&) {
    progress.Enter();
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    progress.Leave();
  });
  RunToTheEnd(2);
  EXPECT_GT(progress.Calls(), 4);
  EXPECT_EQ(progress.MaxOverlap(), 1);
  EXPECT_EQ(progress.Threads().count(CurrentThreadId()), 0u);
  EXPECT_GE(progress.Threads().size(), 2u);
  // Terminations are delivered off the main thread, one at a time.
  for (const TerminateRecord& r : terminations_.Records()) EXPECT_NE(r.thread_id, CurrentThreadId());
  EXPECT_EQ(terminations_.MaxOverlap(), 1);
}

struct HookConnection {
  const char* name;
  bool record_form;
};
void PrintTo(const HookConnection& c, std::ostream* os) {
  *os << c.name;
}

class InputVideoHook : public EncoderEvents, public ::testing::WithParamInterface<HookConnection> {};

TEST_P(InputVideoHook, IsCalledOncePerPictureWithItsNumber) {
  const std::string input = Clip("in.mp4", 10);
  ASSERT_EQ(encoder_->AddTask(input), 0);
  if (GetParam().record_form) {
    TOutputOptions record;
    record.Options = "-vcodec mpeg4";
    record.VideoInputHook = true;
    record.VideoHookBitsPixel = 24;
    ASSERT_GE(encoder_->SetOutput(0, Out("out.mp4"), &record), 0) << encoder_->LastErrMsg();
  } else {
    ASSERT_GE(encoder_->SetOutput(0, Out("out.mp4"), "-videoinputhook -vcodec mpeg4", ""), 0)
        << encoder_->LastErrMsg();
  }
  std::vector<int> numbers;
  std::vector<int> tasks;
  std::mutex mutex;
  encoder_->SetOnVideoInputHook([&](TCustomEncoder* sender, THookInfo& info) {
    std::lock_guard lock(mutex);
    EXPECT_EQ(sender, encoder_.get());
    EXPECT_NE(info.Bitmap, nullptr);
    if (info.Bitmap) {
      // The record asks for 24 bits; the option text leaves the default 32.
      EXPECT_EQ(info.Bitmap->BitsPerPixel(), GetParam().record_form ? 24 : 32);
      EXPECT_EQ(info.Bitmap->Width(), 96);
    }
    EXPECT_TRUE(info.Update);
    EXPECT_FALSE(info.StopHook);
    numbers.push_back(info.FrameNumber);
    tasks.push_back(info.TaskIndex);
  });
  RunToTheEnd(1);
  std::lock_guard lock(mutex);
  ASSERT_EQ(numbers.size(), 10u);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(numbers[static_cast<std::size_t>(i)], i + 1);
    EXPECT_EQ(tasks[static_cast<std::size_t>(i)], 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Forms, InputVideoHook,
                         ::testing::Values(HookConnection{"words", false}, HookConnection{"record", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EncoderEvents, AHookThatAsksToStopIsCalledOncePerTask) {
  AddTasks(2, Clip("in.mp4", 8), "", "-VideoInputHook -c:v mpeg4 -an");
  std::mutex mutex;
  std::vector<int> calls(2, 0);
  encoder_->SetOnVideoInputHook([&](TCustomEncoder*, THookInfo& info) {
    std::lock_guard lock(mutex);
    ++calls.at(static_cast<std::size_t>(info.TaskIndex));
    info.StopHook = true;
  });
  RunToTheEnd(2);
  EXPECT_EQ(calls, (std::vector<int>{1, 1}));
  EXPECT_EQ(CountVideoFrames(Out("out0.mp4")), 8);
}

// A white box drawn by the output video hook shows in the output only when
// the hook asks for the update.
TEST_F(EncoderEvents, TheOutputHookDrawingReachesTheOutputOnlyWithUpdate) {
  const std::string input = Clip("in.mp4", 6);
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(encoder_->AddTask(input), i);
    const std::string words = i == 2 ? "" : "-VideoOutputHook ";
    ASSERT_GE(
        encoder_->SetOutput(i, Out("out" + std::to_string(i) + ".mp4"), words + "-c:v mpeg4 -q:v 2", ""), 0)
        << encoder_->LastErrMsg();
  }
  encoder_->SetOnVideoOutputHook([](TCustomEncoder*, THookInfo& info) {
    TBitmap& bitmap = *info.Bitmap;
    const int bytes = bitmap.BitsPerPixel() / 8;
    for (int row = 16; row < 48; ++row) {
      std::uint8_t* line = bitmap.ScanLine(row);
      for (int col = 16 * bytes; col < 64 * bytes; ++col) line[col] = 0xFF;
    }
    info.Update = info.TaskIndex == 0;
  });
  RunToTheEnd(1);
  const double drawn = MeanLuma(Out("out0.mp4"), 3, 20, 20, 40, 24);
  const double untouched = MeanLuma(Out("out1.mp4"), 3, 20, 20, 40, 24);
  const double plain = MeanLuma(Out("out2.mp4"), 3, 20, 20, 40, 24);
  EXPECT_GT(drawn, 220);
  EXPECT_NEAR(untouched, plain, 3);
  EXPECT_LT(plain, 200);
}

TEST_F(EncoderEvents, AudioHooksSeeTheSamplesOnTheWorker) {
  ClipSpec spec;
  spec.format = "wav";
  spec.duration_s = 0.5;
  spec.audio.push_back(AudioSpec{"pcm_s16le", 44100, 2, "", "", 0});
  const std::string input = Out("in.wav");
  MakeClip(input, spec);
  ASSERT_EQ(encoder_->AddTask(input), 0);
  ASSERT_GE(encoder_->SetOutput(0, Out("out.wav"), "-AudioInputHook -AudioOutputHook -c:a pcm_s16le", ""), 0)
      << encoder_->LastErrMsg();
  std::atomic<long long> in_bytes{0}, out_bytes{0};
  std::atomic<int> wrong{0};
  encoder_->SetOnAudioInputHook([&](TCustomEncoder*, int task, std::int64_t, AVFrame* frame, int size,
                                    int rate, int channels, AVSampleFormat) {
    if (task != 0 || !frame || rate != 44100 || channels != 2 || CurrentThreadId() == 0) ++wrong;
    in_bytes += size;
  });
  encoder_->SetOnAudioOutputHook([&](TCustomEncoder*, int, std::int64_t, AVFrame*, int size, int, int,
                                     AVSampleFormat) { out_bytes += size; });
  RunToTheEnd(1);
  EXPECT_EQ(wrong.load(), 0);
  // Half a second of 16-bit stereo at 44.1 kHz.
  EXPECT_EQ(in_bytes.load(), 22050 * 4);
  EXPECT_EQ(out_bytes.load(), 22050 * 4);
}

TEST_F(EncoderEvents, ARunFailureIsReportedWithItsMessage) {
  // The encoder cannot take a frame size this large: the run fails when it
  // opens the encoder, after the output was accepted.
  AddTasks(1, Clip("in.mp4", 4), "", "-c:v mpeg4 -s 9000x9000");
  RunToTheEnd(1);
  const std::vector<TerminateRecord> records = terminations_.Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_FALSE(records[0].info.Finished);
  EXPECT_TRUE(records[0].info.Exception);
  EXPECT_FALSE(records[0].info.ExceptionMsg.empty());
  EXPECT_TRUE(records[1].info.Finished);  // the end of the run itself
}

TEST_F(EncoderEvents, FilterCommandsReachThePreparedTask) {
  AddTasks(1, Clip("in.mp4", 4), "", "-vf hue=s=1 -c:v mpeg4");
  EXPECT_TRUE(encoder_->InitTask(0)) << encoder_->LastErrMsg();
  EXPECT_TRUE(encoder_->SendFilterCommand(0, "hue", "s", "0", 0)) << encoder_->GetTask(0)->FLastErrMsg;
  EXPECT_FALSE(encoder_->SendFilterCommand(0, "no_such_filter", "s", "0", 0));
  EXPECT_TRUE(encoder_->QueueFilterCommand(0, "hue", "s", "1", 0, 0.1));
  RunToTheEnd(1);
  EXPECT_TRUE(terminations_.Records().front().info.Finished);
}

}  // namespace
}  // namespace zentrova::test

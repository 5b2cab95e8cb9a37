// Audio, video and frame hooks of a running task, on both sides of the
// pipeline, seen in the converted output.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "lifecycle_fixture.h"

namespace zentrova::test {
namespace {

class TaskHooks : public LifecycleTest {
 protected:
  // Two seconds of 320x240 at 25 fps: 50 pictures.
  std::string Input() { return Clip("in.mp4", Mp4H264Aac(2)); }
  static constexpr const char* kVideoOnly = "-an -c:v libx264 -threads 1";

  // Converts with `setup` applied to the task; the run must finish.
  void Convert(const std::string& output, const std::string& options,
               const std::function<void(TFFmpegTask&)>& setup) {
    auto task = MakeTask(Input(), "", output, options);
    setup(*task);
    task->StartConvert(TRunThread::rtWorkerThread);
    ASSERT_TRUE(WaitFor([&] { return task->Terminated(); }, 120000));
  }
};

TEST_F(TaskHooks, HookThatAsksToStopIsCalledOnce) {
  std::atomic<int> calls{0};
  std::atomic<bool> finished{false};
  const std::string output = dir_.File("stop_hook.mp4");
  auto task = MakeTask(Input(), "", output, kVideoOnly);
  task->OnOutputVideoHook = [&](TFFmpegTask*, TBitmap&, int, std::int64_t, bool&, bool& stop_hook) {
    ++calls;
    stop_hook = true;
  };
  task->OnTerminate = [&](TFFmpegTask* t) { finished = t->Finished(); };
  task->StartConvert();
  ASSERT_TRUE(WaitFor([&] { return task->Terminated(); }, 120000));
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(finished);
  EXPECT_EQ(CountVideoFrames(output), 50);
}

TEST_F(TaskHooks, DrawingWithUpdateChangesTheOutput) {
  const std::string output = dir_.File("white.mp4");
  Convert(output, kVideoOnly, [](TFFmpegTask& task) {
    task.OnOutputVideoHook = [](TFFmpegTask*, TBitmap& bitmap, int, std::int64_t, bool& update, bool&) {
      bitmap.Fill(255);
      update = true;
    };
  });
  const std::vector<LumaPicture> pictures = DecodeLuma(output);
  ASSERT_EQ(pictures.size(), 50u);
  for (const LumaPicture& picture : pictures) EXPECT_GT(picture.Mean(), 230.0);
}

TEST_F(TaskHooks, DrawingWithoutUpdateLeavesTheOutputAsWithoutTheHook) {
  const std::string plain = dir_.File("plain.mp4");
  const std::string hooked = dir_.File("hooked.mp4");
  std::atomic<int> calls{0};
  Convert(plain, kVideoOnly, [](TFFmpegTask&) {});
  Convert(hooked, kVideoOnly, [&](TFFmpegTask& task) {
    task.OnOutputVideoHook = [&](TFFmpegTask*, TBitmap& bitmap, int, std::int64_t, bool& update, bool&) {
      ++calls;
      bitmap.Fill(255);
      update = false;
    };
  });
  EXPECT_EQ(calls, 50);
  const std::vector<LumaPicture> expected = DecodeLuma(plain);
  const std::vector<LumaPicture> actual = DecodeLuma(hooked);
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < actual.size(); ++i)
    EXPECT_EQ(actual[i].luma, expected[i].luma) << "picture " << i;
}

TEST_F(TaskHooks, HandlerErrorIsLoggedAndTheRunGoesOn) {
  const std::string output = dir_.File("throws.mp4");
  std::atomic<int> calls{0};
  std::atomic<bool> finished{false};
  Convert(output, kVideoOnly, [&](TFFmpegTask& task) {
    task.OnInputVideoHook = [&](TFFmpegTask*, TBitmap&, int frame_number, std::int64_t, bool&, bool&) {
      ++calls;
      if (frame_number == 5) throw std::runtime_error("brush broke");
    };
    task.OnTerminate = [&](TFFmpegTask* t) { finished = t->Finished(); };
  });
  EXPECT_EQ(log_.Count("Error occurs VideoHook event: brush broke"), 1);
  EXPECT_EQ(calls, 50);  // called again after the failure
  EXPECT_TRUE(finished);
  EXPECT_EQ(CountVideoFrames(output), 50);
}

// Frame numbers stamped by the input hook as 16 black or white blocks of
// 20x40 pixels across the top of the picture.
void StampNumber(TBitmap& bitmap, int number) {
  const int bytes = bitmap.BitsPerPixel() / 8;
  for (int bit = 0; bit < 16; ++bit) {
    const std::uint8_t value = (number >> bit) & 1 ? 255 : 0;
    for (int y = 0; y < 40; ++y)
      for (int x = bit * 20; x < bit * 20 + 20; ++x)
        for (int b = 0; b < bytes; ++b) bitmap.ScanLine(y)[x * bytes + b] = value;
  }
}

int ReadNumber(const LumaPicture& picture) {
  int number = 0;
  for (int bit = 0; bit < 16; ++bit)
    if (picture.Mean(bit * 20 + 4, 8, 12, 24) > 128) number |= 1 << bit;
  return number;
}

TEST_F(TaskHooks, InputHookPicturesStayIntactThroughADeinterlacer) {
  // yadif keeps the previous, current and next pictures: each hooked
  // picture must keep its own drawing while it is held.
  const std::string output = dir_.File("yadif.mp4");
  Convert(output, std::string(kVideoOnly) + " -vf yadif", [](TFFmpegTask& task) {
    task.OnInputVideoHook = [](TFFmpegTask*, TBitmap& bitmap, int frame_number, std::int64_t, bool& update,
                               bool&) {
      StampNumber(bitmap, frame_number);
      update = true;
    };
  });
  const std::vector<LumaPicture> pictures = DecodeLuma(output);
  ASSERT_EQ(pictures.size(), 50u);
  for (std::size_t i = 0; i < pictures.size(); ++i)
    EXPECT_EQ(ReadNumber(pictures[i]), static_cast<int>(i) + 1) << "picture " << i;
}

TEST_F(TaskHooks, FrameAndVideoHooksRunInPipelineOrderOnTheFramesOwnSize) {
  std::mutex mutex;
  std::vector<std::string> order;
  std::vector<std::string> sizes;
  auto note = [&](const std::string& what) {
    std::lock_guard lock(mutex);
    if (order.size() < 4) order.push_back(what);
  };
  Convert(dir_.File("order.mp4"), std::string(kVideoOnly) + " -s 160x120", [&](TFFmpegTask& task) {
    task.OnInputFrameHook = [&](TFFmpegTask*, TAVPicture& picture, AVPixelFormat, int, int w, int h,
                                std::int64_t) {
      note("input frame");
      std::lock_guard lock(mutex);
      if (sizes.empty()) sizes.push_back(std::to_string(w) + "x" + std::to_string(h));
      EXPECT_NE(picture.data[0], nullptr);
    };
    task.OnInputVideoHook = [&](TFFmpegTask*, TBitmap&, int, std::int64_t, bool&, bool&) {
      note("input video");
    };
    task.OnOutputVideoHook = [&](TFFmpegTask*, TBitmap& bitmap, int, std::int64_t, bool&, bool&) {
      note("output video");
      std::lock_guard lock(mutex);
      if (sizes.size() == 1)
        sizes.push_back(std::to_string(bitmap.Width()) + "x" + std::to_string(bitmap.Height()));
    };
    task.OnOutputFrameHook = [&](TFFmpegTask*, TAVPicture&, AVPixelFormat, int, int, int, std::int64_t) {
      note("output frame");
    };
  });
  EXPECT_EQ(order, (std::vector<std::string>{"input frame", "input video", "output video", "output frame"}));
  EXPECT_EQ(sizes, (std::vector<std::string>{"320x240", "160x120"}));
}

TEST_F(TaskHooks, AudioHooksSeeEverySampleOnBothSides) {
  std::atomic<std::int64_t> input_samples{0};
  std::atomic<std::int64_t> output_samples{0};
  std::atomic<bool> sizes_match{true};
  Convert(dir_.File("audio.mp4"), "-vn -c:a aac", [&](TFFmpegTask& task) {
    auto check = [&](AVFrame* frame, int size, int rate, int channels, AVSampleFormat format) {
      if (rate != 48000 || channels != 2 ||
          size != channels * frame->nb_samples * ff::av_get_bytes_per_sample(format))
        sizes_match = false;
    };
    task.OnInputAudioHook = [&](TFFmpegTask*, std::int64_t, AVFrame* frame, int size, int rate, int channels,
                                AVSampleFormat format) {
      input_samples += frame->nb_samples;
      check(frame, size, rate, channels, format);
    };
    task.OnOutputAudioHook = [&](TFFmpegTask*, std::int64_t, AVFrame* frame, int size, int rate, int channels,
                                 AVSampleFormat format) {
      output_samples += frame->nb_samples;
      check(frame, size, rate, channels, format);
    };
  });
  EXPECT_TRUE(sizes_match);
  EXPECT_NEAR(static_cast<double>(input_samples), 96000.0, 2048.0);
  EXPECT_NEAR(static_cast<double>(output_samples), 96000.0, 2048.0);
}

struct DepthCase {
  int bits;
  TBMPPixelFormat format;
};

class TaskHookDepth : public TaskHooks, public ::testing::WithParamInterface<DepthCase> {};

TEST_P(TaskHookDepth, HookBitmapHasTheChosenDepth) {
  std::atomic<int> format{-1};
  Convert(dir_.File("depth.mp4"), kVideoOnly, [&](TFFmpegTask& task) {
    task.SetVideoHookBitsPixel(GetParam().bits);
    task.OnOutputVideoHook = [&](TFFmpegTask*, TBitmap& bitmap, int, std::int64_t, bool&, bool& stop) {
      format = static_cast<int>(bitmap.PixelFormat());
      stop = true;
    };
  });
  EXPECT_EQ(format, static_cast<int>(GetParam().format));
}

INSTANTIATE_TEST_SUITE_P(
    Depths, TaskHookDepth,
    ::testing::Values(DepthCase{8, TBMPPixelFormat::pf8bit}, DepthCase{15, TBMPPixelFormat::pf15bit},
                      DepthCase{16, TBMPPixelFormat::pf16bit}, DepthCase{24, TBMPPixelFormat::pf24bit},
                      DepthCase{32, TBMPPixelFormat::pf32bit}),
    [](const ::testing::TestParamInfo<DepthCase>& info) { return "bits" + std::to_string(info.param.bits); });

TEST_F(TaskHooks, UnknownHookDepthIsRefused) {
  TFFmpegTask task;
  EXPECT_THROW(
      {
        try {
          task.SetVideoHookBitsPixel(12);
        } catch (const std::invalid_argument& e) {
          EXPECT_STREQ(e.what(), "Invalid BitsPixel 12");
          throw;
        }
      },
      std::invalid_argument);
}

}  // namespace
}  // namespace zentrova::test

#include "app/ui/frame_hooks.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <array>
#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

namespace zentrova::ui {
namespace {

/// A 32-bit picture whose every pixel holds its own coordinates (blue = x,
/// green = y), so moved pixels can be told apart.
TBitmap CoordinatePicture(int width, int height, TBMPPixelFormat format = TBMPPixelFormat::pf32bit) {
  TBitmap bitmap(width, height, format);
  const int bytes = BytesPerPixel(format);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* pixel = bitmap.ScanLine(y) + x * bytes;
      for (int b = 0; b < bytes; ++b) pixel[b] = static_cast<std::uint8_t>(b % 2 == 0 ? x + b : y + b);
    }
  return bitmap;
}

bool SamePixels(const TBitmap& a, const TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    if (std::memcmp(a.ScanLine(y), b.ScanLine(y), static_cast<std::size_t>(a.Width() * 4)) != 0) return false;
  return true;
}

/// Pixels of `colour` (RGB) inside `area` of a 32-bit bitmap.
int CountColour(const TBitmap& bitmap, QRect area, QRgb colour) {
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) {
      const std::uint8_t* p = bitmap.ScanLine(y) + x * 4;
      if (qRgb(p[2], p[1], p[0]) == (colour | 0xFF000000u)) ++count;
    }
  return count;
}

QImage GreenIcon() {
  QImage icon(32, 32, QImage::Format_ARGB32);
  icon.fill(QColor(0, 255, 0));
  return icon;
}

TEST(FlipVertically, ExchangesRowsAndKeepsTheMiddleOfAnOddHeight) {
  for (TBMPPixelFormat format : {TBMPPixelFormat::pf8bit, TBMPPixelFormat::pf15bit, TBMPPixelFormat::pf16bit,
                                 TBMPPixelFormat::pf24bit, TBMPPixelFormat::pf32bit}) {
    const TBitmap original = CoordinatePicture(5, 7, format);
    TBitmap flipped = original;
    FlipVertically(flipped);
    const int row_bytes = 5 * BytesPerPixel(format);
    for (int y = 0; y < 7; ++y)
      EXPECT_EQ(
          std::memcmp(flipped.ScanLine(y), original.ScanLine(6 - y), static_cast<std::size_t>(row_bytes)), 0)
          << "row " << y << " depth " << static_cast<int>(format);
  }
}

TEST(FlipHorizontally, ExchangesPixelsAndKeepsTheMiddleOfAnOddWidth) {
  for (TBMPPixelFormat format : {TBMPPixelFormat::pf8bit, TBMPPixelFormat::pf15bit, TBMPPixelFormat::pf16bit,
                                 TBMPPixelFormat::pf24bit, TBMPPixelFormat::pf32bit}) {
    const TBitmap original = CoordinatePicture(7, 3, format);
    TBitmap flipped = original;
    FlipHorizontally(flipped);
    const int bytes = BytesPerPixel(format);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 7; ++x)
        EXPECT_EQ(std::memcmp(flipped.ScanLine(y) + x * bytes, original.ScanLine(y) + (6 - x) * bytes,
                              static_cast<std::size_t>(bytes)),
                  0)
            << x << "," << y << " depth " << static_cast<int>(format);
  }
}

TEST(BytesPerPixel, AnUnknownDepthIsAnUnsupportedPixelFormat) {
  EXPECT_EQ(BytesPerPixel(TBMPPixelFormat::pf15bit), 2);
  EXPECT_EQ(BytesPerPixel(TBMPPixelFormat::pf24bit), 3);
  try {
    BytesPerPixel(static_cast<TBMPPixelFormat>(9));
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "unsupported pixel format");
  }
}

TEST(VideoOutputHook, EachRangeOfPicturesGetsItsTreatment) {
  const TFrameHooks hooks(GreenIcon());
  struct Case {
    int frame;
    bool update, stop, changed, white_text, red_text, icon, flipped_v, flipped_h;
  } cases[] = {
      // frame  update  stop   changed white  red    icon   flip-v flip-h
      {1, true, false, true, true, false, false, false, false},
      {99, true, false, true, true, false, false, false, false},
      {100, false, false, false, false, false, false, false, false},
      {149, false, false, false, false, false, false, false, false},
      {150, true, false, true, true, false, false, false, false},
      {250, true, false, true, false, true, true, false, false},
      {349, true, false, true, false, true, true, false, false},
      {350, true, false, true, true, false, false, true, false},
      {450, true, false, true, true, false, false, false, true},
      {550, true, true, false, false, false, false, false, false},
      {9000, true, true, false, false, false, false, false, false},
  };
  for (const Case& c : cases) {
    const TBitmap original = CoordinatePicture(320, 240);
    TBitmap bitmap = original;
    TVideoHookCall call;
    call.Bitmap = &bitmap;
    call.FrameNumber = c.frame;
    call.PTS = 123456;
    hooks.VideoOutputHook(call);
    EXPECT_EQ(call.Update, c.update) << c.frame;
    EXPECT_EQ(call.StopHook, c.stop) << c.frame;
    EXPECT_EQ(!SamePixels(bitmap, original), c.changed) << c.frame;
    const QRect text_area(10, 10, 300, 30);
    EXPECT_EQ(CountColour(bitmap, text_area, qRgb(255, 255, 255)) > 20, c.white_text) << c.frame;
    EXPECT_EQ(CountColour(bitmap, text_area, qRgb(255, 0, 0)) > 20, c.red_text) << c.frame;
    // The icon's lower right corner 10 pixels from the picture's.
    EXPECT_EQ(CountColour(bitmap, QRect(320 - 32 - 10, 240 - 32 - 10, 32, 32), qRgb(0, 255, 0)) == 32 * 32,
              c.icon)
        << c.frame;
    EXPECT_EQ(CountColour(bitmap, QRect(320 - 9, 240 - 9, 9, 9), qRgb(0, 255, 0)), 0) << c.frame;
    // Away from the text: the bottom left pixel shows where row 0 / column 0 went.
    const std::uint8_t* corner = bitmap.ScanLine(239) + 0;
    if (c.flipped_v) {
      EXPECT_EQ(corner[1], original.ScanLine(0)[1]) << c.frame;
    }
    if (c.flipped_h) {
      EXPECT_EQ(corner[0], original.ScanLine(239)[319 * 4]) << c.frame;
    }
  }
}

TEST(VideoInputHook, WritesRedTextUntilPicture550) {
  const TFrameHooks hooks(GreenIcon());
  for (int frame : {1, 549, 550}) {
    TBitmap bitmap(320, 240, TBMPPixelFormat::pf32bit);
    TVideoHookCall call;
    call.Bitmap = &bitmap;
    call.FrameNumber = frame;
    hooks.VideoInputHook(call);
    EXPECT_EQ(call.StopHook, frame >= 550) << frame;
    EXPECT_EQ(CountColour(bitmap, QRect(0, 0, 320, 60), qRgb(255, 0, 0)) > 50, frame < 550) << frame;
  }
}

TEST(VideoOutputHook, RunsOnSeveralWorkerThreadsAtOnce) {
  const TFrameHooks hooks(GreenIcon());
  std::vector<TBitmap> bitmaps(4, TBitmap(320, 240, TBMPPixelFormat::pf32bit));
  std::vector<std::thread> workers;
  for (TBitmap& bitmap : bitmaps)
    workers.emplace_back([&hooks, &bitmap] {
      for (int frame = 1; frame < 560; frame += 7) {
        TVideoHookCall call;
        call.Bitmap = &bitmap;
        call.FrameNumber = frame;
        hooks.VideoOutputHook(call);
      }
    });
  for (std::thread& worker : workers) worker.join();
  for (const TBitmap& bitmap : bitmaps)
    EXPECT_GT(CountColour(bitmap, QRect(0, 0, 320, 240), qRgb(0, 255, 0)), 0);
}

/// Interleaved 16-bit samples, all 1000, `channels` per group.
std::vector<std::int16_t> Samples(int count) {
  return std::vector<std::int16_t>(static_cast<std::size_t>(count), 1000);
}

TEST(AudioOutputHook, SilencesLeftAndRightInTurnEveryFiveSeconds) {
  struct Case {
    const char* name;
    std::int64_t pts;
    int channels;
    int count;
    std::vector<int> zeroed;  // positions set to 0
  } cases[] = {
      {"stereo at 4 s: left", 4000000, 2, 6, {0, 2, 4}},
      {"stereo at 6 s: right", 6000000, 2, 6, {1, 3, 5}},
      {"stereo at 10 s: left again", 10000000, 2, 4, {0, 2}},
      {"three channels with a partial group", 0, 3, 7, {0, 2, 3, 5, 6}},
  };
  for (const Case& c : cases) {
    std::vector<std::int16_t> samples = Samples(c.count);
    std::array<std::uint8_t*, 1> planes{reinterpret_cast<std::uint8_t*>(samples.data())};
    TAudioHookCall call;
    call.PTS = c.pts;
    call.Planes = planes.data();
    call.Size = c.count * 2;
    call.LineSize = call.Size;
    call.Channels = c.channels;
    call.SampleFormat = kSampleFormatS16;
    EXPECT_EQ(TFrameHooks::AudioOutputHook(call), TAudioHookResult::Edited) << c.name;
    for (int k = 0; k < c.count; ++k) {
      const bool zero = std::find(c.zeroed.begin(), c.zeroed.end(), k) != c.zeroed.end();
      EXPECT_EQ(samples[static_cast<std::size_t>(k)], zero ? 0 : 1000) << c.name << " sample " << k;
    }
  }
}

TEST(AudioOutputHook, PlanarSoundLosesItsEvenOrOddPlanes) {
  for (std::int64_t pts : {std::int64_t{1000000}, std::int64_t{7000000}}) {
    std::vector<std::vector<std::int16_t>> channels(3, Samples(8));
    std::array<std::uint8_t*, 3> planes{};
    for (std::size_t i = 0; i < 3; ++i) planes[i] = reinterpret_cast<std::uint8_t*>(channels[i].data());
    TAudioHookCall call;
    call.PTS = pts;
    call.Planes = planes.data();
    call.LineSize = 16;
    call.Size = 48;
    call.Channels = 3;
    call.SampleFormat = kSampleFormatS16P;
    EXPECT_EQ(TFrameHooks::AudioOutputHook(call), TAudioHookResult::Edited);
    const bool odd_period = pts >= 5000000;
    for (std::size_t i = 0; i < 3; ++i) {
      const bool silenced = (i % 2 != 0) == odd_period;
      for (std::int16_t s : channels[i]) EXPECT_EQ(s, silenced ? 0 : 1000) << "plane " << i << " at " << pts;
    }
  }
}

TEST(AudioOutputHook, MonoAndOtherFormatsAreLeftAloneAndSwitchTheHookOff) {
  struct Case {
    int channels;
    int format;
    TAudioHookResult result;
  } cases[] = {
      {1, kSampleFormatS16, TAudioHookResult::Mono},
      {1, 8, TAudioHookResult::Mono},
      {2, 8 /* float planar */, TAudioHookResult::UnsupportedFormat},
      {2, 3 /* float */, TAudioHookResult::UnsupportedFormat},
  };
  for (const Case& c : cases) {
    std::vector<std::int16_t> samples = Samples(8);
    std::array<std::uint8_t*, 2> planes{reinterpret_cast<std::uint8_t*>(samples.data()),
                                        reinterpret_cast<std::uint8_t*>(samples.data())};
    TAudioHookCall call;
    call.Planes = planes.data();
    call.Size = 16;
    call.LineSize = 16;
    call.Channels = c.channels;
    call.SampleFormat = c.format;
    EXPECT_EQ(TFrameHooks::AudioOutputHook(call), c.result);
    EXPECT_EQ(samples, Samples(8));
  }
}

}  // namespace
}  // namespace zentrova::ui

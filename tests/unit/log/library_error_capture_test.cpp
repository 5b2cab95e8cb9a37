#include "log/library_error_capture.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "log/logger.h"
#include "log/main_thread.h"
#include "media/ff.h"
#include "support/libraries.h"

namespace zentrova {
namespace {

const char* MuxerName(void*) {
  return "mp4";
}
struct Muxer {
  const AVClass* av_class;
};
AVClass MakeMuxerClass() {
  AVClass av_class{};
  av_class.class_name = "Muxer";
  av_class.item_name = MuxerName;
  av_class.version = LIBAVUTIL_VERSION_INT;
  return av_class;
}
const AVClass kMuxerClass = MakeMuxerClass();

TEST(WithoutObjectAddress, KeepsTheInnermostNameAndTheText) {
  const std::pair<const char*, const char*> rows[] = {
      {"[mp4 @ 0x55d0c0ffee00] track 0: not standard", "mp4: track 0: not standard"},
      {"[out_0 @ 0x1] [libvorbis @ 0x2] encoder setup failed\n", "libvorbis: encoder setup failed"},
      {"no object here\r\n", "no object here"},
      {"[not an object] text", "[not an object] text"},
      {"[mp4 @ 0x1] ", ""},
      {"", ""},
  };
  for (const auto& [line, expected] : rows) EXPECT_EQ(WithoutObjectAddress(line), expected) << line;
}

TEST(LibraryErrorCapture, AddsTheCauseOnlyWhenThereIsANewOne) {
  TLibraryErrorCapture capture;
  EXPECT_EQ(capture.WithCause("Could not write header"), "Could not write header");
  TLibraryErrorCapture::Offer(AV_LOG_ERROR, "[mp4 @ 0x1] track 0: not standard\n");
  EXPECT_EQ(capture.WithCause("Could not write header"),
            "Could not write header: mp4: track 0: not standard");
  EXPECT_EQ(capture.WithCause("It failed: mp4: track 0: not standard"),
            "It failed: mp4: track 0: not standard");
}

class LibraryErrorCaptureThroughTheLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    test::LoadMediaLibraries();
    AttachMainThread();
    logger.SetLogLevel(TLogLevel::llInfo);
    logger.ApplyLogLevel();
  }
  // No handler: nothing takes library lines, the capture still hears errors.
  TZOVuzodi logger;
  Muxer muxer{&kMuxerClass};
};

TEST_F(LibraryErrorCaptureThroughTheLibrary, KeepsTheFirstErrorLineOfItsOwnThread) {
  TLibraryErrorCapture capture;
  ff::av_log(&muxer, AV_LOG_WARNING, "only a warning\n");
  std::thread other([this] { ff::av_log(&muxer, AV_LOG_ERROR, "another thread's error\n"); });
  other.join();
  EXPECT_EQ(capture.FirstError(), "");
  ff::av_log(&muxer, AV_LOG_ERROR, "track %d: muxing mp3 at %dhz is not standard\n", 0, 8000);
  ff::av_log(&muxer, AV_LOG_FATAL, "a later error\n");
  EXPECT_EQ(capture.FirstError(), "mp4: track 0: muxing mp3 at 8000hz is not standard");
}

TEST_F(LibraryErrorCaptureThroughTheLibrary, NestedCapturesEndInOrder) {
  TLibraryErrorCapture outer;
  {
    TLibraryErrorCapture inner;
    ff::av_log(nullptr, AV_LOG_ERROR, "inner error\n");
    EXPECT_EQ(inner.FirstError(), "inner error");
  }
  EXPECT_EQ(outer.FirstError(), "");
  ff::av_log(nullptr, AV_LOG_PANIC, "outer error\n");
  EXPECT_EQ(outer.FirstError(), "outer error");
}

}  // namespace
}  // namespace zentrova

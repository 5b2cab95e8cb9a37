// -target bundles for the disc and tape formats.
#include <gtest/gtest.h>

#include "engine_test_support.h"
#include "support/libraries.h"

namespace zentrova {
namespace {

using test::FileOptions;
using test::LogRecorder;
using test::TestEngine;

class TargetOption : public ::testing::Test {
 protected:
  void SetUp() override { test::LoadMediaLibraries(); }
};

template <typename T>
T Last(const TSpecifierList<T>& list) {
  return list.empty() ? T{} : list.back().value;
}

TEST_F(TargetOption, BundlesSetFormatStreamsAndLibraryOptions) {
  struct Case {
    const char* target;
    const char* format;
    const char* video_codec;
    const char* size;
    const char* rate;
    const char* pix_fmt;  // "" when the target sets none
    int sample_rate;
    std::vector<std::pair<std::string, std::string>> codec_options;
    std::vector<std::pair<std::string, std::string>> format_options;
  };
  const Case cases[] = {
      {"pal-dvd",
       "dvd",
       "mpeg2video",
       "720x576",
       "25",
       "yuv420p",
       48000,
       {{"g", "15"},
        {"b:v", "6000000"},
        {"maxrate:v", "9000000"},
        {"minrate:v", "0"},
        {"bufsize:v", "1835008"},
        {"b:a", "448000"}},
       {{"packetsize", "2048"}, {"muxrate", "10080000"}}},
      {"ntsc-svcd",
       "svcd",
       "mpeg2video",
       "480x480",
       "30000/1001",
       "yuv420p",
       44100,
       {{"g", "18"}, {"b:v", "2040000"}, {"maxrate:v", "2516000"}, {"scan_offset", "1"}, {"b:a", "224000"}},
       {{"packetsize", "2324"}}},
      {"pal-vcd",
       "vcd",
       "mpeg1video",
       "352x288",
       "25",
       "",
       44100,
       {{"g", "15"},
        {"b:v", "1150000"},
        {"minrate:v", "1150000"},
        {"bufsize:v", "327680"},
        {"b:a", "224000"}},
       {{"packetsize", "2324"}, {"muxrate", "1411200"}}},
      {"film-vcd", "vcd", "mpeg1video", "352x240", "24000/1001", "", 44100, {{"g", "18"}}, {}},
      {"ntsc-dv50", "dv", "", "720x480", "30000/1001", "yuv422p", 48000, {}, {}},
      {"film-dv", "dv", "", "720x480", "24000/1001", "yuv411p", 48000, {}, {}},
      {"pal-dv", "dv", "", "720x576", "25", "yuv420p", 48000, {}, {}},
      {"pal-dvdx", "dv", "", "720x576", "25", "yuv420p", 48000, {}, {}},  // anything starting with "dv"
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    TestEngine engine;
    FileOptions o(engine);
    ASSERT_EQ(engine.ParseOutput(o.Context(), std::string("-target ") + c.target), 0) << engine.FLastErrMsg;
    EXPECT_EQ(o.Context().f, c.format);
    std::string video;
    TCustomFFmpegOpt::GetTypeValue(o.Context(), "v", video);
    EXPECT_EQ(video, c.video_codec);
    EXPECT_EQ(Last(o.Context().s), c.size);
    EXPECT_EQ(Last(o.Context().r), c.rate);
    EXPECT_EQ(Last(o.Context().pix_fmt), c.pix_fmt);
    EXPECT_EQ(Last(o.Context().ar), c.sample_rate);
    for (const auto& [key, value] : c.codec_options) EXPECT_EQ(engine.CodecOption(key), value) << key;
    for (const auto& [key, value] : c.format_options) EXPECT_EQ(engine.FormatOption(key), value) << key;
  }
}

TEST_F(TargetOption, VcdSetsTheMuxPreload) {
  TestEngine engine;
  FileOptions o(engine);
  ASSERT_EQ(engine.ParseOutput(o.Context(), "-target ntsc-vcd"), 0);
  EXPECT_FLOAT_EQ(o.Context().muxpreload, 0.44f);
  EXPECT_EQ(Last(o.Context().ac), 2);
}

TEST_F(TargetOption, ExplicitLibraryOptionsWinWhereverTheyAreWritten) {
  for (const char* options : {"-target pal-vcd -b:v 1000000", "-b:v 1000000 -target pal-vcd"}) {
    SCOPED_TRACE(options);
    TestEngine engine;
    FileOptions o(engine);
    ASSERT_EQ(engine.ParseOutput(o.Context(), options), 0);
    EXPECT_EQ(engine.CodecOption("b:v"), "1000000");
    EXPECT_EQ(engine.CodecOption("maxrate:v"), "1150000");
  }
}

TEST_F(TargetOption, ASizeAfterTheTargetWins) {
  struct Case {
    const char* options;
    const char* size;
  };
  for (const Case& c :
       {Case{"-s 320x240 -target pal-dvd", "720x576"}, Case{"-target pal-dvd -s 320x240", "320x240"}}) {
    SCOPED_TRACE(c.options);
    TestEngine engine;
    engine.AddLavfiInput("testsrc2=size=64x48:rate=25");
    FileOptions o(engine);
    ASSERT_EQ(engine.ParseOutput(o.Context(), c.options), 0);
    AVFormatContext* ic = engine.Finput_files[0]->ctx.get();
    std::string size;
    engine.GetStreamValue(ic, ic->streams[0], o.Context().s, size);
    EXPECT_EQ(size, c.size);
  }
}

TEST_F(TargetOption, TheNormIsGuessedFromTheInputs) {
  struct Case {
    const char* input;
    const char* size;
    const char* assumed;
  };
  const Case cases[] = {
      {"testsrc2=size=64x48:rate=30000/1001", "720x480", "Assuming NTSC for target."},
      {"testsrc2=size=64x48:rate=24000/1001", "720x480", "Assuming NTSC for target."},
      {"testsrc2=size=64x48:rate=25", "720x576", "Assuming PAL for target."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    LogRecorder log;
    TestEngine engine;
    engine.AddLavfiInput("sine");  // audio decides nothing
    engine.AddLavfiInput(c.input);
    FileOptions o(engine);
    ASSERT_EQ(engine.ParseOutput(o.Context(), "-target dvd"), 0) << engine.FLastErrMsg;
    EXPECT_EQ(Last(o.Context().s), c.size);
    EXPECT_EQ(log.Count(TLogLevel::llInfo, c.assumed), 1) << log.All();
  }
}

TEST_F(TargetOption, AnUndecidableNormRaises) {
  for (const char* input : {"sine", "testsrc2=size=64x48:rate=10"}) {
    SCOPED_TRACE(input);
    TestEngine engine;
    engine.AddLavfiInput(input);
    FileOptions o(engine);
    try {
      engine.ParseOutput(o.Context(), "-target dvd");
      ADD_FAILURE() << "no exception";
    } catch (const FFmpegException& e) {
      EXPECT_STREQ(
          e.what(),
          "Could not determine norm (PAL/NTSC/NTSC-Film) for target.\r\nPlease prefix target with \"pal-\", "
          "\"ntsc-\" or \"film-\",\r\nor set a framerate with \"-r xxx\".");
    }
  }
}

TEST_F(TargetOption, UnknownTargetsFail) {
  for (const char* target : {"vhs", "pal-vhs", "svcd2", ""}) {
    SCOPED_TRACE(target);
    TestEngine engine;
    FileOptions o(engine);
    EXPECT_EQ(engine.ParseOutput(o.Context(), std::string("-target \"") + target + "\""), -22);
    const std::string name = std::string(target).substr(std::string(target).starts_with("pal-") ? 4 : 0);
    EXPECT_NE(engine.FLastErrMsg.find("Unknown target: " + name), std::string::npos) << engine.FLastErrMsg;
  }
}

}  // namespace
}  // namespace zentrova

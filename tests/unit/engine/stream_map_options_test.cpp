// -map and -map_channel against inputs opened from synthetic sources.
#include <gtest/gtest.h>

#include "engine_test_support.h"
#include "support/libraries.h"

namespace zentrova {
namespace {

using test::FileOptions;
using test::LogRecorder;
using test::TestEngine;

// Input 0: one video stream. Input 1: video (stream 0) and mono audio (stream 1).
class StreamMapOption : public ::testing::Test {
 protected:
  void SetUp() override {
    test::LoadMediaLibraries();
    engine.AddLavfiInput("testsrc2=size=64x48:rate=25");
    engine.AddLavfiInput("testsrc2=size=64x48:rate=25 [out0]; sine=frequency=440:sample_rate=8000 [out1]");
    ASSERT_EQ(engine.Finput_files.size(), 2u);
    ASSERT_EQ(engine.Finput_files[1]->nb_streams, 2);
  }
  TestEngine engine;
};

struct Mapping {
  int file, stream, sync_file, sync_stream, disabled;
  bool operator==(const Mapping&) const = default;
};

std::vector<Mapping> Maps(const TFileOptionContext& o) {
  std::vector<Mapping> out;
  for (const TStreamMapping& m : o.map)
    out.push_back({m.file_index, m.stream_index, m.sync_file_index, m.sync_stream_index, m.disabled});
  return out;
}

TEST_F(StreamMapOption, SelectsTheMatchingStreams) {
  struct Case {
    const char* options;
    std::vector<Mapping> maps;
  };
  const Case cases[] = {
      {"-map 0", {{0, 0, 0, 0, 0}}},
      {"-map 1", {{1, 0, 1, 0, 0}, {1, 1, 1, 1, 0}}},
      {"-map 1:a", {{1, 1, 1, 1, 0}}},
      {"-map 1:v,1:a", {{1, 0, 1, 1, 0}}},
      {"-map 1:1,0", {{1, 1, 0, 0, 0}}},
      {"-map 1 -map -1:a", {{1, 0, 1, 0, 0}, {1, 1, 1, 1, 1}}},
      {"-map 0x1:0 -map 00", {{1, 0, 1, 0, 0}, {0, 0, 0, 0, 0}}},  // C-style numbers
      {"-map 0:a? -map 1:a", {{1, 1, 1, 1, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    FileOptions o(engine);
    ASSERT_EQ(engine.ParseOutput(o.Context(), c.options), 0) << engine.FLastErrMsg;
    EXPECT_EQ(Maps(o.Context()), c.maps);
  }
}

TEST_F(StreamMapOption, AnOptionalMapWithoutMatchIsIgnored) {
  LogRecorder log;
  FileOptions o(engine);
  ASSERT_EQ(engine.ParseOutput(o.Context(), "-map 0:a?"), 0);
  EXPECT_TRUE(o.Context().map.empty());
  EXPECT_EQ(log.Count(TLogLevel::llVerbose, "Stream map \"0:a?\" matches no streams; ignoring."), 1)
      << log.All();
}

TEST_F(StreamMapOption, FilterGraphLabelsAreKept) {
  FileOptions o(engine);
  ASSERT_EQ(engine.ParseOutput(o.Context(), "-map [outv] -map \"[out a]\""), 0);
  ASSERT_EQ(o.Context().map.size(), 2u);
  EXPECT_EQ(o.Context().map[0].linklabel, "outv");
  EXPECT_EQ(o.Context().map[1].linklabel, "out a");
}

TEST_F(StreamMapOption, BadMapsRaiseWithTheirMessages) {
  struct Case {
    const char* options;
    const char* message;
  };
  const Case cases[] = {
      {"-map 0:a",
       "Stream map \"0:a\" matches no streams.\r\nTo ignore this, add a trailing \"?\" to the map."},
      {"-map -0:a",
       "Stream map \"0:a\" matches no streams.\r\nTo ignore this, add a trailing \"?\" to the map."},
      {"-map 2", "Invalid input file index: 2."},
      {"-map 010", "Invalid input file index: 8."},
      {"-map -1:v", "Stream map \"1:v\" matches no streams."},
      {"-map 1:v,5", "Invalid sync file index: 5."},
      {"-map 1:v,1:s", "Sync stream specifier in map 1:v,1:s does not match any streams."},
      {"-map 0:x", "check_stream_specifier: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    FileOptions o(engine);
    try {
      engine.ParseOutput(o.Context(), c.options);
      ADD_FAILURE() << "no exception";
    } catch (const FFmpegException& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
      EXPECT_EQ(engine.FLastErrMsg, e.what());
    }
  }
}

TEST_F(StreamMapOption, ChannelMapsReadTheirIndices) {
  struct Case {
    const char* arg;
    TChannelMapping m;
  };
  const Case cases[] = {
      {"-1", {-1, -1, -1, -1, -1}},
      {"-1:0.1", {-1, -1, -1, 0, 1}},
      {"1.1.0", {1, 1, 0, -1, -1}},
      {"1.1.0:0.1", {1, 1, 0, 0, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arg);
    FileOptions o(engine);
    ASSERT_EQ(engine.ParseOutput(o.Context(), std::string("-map_channel ") + c.arg), 0) << engine.FLastErrMsg;
    ASSERT_EQ(o.Context().map_channel.size(), 1u);
    const TChannelMapping& m = o.Context().map_channel[0];
    EXPECT_EQ(m.file_index, c.m.file_index);
    EXPECT_EQ(m.stream_index, c.m.stream_index);
    EXPECT_EQ(m.channel_index, c.m.channel_index);
    EXPECT_EQ(m.out_file_index, c.m.out_file_index);
    EXPECT_EQ(m.out_stream_index, c.m.out_stream_index);
  }
}

TEST_F(StreamMapOption, BadChannelMapsRaiseWithTheirMessages) {
  struct Case {
    const char* arg;
    const char* message;
  };
  const Case cases[] = {
      {"0.1", "Syntax error, mapchan usage: [file.stream.channel|-1][:syncfile:syncstream]"},
      {"a.b.c", "Syntax error, mapchan usage"},
      {"1.1.0:0", "Syntax error, mapchan usage"},
      {"99999999999.1.1", "Syntax error, mapchan usage"},
      {"3.0.0", "mapchan: invalid input file index: 3"},
      {"1.5.0", "mapchan: invalid input file stream index #1.5"},
      {"1.0.0", "mapchan: stream #1.0 is not an audio stream."},
      {"1.1.1", "mapchan: invalid audio channel #1.1.1"},
      {"1.1.-1", "mapchan: invalid audio channel #1.1.-1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arg);
    FileOptions o(engine);
    try {
      engine.ParseOutput(o.Context(), std::string("-map_channel ") + c.arg);
      ADD_FAILURE() << "no exception";
    } catch (const FFmpegException& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

TEST_F(StreamMapOption, StreamValuesFollowTheLastMatchingSpecifier) {
  AVFormatContext* ic = engine.Finput_files[1]->ctx.get();
  TSpecifierList<std::string> codecs{{"", "all"}, {"v", "video"}, {"a:0", "audio"}, {"1", "second"}};
  std::string video = "default";
  std::string audio = "default";
  engine.GetStreamValue(ic, ic->streams[0], codecs, video);
  engine.GetStreamValue(ic, ic->streams[1], codecs, audio);
  EXPECT_EQ(video, "video");
  EXPECT_EQ(audio, "second");

  TSpecifierList<std::int32_t> none{{"s", 5}};
  std::int32_t value = 42;
  engine.GetStreamValue(ic, ic->streams[0], none, value);
  EXPECT_EQ(value, 42);  // the caller's default stays

  TSpecifierList<double> invalid{{"0:v", 1.0}};
  double q = 0;
  EXPECT_THROW(engine.GetStreamValue(ic, ic->streams[0], invalid, q), FFmpegException);
  EXPECT_EQ(engine.FLastErrMsg.rfind("check_stream_specifier: ", 0), 0u) << engine.FLastErrMsg;
}

}  // namespace
}  // namespace zentrova

// The engine base: codec lookup, dictionary helpers, errors and the I/O
// interrupt checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "engine_test_support.h"
#include "options/dictionary.h"
#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova {
namespace {

using test::LogRecorder;
using test::TestEngine;

class EngineBase : public ::testing::Test {
 protected:
  void SetUp() override { test::LoadMediaLibraries(); }
};

TEST_F(EngineBase, FindCodecByNameOrDescriptor) {
  struct Case {
    const char* name;
    AVMediaType type;
    TCodecWanted wanted;
    AVCodecID id;  // of the codec found
  };
  const Case cases[] = {
      {"mpeg4", AVMEDIA_TYPE_VIDEO, TCodecWanted::Encoder, AV_CODEC_ID_MPEG4},
      {"h264", AVMEDIA_TYPE_VIDEO, TCodecWanted::Decoder, AV_CODEC_ID_H264},
      {"mp2", AVMEDIA_TYPE_AUDIO, TCodecWanted::Encoder, AV_CODEC_ID_MP2},
      {"h264", AVMEDIA_TYPE_VIDEO, TCodecWanted::Encoder, AV_CODEC_ID_H264},  // by descriptor
      {"subrip", AVMEDIA_TYPE_SUBTITLE, TCodecWanted::Decoder, AV_CODEC_ID_SUBRIP},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestEngine engine;
    const AVCodec* codec = engine.FindCodec(c.name, c.type, c.wanted);
    ASSERT_NE(codec, nullptr);
    EXPECT_EQ(codec->id, c.id);
    EXPECT_EQ(ff::av_codec_is_encoder(codec) != 0, c.wanted == TCodecWanted::Encoder);
  }
}

TEST_F(EngineBase, FindCodecLogsADescriptorMatch) {
  const AVCodec* h264_encoder = ff::avcodec_find_encoder(AV_CODEC_ID_H264);
  if (!h264_encoder || std::string(h264_encoder->name) == "h264")
    GTEST_SKIP() << "no H.264 encoder of another name";
  LogRecorder log;
  TestEngine engine;
  engine.FindCodec("h264", AVMEDIA_TYPE_VIDEO, TCodecWanted::Encoder);
  EXPECT_EQ(log.Count(TLogLevel::llVerbose,
                      std::string("Matched encoder \"") + h264_encoder->name + "\" for codec \"h264\"."),
            1)
      << log.All();
}

TEST_F(EngineBase, FindCodecRaisesForUnknownOrMistypedCodecs) {
  struct Case {
    const char* name;
    AVMediaType type;
    TCodecWanted wanted;
    const char* message;
  };
  const Case cases[] = {
      {"nosuch", AVMEDIA_TYPE_VIDEO, TCodecWanted::Encoder, "Unknown encoder \"nosuch\""},
      {"nosuch", AVMEDIA_TYPE_AUDIO, TCodecWanted::Decoder, "Unknown decoder \"nosuch\""},
      {"aac", AVMEDIA_TYPE_VIDEO, TCodecWanted::Encoder, "Invalid encoder type \"aac\""},
      {"h264", AVMEDIA_TYPE_AUDIO, TCodecWanted::Decoder, "Invalid decoder type \"h264\""},
      {"", AVMEDIA_TYPE_VIDEO, TCodecWanted::Encoder, "Unknown encoder \"\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LogRecorder log;
    TestEngine engine;
    try {
      engine.FindCodec(c.name, c.type, c.wanted);
      ADD_FAILURE() << "no exception";
    } catch (const FFmpegException& e) {
      EXPECT_STREQ(e.what(), c.message);
      EXPECT_EQ(engine.FLastErrMsg, c.message);
      EXPECT_EQ(log.Count(TLogLevel::llFatal, c.message), 1);
    }
  }
}

TEST_F(EngineBase, CodecOptionsWrittenWithAVideoCodecFlagThroughTheFullName) {
  // -c:v and -codec:v store under the same specifier; GetTypeValue takes the last.
  TestEngine engine;
  test::FileOptions o(engine);
  ASSERT_EQ(engine.ParseOutput(o.Context(), "-c:v libx264 -codec:v mpeg4 -c:a aac -c:v:0 h263"), 0);
  std::string video = "untouched";
  std::string subtitle = "untouched";
  TCustomFFmpegOpt::GetTypeValue(o.Context(), "v", video);
  TCustomFFmpegOpt::GetTypeValue(o.Context(), "s", subtitle);
  EXPECT_EQ(video, "mpeg4");
  EXPECT_EQ(subtitle, "untouched");
}

AVDictionaryPtr Dict(std::initializer_list<std::pair<const char*, const char*>> entries) {
  AVDictionaryPtr d;
  for (const auto& [k, v] : entries) DictSet(d, k, v);
  return d;
}

std::vector<std::pair<std::string, std::string>> Contents(const AVDictionaryPtr& d) {
  std::vector<std::pair<std::string, std::string>> out;
  const AVDictionaryEntry* e = nullptr;
  while ((e = ff::av_dict_get(d.get(), "", e, AV_DICT_IGNORE_SUFFIX))) out.emplace_back(e->key, e->value);
  return out;
}

TEST_F(EngineBase, DictionaryHelpers) {
  AVDictionaryPtr stripped =
      TCustomFFmpegOpt::StripSpecifiers(Dict({{"b:v", "1M"}, {"g", "12"}, {"b:a", "128k"}}).get());
  auto entries = Contents(stripped);
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<std::pair<std::string, std::string>>{{"b", "128k"}, {"g", "12"}}));

  AVDictionaryPtr a = Dict({{"b", "1"}, {"g", "2"}, {"crf", "3"}});
  AVDictionaryPtr b = Dict({{"g", "x"}, {"nothere", "y"}});
  TCustomFFmpegOpt::RemoveOptions(a, b.get());
  EXPECT_EQ(Contents(a), (std::vector<std::pair<std::string, std::string>>{{"b", "1"}, {"crf", "3"}}));
  AVDictionaryPtr all = Dict({{"b", "1"}, {"crf", "3"}});
  TCustomFFmpegOpt::RemoveOptions(a, all.get());
  EXPECT_EQ(DictCount(a), 0);
}

TEST_F(EngineBase, UnusedOptionsFailOnlyWhenHalting) {
  AVDictionaryPtr left = Dict({{"crf", "23"}, {"g", "12"}});
  {
    TestEngine engine;
    EXPECT_NO_THROW(engine.CheckUnusedOptions(nullptr));
    try {
      engine.CheckUnusedOptions(left.get());
      ADD_FAILURE() << "no exception";
    } catch (const FFmpegException& e) {
      EXPECT_STREQ(e.what(), "Option crf not found.");
    }
  }
  TestEngine engine;
  engine.HaltOnInvalidOption = false;
  EXPECT_NO_THROW(engine.CheckUnusedOptions(left.get()));
  EXPECT_EQ(engine.FLastErrMsg, "Option crf not found.");
}

TEST_F(EngineBase, ReadTextFileReadsAllOrLogs) {
  test::TempDir dir;
  const std::string path = dir.File("图 graph.txt");
  std::string content;
  for (int i = 0; i < 500; ++i) content += "hflip,vflip;";  // longer than one read
  test::WriteFile(path, content);
  LogRecorder log;
  TestEngine engine;
  EXPECT_EQ(engine.ReadTextFile(path), content);
  EXPECT_EQ(engine.ReadTextFile(dir.File("missing.txt")), std::nullopt);
  EXPECT_EQ(log.Count(TLogLevel::llError, "Error opening file " + dir.File("missing.txt") + "."), 1);

  test::FileOptions o(engine);
  ASSERT_EQ(engine.ParseOutput(o.Context(), "-filter_complex_script \"" + path + "\""), 0);
  ASSERT_EQ(engine.Ffiltergraphs.size(), 1u);
}

TEST_F(EngineBase, ReadTextFileRefusesEndlessStreams) {
  LogRecorder log;
  TestEngine engine;
  EXPECT_EQ(engine.ReadTextFile("/dev/zero"), std::nullopt);
  EXPECT_EQ(log.Count(TLogLevel::llError, "File /dev/zero is too large."), 1);
}

TEST_F(EngineBase, RaiseErrorRecordsLogsAndThrows) {
  LogRecorder log;
  TestEngine engine;
  EXPECT_THROW(engine.RaiseErrorFmt("Could not open {} #{}", "file", 3), FFmpegException);
  EXPECT_EQ(engine.FLastErrMsg, "Could not open file #3");
  EXPECT_EQ(log.Count(TLogLevel::llFatal, "Could not open file #3"), 1);
  EXPECT_THROW(engine.AbortExperimentalCodec(), FFmpegException);
  EXPECT_EQ(engine.FLastErrMsg, "abort codec experimental");
}

TEST_F(EngineBase, InterruptChecksFollowTheTimeOutsAndTheBrokenFlag) {
  constexpr std::int64_t kUntimed = std::numeric_limits<std::int64_t>::max();
  LogRecorder log;
  TestEngine engine;
  const auto read = [&] { return engine.FReadCallback.callback(engine.FReadCallback.opaque); };
  const auto write = [&] { return engine.FWriteCallback.callback(engine.FWriteCallback.opaque); };

  engine.FLastRead = kUntimed;
  engine.FLastWrite = kUntimed;
  EXPECT_EQ(read(), 0);
  EXPECT_EQ(write(), 0);
  engine.FLastRead = ff::av_gettime_relative();
  engine.FLastWrite = ff::av_gettime_relative();
  EXPECT_EQ(read(), 0);
  EXPECT_EQ(write(), 0);
  engine.FLastRead = ff::av_gettime_relative() - 31000000;
  engine.FLastWrite = ff::av_gettime_relative() - 31000000;
  EXPECT_EQ(read(), 1);
  EXPECT_EQ(write(), 1);
  EXPECT_EQ(log.Count(TLogLevel::llInfo, "connecting/reading timeout"), 1);
  EXPECT_EQ(log.Count(TLogLevel::llInfo, "connecting/writing timeout"), 1);
  engine.FLastRead = 0;
  engine.FLastWrite = 0;
  EXPECT_EQ(read(), 1);
  EXPECT_EQ(write(), 1);
  EXPECT_EQ(log.Count(TLogLevel::llInfo, "connecting/reading canceled"), 1);
  EXPECT_EQ(log.Count(TLogLevel::llInfo, "connecting/writing canceled"), 1);
  engine.FReadTimeout = 0;
  engine.FWriteTimeout = -1;
  EXPECT_EQ(read(), 0);
  EXPECT_EQ(write(), 0);
  engine.FBroken = true;
  EXPECT_EQ(read(), 1);
  EXPECT_EQ(write(), 0);  // writes finish what they started
  EXPECT_EQ(log.Count(TLogLevel::llInfo, "reading/writing broken"), 1);
}

}  // namespace
}  // namespace zentrova

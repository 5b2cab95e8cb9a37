#include "convert/filter_escape.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <fstream>
#include <string>

#include "convert/build_env.h"
#include "convert/option_builder.h"
#include "media/av_ptr.h"
#include "media/error_text.h"
#include "media/ff.h"
#include "options/option_split.h"
#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova::app {
namespace {

TEST(EscapeFilterOptionValue, BackslashBeforeOptionSeparatorsQuotesAndBlanks) {
  struct Case {
    const char* text;
    const char* escaped;
  } cases[] = {
      {"/w/a.png", "/w/a.png"}, {"/w/a:b.png", "/w/a\\:b.png"},
      {"it's", "it\\'s"},       {"a\\b", "a\\\\b"},
      {"x=1", "x\\=1"},         {"a b", "a\\ b"},
      {"[x],y;z", "[x],y;z"},   {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(EscapeFilterOptionValue(c.text), c.escaped) << c.text;
}

TEST(EscapeFilterGraphText, BackslashBeforeGraphSyntaxQuotesAndBlanks) {
  struct Case {
    const char* text;
    const char* escaped;
  } cases[] = {
      {"/w/a\\:b.png", "/w/a\\\\:b.png"},
      {"[x],y;z", "\\[x\\]\\,y\\;z"},
      {"it\\'s", "it\\\\\\'s"},
      {"a b", "a\\ b"},
      {"x=1:2", "x=1:2"},
  };
  for (const Case& c : cases) EXPECT_EQ(EscapeFilterGraphText(c.text), c.escaped) << c.text;
}

// The splitter turns 2n backslashes before a quote into n and a delimiter,
// 2n+1 into n and a literal quote, and leaves other backslashes alone.
TEST(QuoteForOptionSplitter, QuotesAreEscapedAndBackslashesBeforeThemDoubled) {
  struct Case {
    const char* argument;
    const char* quoted;
  } cases[] = {
      {"abc", "\"abc\""},           {"", "\"\""},
      {"a b", "\"a b\""},           {"a\"b", "\"a\\\"b\""},
      {"a\\\"b", "\"a\\\\\\\"b\""}, {"a\\\\\"b", "\"a\\\\\\\\\\\"b\""},
      {"a\\b", "\"a\\b\""},         {"ab\\", "\"ab\\\\\""},
      {"ab\\\\", "\"ab\\\\\\\\\""},
  };
  for (const Case& c : cases) EXPECT_EQ(QuoteForOptionSplitter(c.argument), c.quoted) << c.argument;
}

// A small PNG made with the library's own encoder.
void WritePng(const std::string& path) {
  const AVCodec* codec = ff::avcodec_find_encoder(AV_CODEC_ID_PNG);
  ASSERT_NE(codec, nullptr);
  AVCodecContextPtr context(ff::avcodec_alloc_context3(codec));
  ASSERT_TRUE(context);
  context->width = 16;
  context->height = 16;
  context->pix_fmt = AV_PIX_FMT_RGB24;
  context->time_base = {1, 25};
  ASSERT_GE(ff::avcodec_open2(context.get(), codec, nullptr), 0);
  AVFramePtr frame = MakeFrame();
  frame->format = AV_PIX_FMT_RGB24;
  frame->width = 16;
  frame->height = 16;
  ASSERT_GE(ff::av_frame_get_buffer(frame.get(), 0), 0);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 48; ++x) frame->data[0][y * frame->linesize[0] + x] = static_cast<uint8_t>(x * 5 + y);
  ASSERT_GE(ff::avcodec_send_frame(context.get(), frame.get()), 0);
  ASSERT_GE(ff::avcodec_send_frame(context.get(), nullptr), 0);
  std::ofstream out(path, std::ios::binary);
  AVPacketPtr packet = MakePacket();
  while (ff::avcodec_receive_packet(context.get(), packet.get()) >= 0) {
    out.write(reinterpret_cast<const char*>(packet->data), packet->size);
    ff::av_packet_unref(packet.get());
  }
  ASSERT_TRUE(out.good());
}

// The -vf argument of a built option string, after the engine's splitter,
// parses as a graph whose movie filter opens exactly the named file,
// whatever characters the name holds.
TEST(WatermarkGraph, TheMovieFilterReceivesAnyFileNameUnchanged) {
  test::LoadMediaLibraries();
  test::TempDir dir;
  const char* names[] = {
      "plain.png",        "a:b.png",     "quote\"d.png",    "it's.png",      "[x],y;z.png",
      "back\\slash.png",  "eq=1.png",    "中文 水印.png",   "trailing.png ", "two  spaces.png",
      "colon\\:mix'.png", "ends with\\", "q\\\"uote\\.png", "logo%d.png",    "12:30.png",
  };
  for (const char* name : names) {
    const std::string path = dir.File(name);
    WritePng(path);
    OutputSettings settings;
    settings.WaterMark = true;
    settings.WaterMarkFile = path;
    settings.VertFlip = true;
    SourceFacts source;
    source.FileName = dir.File("source.mp4");
    source.VideoStreamIndex = 0;
    const TOutputOptions output = BuildOutputOptions(settings, source, SystemBuildEnv(nullptr));
    const std::vector<std::string> arguments = split_option_string(output.Options);
    const auto vf = std::find(arguments.begin(), arguments.end(), "-vf");
    ASSERT_TRUE(vf != arguments.end() && vf + 1 != arguments.end()) << output.Options;
    EXPECT_EQ(arguments.back(), "-sn") << output.Options;
    const std::string& chain = *(vf + 1);

    AVFilterGraphPtr graph(ff::avfilter_graph_alloc());
    AVFilterInOut* inputs = nullptr;
    AVFilterInOut* outputs = nullptr;
    const int parsed = ff::avfilter_graph_parse_ptr(graph.get(), chain.c_str(), &inputs, &outputs, nullptr);
    const AVFilterInOutPtr inputs_owner(inputs), outputs_owner(outputs);
    ASSERT_GE(parsed, 0) << name << ": " << error_code_text(parsed) << "\n" << chain;
    ASSERT_TRUE(inputs && outputs) << name;
    EXPECT_STREQ(inputs->name, "in");
    EXPECT_EQ(inputs->next, nullptr);
    EXPECT_STREQ(outputs->name, "out");

    const AVFilterContext* movie = nullptr;
    for (unsigned i = 0; i < graph->nb_filters; ++i)
      if (std::string_view(graph->filters[i]->filter->name) == "movie") movie = graph->filters[i];
    ASSERT_NE(movie, nullptr) << name;
    uint8_t* file_name = nullptr;
    ASSERT_GE(
        ff::av_opt_get(const_cast<AVFilterContext*>(movie), "filename", AV_OPT_SEARCH_CHILDREN, &file_name),
        0);
    const AVMemoryPtr<uint8_t> file_name_owner(file_name);
    // The local file itself, read as one picture whatever its name holds.
    EXPECT_EQ(reinterpret_cast<const char*>(file_name), "file:" + path) << name;
    uint8_t* format_name = nullptr;
    ASSERT_GE(ff::av_opt_get(const_cast<AVFilterContext*>(movie), "format_name", AV_OPT_SEARCH_CHILDREN,
                             &format_name),
              0);
    const AVMemoryPtr<uint8_t> format_name_owner(format_name);
    EXPECT_STREQ(reinterpret_cast<const char*>(format_name), "image2pipe") << name;
  }
}

}  // namespace
}  // namespace zentrova::app

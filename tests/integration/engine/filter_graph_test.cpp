// Building filter graphs from opened files: instance names and arguments of
// the filters the engine inserts, binding of complex graphs, and the frames
// that come out of a built graph.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/filters/filter_args.h"
#include "engine_io_fixture.h"

namespace zentrova::test {
namespace {

class FilterGraph : public EngineIoTest {
 protected:
  // Opens the clip as input, `options` as the output and builds the simple
  // graph of output stream `ost_index`.
  TFilterGraph* Build(TestEngine& engine, const std::string& input_options, const std::string& options,
                      const ClipSpec& spec = Mp4H264Aac(1.0), std::size_t ost_index = 0) {
    EXPECT_EQ(OpenInput(engine, input_options, Clip("clip.mp4", spec)).code, 0);
    const OpenResult out = OpenOutput(engine, options, dir_.File("out.mkv"));
    EXPECT_EQ(out.code, 0) << out.error;
    if (out.code != 0 || engine.Foutput_streams.size() <= ost_index) return nullptr;
    TOutputStream* ost = engine.Foutput_streams[ost_index].get();
    TInputStream* ist = engine.Finput_streams[static_cast<std::size_t>(ost->source_index)].get();
    return engine.InitSimpleFilterGraph(ist, ost);
  }

  static AVFilterContext* Find(const TFilterGraph* fg, const std::string& name) {
    return fg->graph ? ff::avfilter_graph_get_filter(fg->graph.get(), name.c_str()) : nullptr;
  }

  static std::string Option(AVFilterContext* filter, const char* name) {
    if (!filter) return "<none>";
    AVMemoryPtr<uint8_t> value;
    if (ff::av_opt_get(filter, name, AV_OPT_SEARCH_CHILDREN, OutPtr(value)) < 0) return "<none>";
    return value ? reinterpret_cast<const char*>(value.get()) : "<none>";
  }
};

TEST_F(FilterGraph, SimpleGraphNamesItsSourceAndSink) {
  TestEngine engine;
  TFilterGraph* fg = Build(engine, "", "-an -vf scale=640:480,hflip");
  ASSERT_NE(fg, nullptr);
  ASSERT_EQ(engine.ConfigureFilterGraph(fg), 0);
  EXPECT_EQ(fg->reconfiguration, 1);
  EXPECT_NE(Find(fg, "graph 0 input from stream 0:0"), nullptr);
  EXPECT_NE(Find(fg, "output stream 0:0"), nullptr);
  EXPECT_NE(Find(fg, "Parsed_hflip_1"), nullptr);
  EXPECT_EQ(Find(fg, "scaler for output stream 0:0"), nullptr);  // no -s
  EXPECT_EQ(fg->inputs[0]->filter, Find(fg, "graph 0 input from stream 0:0"));
  EXPECT_EQ(fg->outputs[0]->filter, Find(fg, "output stream 0:0"));
  EXPECT_EQ(fg->inputs[0]->name, "Parsed_scale_0");
  EXPECT_EQ(fg->outputs[0]->name, "Parsed_hflip_1");
  EXPECT_EQ(TCustomFFmpegOpt::InputInFilterGraph(fg, engine.Finput_streams[0].get()), 1);
  EXPECT_EQ(TCustomFFmpegOpt::InputInFilterGraph(fg, engine.Finput_streams[1].get()), 0);
}

TEST_F(FilterGraph, SizeFormatAndDurationInsertTheirFilters) {
  TestEngine engine;
  TFilterGraph* fg = Build(engine, "-ss 0.2", "-an -s 160x120 -pix_fmt yuv444p -t 0.5");
  ASSERT_NE(fg, nullptr);
  ASSERT_EQ(engine.ConfigureFilterGraph(fg), 0);
  AVFilterContext* scaler = Find(fg, "scaler for output stream 0:0");
  ASSERT_NE(scaler, nullptr);
  EXPECT_EQ(Option(scaler, "w"), "160");
  EXPECT_EQ(Option(scaler, "h"), "120");
  EXPECT_EQ(Option(Find(fg, "pixel format for output stream 0:0"), "pix_fmts"), "yuv444p");
  AVFilterContext* output_trim = Find(fg, "trim for output stream 0:0");
  ASSERT_NE(output_trim, nullptr);
  EXPECT_EQ(Option(output_trim, "durationi"), "0.5");  // the library shows durations in seconds
  AVFilterContext* input_trim = Find(fg, "trim for input stream 0:0");  // after an exact seek: from 0
  ASSERT_NE(input_trim, nullptr);
  EXPECT_EQ(Option(input_trim, "starti"), "0");
}

TEST_F(FilterGraph, SimpleGraphWithTwoOutputsIsRefused) {
  TestEngine engine;
  TFilterGraph* fg = Build(engine, "", "-an -vf split");
  ASSERT_NE(fg, nullptr);
  LogCapture log;
  EXPECT_EQ(engine.ConfigureFilterGraph(fg), AVERROR(EINVAL));
  EXPECT_EQ(
      log.Count("Simple filtergraph \"split\" was expected to have exactly 1 input and 1 output. However, it "
                "had 1 input(s) and >1 output(s). Please adjust, or use a complex filtergraph "
                "(-filter_complex) instead."),
      1);
}

struct RotationCase {
  double degrees;
  std::vector<TFilterStep> steps;  ///< instance name and the option that shows its argument
};

class FilterGraphRotation : public FilterGraph, public ::testing::WithParamInterface<RotationCase> {};

TEST_P(FilterGraphRotation, TurnsThePictureUpright) {
  TestEngine engine;
  TFilterGraph* fg = Build(engine, "", "-an", Mp4Rotated(GetParam().degrees, 0.4));
  ASSERT_NE(fg, nullptr);
  ASSERT_EQ(engine.ConfigureFilterGraph(fg), 0);
  for (const TFilterStep& step : GetParam().steps) {
    AVFilterContext* filter = Find(fg, step.name);
    ASSERT_NE(filter, nullptr) << step.name;
    if (step.name == "transpose") {
      EXPECT_EQ(Option(filter, "dir"), step.args);
    } else if (step.name == "rotate") {
      EXPECT_EQ(Option(filter, "angle"), step.args);
    }
  }
  if (GetParam().steps.empty()) {
    EXPECT_EQ(Find(fg, "transpose"), nullptr);
    EXPECT_EQ(Find(fg, "rotate"), nullptr);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, FilterGraphRotation,
                         ::testing::Values(RotationCase{90, {{"transpose", "1"}}},   // clock
                                           RotationCase{270, {{"transpose", "2"}}},  // cclock
                                           RotationCase{180, {{"hflip", ""}, {"vflip", ""}}},
                                           RotationCase{45, {{"rotate", "45.000000*PI/180"}}}));

TEST_F(FilterGraph, AutorotateOffInsertsNothing) {
  TestEngine engine;
  TFilterGraph* fg = Build(engine, "-autorotate 0", "-an", Mp4Rotated(90, 0.4));
  ASSERT_NE(fg, nullptr);
  ASSERT_EQ(engine.ConfigureFilterGraph(fg), 0);
  EXPECT_EQ(Find(fg, "transpose"), nullptr);
}

// Switches the process to a locale that writes a decimal comma, made from
// the system's locale sources into the test's folder when not installed.
class DecimalCommaLocale {
 public:
  explicit DecimalCommaLocale(const std::filesystem::path& folder) {
    previous_ = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8")) return;
    const std::string target = (folder / "de_DE.UTF-8").string();
    const std::string command = "localedef -i de_DE -f UTF-8 '" + target + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) == 0) {
      setenv("LOCPATH", folder.c_str(), 1);
      const bool made = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
      unsetenv("LOCPATH");  // loaded; later locale look-ups must not search the test's folder
      if (made) return;
    }
    active_ = false;
  }
  ~DecimalCommaLocale() { std::setlocale(LC_ALL, previous_.c_str()); }
  bool Active() const { return active_ && std::localeconv()->decimal_point[0] == ','; }

 private:
  std::string previous_;
  bool active_ = true;
};

TEST_F(FilterGraph, RotationArgumentsKeepTheDecimalPointUnderACommaLocale) {
  DecimalCommaLocale locale(dir_.Path());
  if (!locale.Active()) GTEST_SKIP() << "no locale with a decimal comma can be made here";
  EXPECT_EQ(RotationFilters(45), (std::vector<TFilterStep>{{"rotate", "45.000000*PI/180"}}));
  EXPECT_EQ(FormatFixed6(2), "2.000000");
  EXPECT_EQ(AsyncResampleArgs(1, 0.1f, false), "async=1:min_hard_comp=0.100000:first_pts=0");
  TestEngine engine;
  TFilterGraph* fg = Build(engine, "", "-an", Mp4Rotated(45, 0.4));
  ASSERT_NE(fg, nullptr);
  ASSERT_EQ(engine.ConfigureFilterGraph(fg), 0);
  EXPECT_EQ(Option(Find(fg, "rotate"), "angle"), "45.000000*PI/180");
}

TEST_F(FilterGraph, AsyncInsertsAresampleAndDropsFirstPtsOnRebuild) {
  EXPECT_EQ(AsyncResampleArgs(1, 0.1f, false), "async=1:min_hard_comp=0.100000:first_pts=0");
  EXPECT_EQ(AsyncResampleArgs(1, 0.1f, true), "async=1:min_hard_comp=0.100000");
  TestEngine engine;
  LogCapture log;
  TFilterGraph* fg = Build(engine, "", "-vn -async 1");
  ASSERT_NE(fg, nullptr);
  ASSERT_EQ(engine.ConfigureFilterGraph(fg), 0);
  AVFilterContext* resample = Find(fg, "graph 0 aresample for input stream 0:1");
  ASSERT_NE(resample, nullptr);
  EXPECT_EQ(Option(resample, "first_pts"), "0");
  EXPECT_EQ(log.Count("-async is forwarded to lavfi similarly to -af "
                      "aresample=async=1:min_hard_comp=0.100000:first_pts=0."),
            1);
  ASSERT_EQ(engine.ConfigureFilterGraph(fg), 0);  // rebuilt after a parameter change
  resample = Find(fg, "graph 0 aresample for input stream 0:1");
  ASSERT_NE(resample, nullptr);
  EXPECT_NE(Option(resample, "first_pts"), "0");
}

TEST_F(FilterGraph, VolumeIsForwardedToTheVolumeFilter) {
  TestEngine engine;
  LogCapture log;
  TFilterGraph* fg = Build(engine, "", "-vn -vol 512");
  ASSERT_NE(fg, nullptr);
  ASSERT_EQ(engine.ConfigureFilterGraph(fg), 0);
  EXPECT_EQ(Option(Find(fg, "graph 0 volume for input stream 0:1"), "volume"), "2.000000");
  EXPECT_EQ(log.Count("-vol has been deprecated. Use the volume audio filter instead."), 1);
}

TEST_F(FilterGraph, ChannelMapBecomesAPanFilter) {
  TestEngine engine;
  TFilterGraph* fg = Build(engine, "", "-vn -map_channel 0.1.1");
  ASSERT_NE(fg, nullptr);
  ASSERT_EQ(engine.ConfigureFilterGraph(fg), 0);
  EXPECT_EQ(Option(Find(fg, "pan"), "args"), "0x4|c0=c1");
}

TEST_F(FilterGraph, FixedFrameSizeEncoderGetsFramesOfItsSize) {
  TestEngine engine;
  TFilterGraph* fg = Build(engine, "", "-vn -c:a mp2");
  ASSERT_NE(fg, nullptr);
  TOutputStream& ost = *engine.Foutput_streams[0];
  // The transcode opens the encoder, then builds the graph again.
  AVCodecContext* enc = ost.enc_ctx.get();
  enc->sample_fmt = AV_SAMPLE_FMT_S16;
  enc->sample_rate = 48000;
  enc->time_base = AVRational{1, 48000};
  AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
  ASSERT_EQ(ff::av_channel_layout_copy(&enc->ch_layout, &stereo), 0);
  ASSERT_EQ(ff::avcodec_open2(enc, ost.enc, nullptr), 0);
  ASSERT_EQ(enc->frame_size, 1152);
  ASSERT_EQ(engine.ConfigureFilterGraph(fg), 0);

  const AVCodecContext* dec = engine.Finput_streams[1]->dec_ctx.get();
  AVFramePtr frame = MakeFrame();
  frame->format = dec->sample_fmt;
  frame->sample_rate = dec->sample_rate;
  frame->nb_samples = 4000;
  ASSERT_EQ(ff::av_channel_layout_copy(&frame->ch_layout, &dec->ch_layout), 0);
  ASSERT_EQ(ff::av_frame_get_buffer(frame.get(), 0), 0);
  ff::av_samples_set_silence(frame->extended_data, 0, frame->nb_samples, frame->ch_layout.nb_channels,
                             static_cast<AVSampleFormat>(frame->format));
  frame->pts = 0;
  ASSERT_GE(ff::av_buffersrc_add_frame(fg->inputs[0]->filter, frame.get()), 0);
  ASSERT_GE(ff::av_buffersrc_add_frame(fg->inputs[0]->filter, nullptr), 0);
  std::vector<int> sizes;
  AVFramePtr out = MakeFrame();
  while (ff::av_buffersink_get_frame(fg->outputs[0]->filter, out.get()) >= 0) {
    sizes.push_back(out->nb_samples);
    ff::av_frame_unref(out.get());
  }
  EXPECT_EQ(sizes, (std::vector<int>{1152, 1152, 1152, 4000 - 3 * 1152}));
}

class ComplexFilterGraph : public FilterGraph {};

TEST_F(ComplexFilterGraph, LabelledInputsAreDecodedForTheGraph) {
  TestEngine engine;
  const std::string clip = Clip("clip.mp4", Mp4H264Aac(1.0));
  ASSERT_EQ(OpenInput(engine, "", clip).code, 0);
  ASSERT_EQ(OpenInput(engine, "", clip).code, 1);
  const OpenResult result = OpenOutput(engine, "-filter_complex [0:a][1:a]amix", dir_.File("out.mkv"));
  ASSERT_EQ(result.code, 0) << result.error;
  ASSERT_EQ(engine.Ffiltergraphs.size(), 1u);
  const TFilterGraph& fg = *engine.Ffiltergraphs[0];
  ASSERT_NE(fg.graph, nullptr);  // built when the output was opened
  ASSERT_EQ(fg.inputs.size(), 2u);
  EXPECT_EQ(fg.inputs[0]->ist, engine.Finput_streams[1].get());
  EXPECT_EQ(fg.inputs[1]->ist, engine.Finput_streams[3].get());
  for (const auto& input : fg.inputs) {
    EXPECT_TRUE(input->ist->decoding_needed.for_filter_graph);
    EXPECT_EQ(input->ist->discard, 0);
    EXPECT_EQ(input->ist->st->discard, AVDISCARD_NONE);
  }
  // The graph's unlabelled output took the audio slot; video was chosen as usual.
  ASSERT_EQ(engine.Foutput_streams.size(), 2u);
  EXPECT_EQ(engine.Foutput_streams[0]->filter, fg.outputs[0].get());
  EXPECT_EQ(engine.Foutput_streams[0]->source_index, -1);
  EXPECT_EQ(engine.Foutput_streams[0]->st->codecpar->codec_type, AVMEDIA_TYPE_AUDIO);
  EXPECT_EQ(engine.Foutput_streams[1]->st->codecpar->codec_type, AVMEDIA_TYPE_VIDEO);
}

TEST_F(ComplexFilterGraph, LabelledOutputIsBoundByMap) {
  TestEngine engine;
  ASSERT_EQ(OpenInput(engine, "", Clip("clip.mp4", Mp4H264Aac(1.0))).code, 0);
  const OpenResult result =
      OpenOutput(engine, "-filter_complex [0:v]hflip[flipped] -map [flipped] -map 0:a", dir_.File("out.mkv"));
  ASSERT_EQ(result.code, 0) << result.error;
  ASSERT_EQ(engine.Foutput_streams.size(), 2u);
  const TFilterGraph& fg = *engine.Ffiltergraphs[0];
  EXPECT_EQ(fg.outputs[0]->ost, engine.Foutput_streams[0].get());
  EXPECT_EQ(fg.outputs[0]->out_tmp, nullptr);
  EXPECT_NE(ff::avfilter_graph_get_filter(fg.graph.get(), "output stream 0:0"), nullptr);
  EXPECT_NE(ff::avfilter_graph_get_filter(fg.graph.get(), "graph 0 input from stream 0:0"), nullptr);
}

struct ComplexFailureCase {
  const char* options;
  const char* message;
};

class ComplexFilterGraphFailure : public FilterGraph,
                                  public ::testing::WithParamInterface<ComplexFailureCase> {};

TEST_P(ComplexFilterGraphFailure, NamesTheProblem) {
  TestEngine engine;
  ASSERT_EQ(OpenInput(engine, "", Clip("clip.mp4", Mp4H264Aac(1.0))).code, 0);
  const OpenResult result = OpenOutput(engine, GetParam().options, dir_.File("out.mkv"));
  EXPECT_LT(result.code, 0);
  EXPECT_EQ(result.error, GetParam().message);
  EXPECT_TRUE(engine.Foutput_streams.empty());
  EXPECT_FALSE(std::filesystem::exists(dir_.File("out.mkv")));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ComplexFilterGraphFailure,
    ::testing::Values(
        ComplexFailureCase{
            "-filter_complex hflip -filter_complex hflip",
            "Cannot find a matching stream for unlabeled input pad 0 on filter Parsed_hflip_0"},
        ComplexFailureCase{"-filter_complex [5:v]hflip",
                           "Invalid file index 5 in filtergraph description [5:v]hflip."},
        ComplexFailureCase{
            "-filter_complex [0:s]hflip",
            "Stream specifier \":s\" in filtergraph description [0:s]hflip matches no streams."},
        ComplexFailureCase{
            "-filter_complex hflip -c:v copy",
            "Streamcopy requested for output stream 0:0, which is fed from a complex filtergraph. "
            "Filtering and streamcopy cannot be used together."},
        ComplexFailureCase{
            "-filter_complex hflip -vf vflip",
            "Filtergraph \"vflip\" was specified through the -vf/-af/-filter option for output "
            "stream 0:0, which is fed from a complex filtergraph.\r\n-vf/-af/-filter and "
            "-filter_complex cannot be used together for the same stream."},
        ComplexFailureCase{"-filter_complex [0:v]split[a][b] -map [a]",
                           "Filter Parsed_split_0:output1 has an unconnected output"}));

TEST_F(ComplexFilterGraph, SubtitleIntoAVideoPadUsesTheLargestVideoCanvas) {
  ClipSpec spec = MatroskaWithSubtitles(1.0);
  spec.video->width = 352;
  spec.video->height = 288;
  TestEngine engine;
  ASSERT_EQ(OpenInput(engine, "", Clip("subs.mkv", spec)).code, 0);
  const OpenResult result =
      OpenOutput(engine, "-filter_complex [0:s]null[canvas] -map [canvas]", dir_.File("out.mkv"));
  ASSERT_EQ(result.code, 0) << result.error;
  const TInputStream& subtitles = *engine.Ffiltergraphs[0]->inputs[0]->ist;
  EXPECT_EQ(subtitles.st->codecpar->codec_type, AVMEDIA_TYPE_SUBTITLE);
  EXPECT_EQ(subtitles.sub2video.w, 352);
  EXPECT_EQ(subtitles.sub2video.h, 288);
  EXPECT_EQ(subtitles.resample_pix_fmt, AV_PIX_FMT_BGRA);
  EXPECT_NE(subtitles.sub2video.frame, nullptr);
}

TEST_F(ComplexFilterGraph, SubtitleWithoutVideoGetsAStandardCanvas) {
  ClipSpec spec;
  spec.format = "matroska";
  spec.duration_s = 1.0;
  spec.subtitle_streams = 1;
  spec.audio = {AudioSpec{}};
  TestEngine engine;
  ASSERT_EQ(OpenInput(engine, "", Clip("subs_only.mkv", spec)).code, 0);
  LogCapture log;
  const OpenResult result =
      OpenOutput(engine, "-filter_complex [0:s]null[canvas] -map [canvas]", dir_.File("out.mkv"));
  ASSERT_EQ(result.code, 0) << result.error;
  const TInputStream& subtitles = *engine.Ffiltergraphs[0]->inputs[0]->ist;
  EXPECT_EQ(subtitles.sub2video.w, 720);
  EXPECT_EQ(subtitles.sub2video.h, 576);
  EXPECT_EQ(log.Count("sub2video: using 720x576 canvas"), 1);
}

}  // namespace
}  // namespace zentrova::test

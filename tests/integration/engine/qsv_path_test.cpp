// The one-to-one QSV path, decided from real option strings before any
// codec opens, and the buffer source of a stream that decodes into
// hardware frames. No QSV hardware is needed: the decision is read without
// setting up a device, and the frames pool is one the library allocates
// without initialising a device.
#include <gtest/gtest.h>

#include <string>

#include "engine/transcode/qsv_transcode.h"
#include "engine_io_fixture.h"

namespace zentrova::test {
namespace {

bool HasQsvCodecs() {
  return ff::avcodec_find_decoder_by_name("h264_qsv") && ff::avcodec_find_encoder_by_name("h264_qsv");
}

struct DecisionCase {
  const char* name;
  const char* input_options;
  const char* output_options;
  TQsvTranscode decision;  ///< for every encoded video stream, with the QSV runtime present
};

class QsvDecision : public EngineIoTest, public ::testing::WithParamInterface<DecisionCase> {};

// Only a stream decoded by the QSV decoder straight into the QSV encoder,
// with no filter and no other output of the same source, gets the device;
// "-hwaccel auto" never asks for it.
TEST_P(QsvDecision, OnlyAPlainOneToOnePathGetsTheDevice) {
  if (!HasQsvCodecs()) GTEST_SKIP() << "the libraries carry no QSV codecs";
  const DecisionCase& c = GetParam();
  TestEngine engine;
  ASSERT_EQ(OpenInput(engine, c.input_options, Clip("clip.mp4", Mp4H264Aac(0.2))).code, 0);
  const OpenResult out = OpenOutput(engine, c.output_options, dir_.File("out.mp4"));
  ASSERT_EQ(out.code, 0) << out.error;
  ASSERT_FALSE(engine.Foutput_streams.empty());
  for (const std::unique_ptr<TOutputStream>& ost : engine.Foutput_streams) {
    ASSERT_GE(ost->source_index, 0);
    const TInputStream& ist = *engine.Finput_streams[static_cast<std::size_t>(ost->source_index)];
    TQsvCandidate candidate = QsvCandidateOf(*ost, ist, engine.Foutput_streams, engine.Fdo_deinterlace != 0);
    candidate.runtime_loaded = true;  // this machine may lack the runtime; the rest is decided alike
    EXPECT_EQ(DecideQsvTranscode(candidate), c.decision) << "output stream " << ost->index;
  }
}

INSTANTIATE_TEST_SUITE_P(
    OptionStrings, QsvDecision,
    ::testing::Values(
        DecisionCase{"one_to_one", "-hwaccel qsv -c:v h264_qsv", "-an -c:v h264_qsv",
                     TQsvTranscode::Possible},
        DecisionCase{"filter", "-hwaccel qsv -c:v h264_qsv", "-an -c:v h264_qsv -vf hflip",
                     TQsvTranscode::NotOneToOne},
        DecisionCase{"size_change", "-hwaccel qsv -c:v h264_qsv", "-an -c:v h264_qsv -s 160x120",
                     TQsvTranscode::NotOneToOne},
        DecisionCase{"software_pixel_format", "-hwaccel qsv -c:v h264_qsv", "-an -c:v h264_qsv -pix_fmt nv12",
                     TQsvTranscode::NotOneToOne},
        DecisionCase{"deinterlace", "-hwaccel qsv -c:v h264_qsv", "-an -c:v h264_qsv -deinterlace",
                     TQsvTranscode::NotOneToOne},
        DecisionCase{"only_a_time_limit", "-hwaccel qsv -c:v h264_qsv", "-an -c:v h264_qsv -t 0.1",
                     TQsvTranscode::Possible},
        DecisionCase{"shared_source", "-hwaccel qsv -c:v h264_qsv", "-an -map 0:v -map 0:v -c:v h264_qsv",
                     TQsvTranscode::NotOneToOne},
        DecisionCase{"software_encoder", "-hwaccel qsv -c:v h264_qsv", "-an -c:v mpeg4",
                     TQsvTranscode::NotOneToOne},
        DecisionCase{"software_decoder", "-hwaccel qsv", "-an -c:v h264_qsv", TQsvTranscode::NotOneToOne},
        DecisionCase{"automatic", "-hwaccel auto -c:v h264_qsv", "-an -c:v h264_qsv",
                     TQsvTranscode::NotRequested},
        DecisionCase{"not_asked", "-c:v h264_qsv", "-an -c:v h264_qsv", TQsvTranscode::NotRequested}),
    [](const ::testing::TestParamInfo<DecisionCase>& info) { return std::string(info.param.name); });

// A QSV frames pool of an uninitialised device: enough for the graph, which
// only hands the pool on, and nothing here touches hardware.
AVBufferRefPtr QsvFramesPool(int width, int height) {
  AVBufferRefPtr device(ff::av_hwdevice_ctx_alloc(AV_HWDEVICE_TYPE_QSV));
  if (!device) return nullptr;
  AVBufferRefPtr frames(ff::av_hwframe_ctx_alloc(device.get()));
  if (!frames) return nullptr;
  auto* pool = reinterpret_cast<AVHWFramesContext*>(frames->data);
  pool->format = AV_PIX_FMT_QSV;
  pool->sw_format = AV_PIX_FMT_NV12;
  pool->width = width;
  pool->height = height;
  return frames;
}

using QsvFrames = EngineIoTest;

// The first hardware frame leaves its pool on the stream; the same pool
// again, or a software frame, changes nothing.
TEST_F(QsvFrames, StreamTakesTheFramesPoolOfANewHardwareFrame) {
  AVBufferRefPtr first = QsvFramesPool(64, 48);
  AVBufferRefPtr second = QsvFramesPool(64, 48);
  if (!first || !second) GTEST_SKIP() << "the libraries cannot hold a QSV frames pool";
  TInputStream ist;
  AVFramePtr frame(ff::av_frame_alloc());
  ASSERT_TRUE(frame);
  EXPECT_FALSE(TakeFramesPool(ist, *frame));  // software frame
  EXPECT_EQ(ist.hw_frames_ctx, nullptr);
  frame->hw_frames_ctx = ff::av_buffer_ref(first.get());
  EXPECT_TRUE(TakeFramesPool(ist, *frame));
  ASSERT_NE(ist.hw_frames_ctx, nullptr);
  EXPECT_EQ(ist.hw_frames_ctx->data, first->data);
  EXPECT_FALSE(TakeFramesPool(ist, *frame));
  ff::av_buffer_unref(&frame->hw_frames_ctx);
  frame->hw_frames_ctx = ff::av_buffer_ref(second.get());
  EXPECT_TRUE(TakeFramesPool(ist, *frame));
  EXPECT_EQ(ist.hw_frames_ctx->data, second->data);
}

// The buffer source of a stream that decodes into QSV frames carries the
// decoder's frames pool to the encoder's end of the graph (read back with
// the library's own accessor); a graph built before the pool was taken
// hands the encoder none.
TEST_F(QsvFrames, BufferSourceCarriesTheDecodersFramesPool) {
  if (!HasQsvCodecs()) GTEST_SKIP() << "the libraries carry no QSV codecs";
  for (const bool with_pool : {true, false}) {
    SCOPED_TRACE(with_pool ? "with the pool" : "without a pool");
    TestEngine engine;
    ASSERT_EQ(OpenInput(engine, "", Clip("clip.mp4", Mp4H264Aac(0.2))).code, 0);
    ASSERT_EQ(OpenOutput(engine, "-an -c:v h264_qsv", dir_.File("out.mp4")).code, 0);
    TOutputStream& ost = *engine.Foutput_streams.at(0);
    TInputStream& ist = *engine.Finput_streams.at(static_cast<std::size_t>(ost.source_index));
    // What the first hardware frame leaves on the stream.
    AVFramePtr frame(ff::av_frame_alloc());
    ASSERT_TRUE(frame);
    if (with_pool) {
      AVBufferRefPtr pool = QsvFramesPool(ist.resample_width, ist.resample_height);
      if (!pool) GTEST_SKIP() << "the libraries cannot hold a QSV frames pool";
      frame->hw_frames_ctx = pool.release();
      ASSERT_TRUE(TakeFramesPool(ist, *frame));
    }
    ist.resample_pix_fmt = AV_PIX_FMT_QSV;
    TFilterGraph* fg = engine.InitSimpleFilterGraph(&ist, &ost);
    ASSERT_NE(fg, nullptr);
    ASSERT_EQ(engine.ConfigureFilterGraph(fg), 0);
    AVFilterContext* sink = fg->outputs[0]->filter;
    EXPECT_EQ(ff::av_buffersink_get_format(sink), AV_PIX_FMT_QSV);
    const AVBufferRef* out = ff::av_buffersink_get_hw_frames_ctx(sink);
    if (with_pool) {
      ASSERT_NE(out, nullptr);
      EXPECT_EQ(out->data, frame->hw_frames_ctx->data);
    } else {
      EXPECT_EQ(out, nullptr);
    }
  }
}

}  // namespace
}  // namespace zentrova::test

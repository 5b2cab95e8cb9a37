// Streams that are neither video, audio nor subtitles: data streams are
// only copied, and mapping them follows -dn.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine_io_fixture.h"

namespace zentrova::test {
namespace {

// A NUT file with one data stream of UTF-8 text and a few packets.
void MakeDataOnlyFile(const std::string& path) {
  AVOutputFormatContextPtr oc;
  ASSERT_GE(ff::avformat_alloc_output_context2(OutPtr(oc), nullptr, "nut", path.c_str()), 0);
  AVStream* st = ff::avformat_new_stream(oc.get(), nullptr);
  ASSERT_NE(st, nullptr);
  st->codecpar->codec_type = AVMEDIA_TYPE_DATA;
  st->codecpar->codec_id = AV_CODEC_ID_TEXT;
  st->time_base = AVRational{1, 1000};
  ASSERT_GE(ff::avio_open2(&oc->pb, path.c_str(), AVIO_FLAG_WRITE, nullptr, nullptr), 0);
  ASSERT_GE(ff::avformat_write_header(oc.get(), nullptr), 0);
  for (int i = 0; i < 5; ++i) {
    AVPacketPtr packet = MakePacket();
    ASSERT_GE(ff::av_new_packet(packet.get(), 4), 0);
    std::copy_n("data", 4, packet->data);
    packet->stream_index = st->index;
    packet->pts = packet->dts = ff::av_rescale_q(i * 200, AVRational{1, 1000}, st->time_base);
    packet->flags |= AV_PKT_FLAG_KEY;
    ASSERT_GE(ff::av_interleaved_write_frame(oc.get(), packet.get()), 0);
  }
  ASSERT_GE(ff::av_write_trailer(oc.get()), 0);
}

class DataStream : public EngineIoTest {
 protected:
  void SetUp() override {
    EngineIoTest::SetUp();
    input_ = dir_.File("data.nut");
    MakeDataOnlyFile(input_);
  }
  std::string input_;
};

TEST_F(DataStream, IsCopiedWhenMappedWithCopy) {
  TestEngine engine;
  ASSERT_EQ(OpenInput(engine, "", input_).code, 0) << engine.FLastErrMsg;
  ASSERT_EQ(engine.Finput_streams[0]->st->codecpar->codec_type, AVMEDIA_TYPE_DATA);
  const OpenResult result = OpenOutput(engine, "-map 0:0 -c:d copy", dir_.File("out.nut"));
  ASSERT_EQ(result.code, 0) << result.error;
  ASSERT_EQ(engine.Foutput_streams.size(), 1u);
  EXPECT_EQ(engine.Foutput_streams[0]->st->codecpar->codec_type, AVMEDIA_TYPE_DATA);
  EXPECT_EQ(engine.Foutput_streams[0]->stream_copy, 1);
  EXPECT_EQ(engine.Foutput_streams[0]->encoding_needed, 0);
}

struct DataFailureCase {
  const char* options;
  const char* message;
  bool raised;
};

class DataStreamFailure : public DataStream, public ::testing::WithParamInterface<DataFailureCase> {};

TEST_P(DataStreamFailure, IsRefusedWithTheReason) {
  TestEngine engine;
  ASSERT_EQ(OpenInput(engine, "", input_).code, 0) << engine.FLastErrMsg;
  const std::string out = dir_.File("out.nut");
  const OpenResult result = OpenOutput(engine, GetParam().options, out);
  EXPECT_LT(result.code, 0);
  EXPECT_EQ(result.raised, GetParam().raised);
  EXPECT_EQ(result.error, GetParam().message);
  EXPECT_TRUE(engine.Foutput_streams.empty());
  EXPECT_FALSE(std::filesystem::exists(out));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DataStreamFailure,
    ::testing::Values(
        DataFailureCase{"-map 0:0", "Data stream encoding not supported yet (only streamcopy)", true},
        DataFailureCase{"-map 0:0 -c:d copy -dn", "Output file #0 does not contain any stream", false},
        DataFailureCase{"-map 0:0 -c:d mpeg4", "Invalid encoder type \"mpeg4\"", true}));

}  // namespace
}  // namespace zentrova::test

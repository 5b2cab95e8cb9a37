#include "engine/transcode/qsv_transcode.h"

#include <gtest/gtest.h>

#include "support/libraries.h"

namespace zentrova {
namespace {

TQsvCandidate OneToOne() {
  TQsvCandidate c;
  c.requested = THWAccelID::HWACCEL_QSV;
  c.runtime_loaded = true;
  c.encoder_takes_qsv = true;
  c.filter_description = "null";
  c.has_source = true;
  c.decoder_gives_qsv = true;
  return c;
}

TEST(DecideQsvTranscode, OnlyAPlainOneToOnePathWithTheRuntimeQualifies) {
  struct Case {
    const char* name;
    void (*change)(TQsvCandidate&);
    TQsvTranscode expected;
  };
  const Case cases[] = {
      {"one to one", [](TQsvCandidate&) {}, TQsvTranscode::Possible},
      {"not requested", [](TQsvCandidate& c) { c.requested = THWAccelID::HWACCEL_NONE; },
       TQsvTranscode::NotRequested},
      {"automatic is not a request", [](TQsvCandidate& c) { c.requested = THWAccelID::HWACCEL_AUTO; },
       TQsvTranscode::NotRequested},
      {"runtime missing", [](TQsvCandidate& c) { c.runtime_loaded = false; }, TQsvTranscode::RuntimeMissing},
      {"runtime missing wins over filters",
       [](TQsvCandidate& c) {
         c.runtime_loaded = false;
         c.filter_description = "scale=320:240";
       },
       TQsvTranscode::RuntimeMissing},
      {"a filter", [](TQsvCandidate& c) { c.filter_description = "scale=320:240"; },
       TQsvTranscode::NotOneToOne},
      {"the graph converts on its own", [](TQsvCandidate& c) { c.graph_converts = true; },
       TQsvTranscode::NotOneToOne},
      {"encoder without QSV pictures", [](TQsvCandidate& c) { c.encoder_takes_qsv = false; },
       TQsvTranscode::NotOneToOne},
      {"decoder without QSV pictures", [](TQsvCandidate& c) { c.decoder_gives_qsv = false; },
       TQsvTranscode::NotOneToOne},
      {"no source", [](TQsvCandidate& c) { c.has_source = false; }, TQsvTranscode::NotOneToOne},
      {"source feeds a graph", [](TQsvCandidate& c) { c.source_feeds_graph = true; },
       TQsvTranscode::NotOneToOne},
      {"shared source", [](TQsvCandidate& c) { c.source_shared = true; }, TQsvTranscode::NotOneToOne},
  };
  for (const Case& c : cases) {
    TQsvCandidate candidate = OneToOne();
    c.change(candidate);
    EXPECT_EQ(DecideQsvTranscode(candidate), c.expected) << c.name;
  }
}

// The library's own codec tables: the QSV encoder takes QSV pictures, the
// software ones do not.
TEST(CodecListsPixelFormat, ReadsTheCodecTables) {
  test::LoadMediaLibraries();
  const AVCodec* x264 = ff::avcodec_find_encoder_by_name("libx264");
  ASSERT_NE(x264, nullptr);
  EXPECT_TRUE(CodecListsPixelFormat(x264, AV_PIX_FMT_YUV420P));
  EXPECT_FALSE(CodecListsPixelFormat(x264, AV_PIX_FMT_QSV));
  if (const AVCodec* qsv = ff::avcodec_find_encoder_by_name("h264_qsv")) {
    EXPECT_TRUE(CodecListsPixelFormat(qsv, AV_PIX_FMT_QSV));
  }
  EXPECT_FALSE(CodecListsPixelFormat(nullptr, AV_PIX_FMT_QSV));
}

}  // namespace
}  // namespace zentrova

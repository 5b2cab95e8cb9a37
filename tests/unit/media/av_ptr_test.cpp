#include "media/av_ptr.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova {
namespace {

// Library buffers whose release the test sees: each counts itself when the
// library drops its last reference. Hung on an object, one tells whether the
// object's owner let go of everything the object held.
class ReleaseCounter {
 public:
  /// A new buffer; the caller owns the reference.
  AVBufferRef* NewBuffer() {
    auto* data = static_cast<std::uint8_t*>(ff::av_mallocz(kSize));
    AVBufferRef* buffer = data ? ff::av_buffer_create(data, kSize, &Released, this, 0) : nullptr;
    if (!buffer) {
      ff::av_free(data);
      ADD_FAILURE() << "no memory for a counted buffer";
      return nullptr;
    }
    ++made_;
    return buffer;
  }
  int Alive() const { return made_ - released_; }

 private:
  static constexpr std::size_t kSize = 64;
  static void Released(void* opaque, std::uint8_t* data) {
    ff::av_free(data);
    ++static_cast<ReleaseCounter*>(opaque)->released_;
  }
  int made_ = 0;
  int released_ = 0;
};

// What a row has to work with.
struct Probe {
  ReleaseCounter buffers;
  test::TempDir dir;
};

// The number of file descriptors the process holds.
int OpenFileCount() {
  const std::filesystem::directory_iterator fds("/proc/self/fd");
  return static_cast<int>(std::distance(begin(fds), end(fds)));
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Write(AVIOContext* pb, const char* text) {
  ff::avio_write(pb, reinterpret_cast<const unsigned char*>(text), static_cast<int>(std::strlen(text)));
}

// Each row builds an object in one state, gives it to its owner and lets the
// owner go; afterwards every counted buffer must be released and every file
// closed. ASan fails a row that frees anything twice or touches freed memory.
struct DeleterCase {
  const char* owner;
  const char* state;
  std::function<void(Probe&)> build_and_drop;
};

template <typename Ptr>
DeleterCase NullCase(const char* owner) {
  return {owner, "null", [](Probe&) { Ptr empty; }};
}

// A frame with a picture buffer and a counted opaque reference.
AVFramePtr CountedFrame(Probe& probe) {
  AVFramePtr frame = MakeFrame();
  frame->format = AV_PIX_FMT_YUV420P;
  frame->width = 16;
  frame->height = 16;
  frame->pts = 0;
  EXPECT_GE(ff::av_frame_get_buffer(frame.get(), 0), 0);
  frame->opaque_ref = probe.buffers.NewBuffer();
  return frame;
}

// A buffer source feeding a sink, configured, holding one unread frame.
void GraphHoldingAFrame(Probe& probe) {
  AVFilterGraphPtr graph(ff::avfilter_graph_alloc());
  ASSERT_TRUE(graph);
  AVFilterContext* source = nullptr;
  AVFilterContext* sink = nullptr;
  ASSERT_GE(ff::avfilter_graph_create_filter(&source, ff::avfilter_get_by_name("buffer"), "in",
                                             "video_size=16x16:pix_fmt=0:time_base=1/25:pixel_aspect=1/1",
                                             nullptr, graph.get()),
            0);
  ASSERT_GE(ff::avfilter_graph_create_filter(&sink, ff::avfilter_get_by_name("buffersink"), "out", nullptr,
                                             nullptr, graph.get()),
            0);
  ASSERT_GE(ff::avfilter_link(source, 0, sink, 0), 0);
  ASSERT_GE(ff::avfilter_graph_config(graph.get(), nullptr), 0);
  AVFramePtr frame = CountedFrame(probe);
  ASSERT_GE(ff::av_buffersrc_add_frame_flags(source, frame.get(), AV_BUFFERSRC_FLAG_KEEP_REF), 0);
}

const std::vector<DeleterCase>& DeleterCases() {
  static const std::vector<DeleterCase> cases = {
      NullCase<AVFramePtr>("AVFramePtr"),
      {"AVFramePtr", "allocated", [](Probe&) { AVFramePtr frame = MakeFrame(); }},
      {"AVFramePtr", "holding buffers", [](Probe& probe) { CountedFrame(probe); }},

      NullCase<AVPacketPtr>("AVPacketPtr"),
      {"AVPacketPtr", "holding data",
       [](Probe& probe) {
         AVPacketPtr packet = MakePacket();
         ASSERT_GE(ff::av_new_packet(packet.get(), 32), 0);
         packet->opaque_ref = probe.buffers.NewBuffer();
       }},

      NullCase<AVBufferRefPtr>("AVBufferRefPtr"),
      {"AVBufferRefPtr", "adopted", [](Probe& probe) { Adopt<AVBufferRefPtr>(probe.buffers.NewBuffer()); }},
      {"AVBufferRefPtr", "second reference",
       [](Probe& probe) {
         AVBufferRefPtr first = Adopt<AVBufferRefPtr>(probe.buffers.NewBuffer());
         AVBufferRefPtr second = AddReference(first.get());
         first.reset();
         EXPECT_EQ(probe.buffers.Alive(), 1);  // the second reference keeps it
       }},

      NullCase<AVCodecContextPtr>("AVCodecContextPtr"),
      {"AVCodecContextPtr", "allocated, never opened",
       [](Probe& probe) {
         AVCodecContextPtr context(ff::avcodec_alloc_context3(nullptr));
         ASSERT_TRUE(context);
         context->hw_device_ctx = probe.buffers.NewBuffer();
       }},

      NullCase<AVEncoderContextPtr>("AVEncoderContextPtr"),
      {"AVEncoderContextPtr", "given statistics and a chroma matrix",
       [](Probe& probe) {
         AVEncoderContextPtr context(ff::avcodec_alloc_context3(nullptr));
         ASSERT_TRUE(context);
         context->stats_in = ff::av_strdup("pass 1 statistics");
         context->chroma_intra_matrix =
             static_cast<std::uint16_t*>(ff::av_mallocz(64 * sizeof(std::uint16_t)));
         context->intra_matrix = static_cast<std::uint16_t*>(ff::av_mallocz(64 * sizeof(std::uint16_t)));
         context->hw_device_ctx = probe.buffers.NewBuffer();
       }},

      NullCase<AVFormatContextPtr>("AVFormatContextPtr"),
      {"AVFormatContextPtr", "a stream with extradata, never opened",
       [](Probe&) {
         AVFormatContextPtr context(ff::avformat_alloc_context());
         ASSERT_TRUE(context);
         AVStream* stream = ff::avformat_new_stream(context.get(), nullptr);
         ASSERT_NE(stream, nullptr);
         stream->codecpar->extradata =
             static_cast<std::uint8_t*>(ff::av_mallocz(16 + AV_INPUT_BUFFER_PADDING_SIZE));
         stream->codecpar->extradata_size = 16;
       }},

      NullCase<AVInputFormatContextPtr>("AVInputFormatContextPtr"),
      {"AVInputFormatContextPtr", "allocated, never opened",
       [](Probe&) { AVInputFormatContextPtr context(ff::avformat_alloc_context()); }},
      {"AVInputFormatContextPtr", "reading a file",
       [](Probe& probe) {
         const std::string path = probe.dir.File("input.bin");
         test::WriteFile(path, std::string(256, 'x'));
         AVInputFormatContextPtr context;
         ASSERT_GE(ff::avformat_open_input(OutPtr(context), path.c_str(), ff::av_find_input_format("data"),
                                           nullptr),
                   0);
         ASSERT_NE(context->pb, nullptr);
       }},

      NullCase<AVOutputFormatContextPtr>("AVOutputFormatContextPtr"),
      {"AVOutputFormatContextPtr", "allocated, no file yet",
       [](Probe& probe) {
         AVOutputFormatContextPtr context;
         ASSERT_GE(ff::avformat_alloc_output_context2(OutPtr(context), nullptr, nullptr,
                                                      probe.dir.File("none.mp4").c_str()),
                   0);
         ASSERT_NE(ff::avformat_new_stream(context.get(), nullptr), nullptr);
       }},
      {"AVOutputFormatContextPtr", "writing its file",
       [](Probe& probe) {
         const std::string path = probe.dir.File("out.mp4");
         {
           AVOutputFormatContextPtr context;
           ASSERT_GE(ff::avformat_alloc_output_context2(OutPtr(context), nullptr, nullptr, path.c_str()), 0);
           ASSERT_GE(ff::avio_open(&context->pb, path.c_str(), AVIO_FLAG_WRITE), 0);
           Write(context->pb, "unflushed bytes");
         }
         EXPECT_EQ(FileText(path), "unflushed bytes");  // closed, so flushed
       }},
      {"AVOutputFormatContextPtr", "a muxer that opens its own files",
       [](Probe& probe) {
         // Such a muxer's pb is not its owner's to close: here the row lends its own.
         const std::string path = probe.dir.File("lent.bin");
         AVIOContextPtr lent;
         ASSERT_GE(ff::avio_open2(OutPtr(lent), path.c_str(), AVIO_FLAG_WRITE, nullptr, nullptr), 0);
         {
           AVOutputFormatContextPtr context;
           ASSERT_GE(ff::avformat_alloc_output_context2(OutPtr(context), nullptr, "null", nullptr), 0);
           ASSERT_TRUE(context->oformat->flags & AVFMT_NOFILE);
           context->pb = lent.get();
           Write(context->pb, "before ");
         }
         Write(lent.get(), "after");
         lent.reset();
         EXPECT_EQ(FileText(path), "before after");
       }},

      NullCase<AVIOContextPtr>("AVIOContextPtr"),
      {"AVIOContextPtr", "writing a file",
       [](Probe& probe) {
         const std::string path = probe.dir.File("io.bin");
         {
           AVIOContextPtr pb;
           ASSERT_GE(ff::avio_open2(OutPtr(pb), path.c_str(), AVIO_FLAG_WRITE, nullptr, nullptr), 0);
           Write(pb.get(), "unflushed bytes");
         }
         EXPECT_EQ(FileText(path), "unflushed bytes");
       }},

      NullCase<AVFilterGraphPtr>("AVFilterGraphPtr"),
      {"AVFilterGraphPtr", "allocated, one filter, not configured",
       [](Probe&) {
         AVFilterGraphPtr graph(ff::avfilter_graph_alloc());
         ASSERT_TRUE(graph);
         AVFilterContext* sink = nullptr;
         ASSERT_GE(ff::avfilter_graph_create_filter(&sink, ff::avfilter_get_by_name("buffersink"), "out",
                                                    nullptr, nullptr, graph.get()),
                   0);
       }},
      {"AVFilterGraphPtr", "holding an unread frame", GraphHoldingAFrame},

      NullCase<AVFilterInOutPtr>("AVFilterInOutPtr"),
      {"AVFilterInOutPtr", "a list of two named links",
       [](Probe&) {
         AVFilterInOutPtr links(ff::avfilter_inout_alloc());
         ASSERT_TRUE(links);
         links->name = ff::av_strdup("in");
         links->next = ff::avfilter_inout_alloc();
         ASSERT_NE(links->next, nullptr);
         links->next->name = ff::av_strdup("out");
       }},

      NullCase<AVDictionaryPtr>("AVDictionaryPtr"),
      {"AVDictionaryPtr", "two entries",
       [](Probe&) {
         AVDictionaryPtr dictionary;
         ff::av_dict_set(InOutPtr(dictionary), "a", "1", 0);
         ff::av_dict_set(InOutPtr(dictionary), "b", "2", 0);
         EXPECT_EQ(ff::av_dict_count(dictionary.get()), 2);
       }},
      {"AVDictionaryArray", "two streams, one without options",
       [](Probe&) {
         std::vector<AVDictionaryPtr> per_stream(2);
         ff::av_dict_set(InOutPtr(per_stream[0]), "threads", "1", 0);
         AVDictionaryArray array(std::move(per_stream));
         ASSERT_NE(array.Data(), nullptr);
         EXPECT_EQ(ff::av_dict_count(array.Data()[0]), 1);
         EXPECT_EQ(array.Data()[1], nullptr);
       }},
      {"AVDictionaryArray", "no streams", [](Probe&) { EXPECT_EQ(AVDictionaryArray({}).Data(), nullptr); }},

      NullCase<AVBSFContextPtr>("AVBSFContextPtr"),
      {"AVBSFContextPtr", "allocated, not initialised",
       [](Probe&) {
         AVBSFContextPtr filter;
         ASSERT_GE(ff::av_bsf_alloc(ff::av_bsf_get_by_name("null"), OutPtr(filter)), 0);
       }},
      {"AVBSFContextPtr", "holding an unread packet",
       [](Probe& probe) {
         AVBSFContextPtr filter;
         ASSERT_GE(ff::av_bsf_alloc(ff::av_bsf_get_by_name("null"), OutPtr(filter)), 0);
         ASSERT_GE(ff::av_bsf_init(filter.get()), 0);
         AVPacketPtr packet = MakePacket();
         ASSERT_GE(ff::av_new_packet(packet.get(), 32), 0);
         packet->opaque_ref = probe.buffers.NewBuffer();
         ASSERT_GE(ff::av_bsf_send_packet(filter.get(), packet.get()), 0);
       }},

      NullCase<AVCodecParserContextPtr>("AVCodecParserContextPtr"),
      {"AVCodecParserContextPtr", "initialised",
       [](Probe&) { ASSERT_TRUE(AVCodecParserContextPtr(ff::av_parser_init(AV_CODEC_ID_H264))); }},

      NullCase<SwsContextPtr>("SwsContextPtr"),
      {"SwsContextPtr", "initialised",
       [](Probe&) {
         ASSERT_TRUE(SwsContextPtr(ff::sws_getContext(16, 16, AV_PIX_FMT_YUV420P, 8, 8, AV_PIX_FMT_RGB24,
                                                      SWS_BILINEAR, nullptr, nullptr, nullptr)));
       }},

      NullCase<SwrContextPtr>("SwrContextPtr"),
      {"SwrContextPtr", "allocated, not initialised",
       [](Probe&) { ASSERT_TRUE(SwrContextPtr(ff::swr_alloc())); }},

      NullCase<AVAudioFifoPtr>("AVAudioFifoPtr"),
      {"AVAudioFifoPtr", "allocated",
       [](Probe&) { ASSERT_TRUE(AVAudioFifoPtr(ff::av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, 2, 64))); }},

      NullCase<AVExprPtr>("AVExprPtr"),
      {"AVExprPtr", "parsed",
       [](Probe&) {
         static const char* const kNames[] = {"n", nullptr};
         AVExprPtr expression;
         ASSERT_GE(ff::av_expr_parse(OutPtr(expression), "gte(n,2)*3", kNames, nullptr, nullptr, nullptr,
                                     nullptr, 0, nullptr),
                   0);
         const double values[] = {2};
         EXPECT_EQ(ff::av_expr_eval(expression.get(), values, nullptr), 3);
       }},

      NullCase<AVMemoryPtr<std::uint8_t>>("AVMemoryPtr"),
      {"AVMemoryPtr", "allocated",
       [](Probe&) { AVMemoryPtr<std::uint8_t>(static_cast<std::uint8_t*>(ff::av_malloc(32))); }},

      NullCase<AVBufferSrcParametersPtr>("AVBufferSrcParametersPtr"),
      {"AVBufferSrcParametersPtr", "lending a frames context",
       [](Probe& probe) {
         AVBufferRefPtr frames = Adopt<AVBufferRefPtr>(probe.buffers.NewBuffer());
         {
           AVBufferSrcParametersPtr parameters(ff::av_buffersrc_parameters_alloc());
           ASSERT_TRUE(parameters);
           parameters->hw_frames_ctx = frames.get();
         }
         EXPECT_EQ(probe.buffers.Alive(), 1);  // lent, not given
       }},
  };
  return cases;
}

TEST(OwningPointers, ReleaseEverythingTheyHoldOnce) {
  test::LoadMediaLibraries();
  for (const DeleterCase& row : DeleterCases()) {
    SCOPED_TRACE(std::string(row.owner) + ", " + row.state);
    Probe probe;
    const int files = OpenFileCount();
    row.build_and_drop(probe);
    EXPECT_EQ(probe.buffers.Alive(), 0) << "a counted buffer was not released";
    EXPECT_EQ(OpenFileCount(), files) << "a file was left open";
  }
}

// The slot adaptors for `T**` parameters, on calls that succeed and fail.
TEST(OwningPointers, SlotsHandTheOwnerWhatTheCallLeft) {
  test::LoadMediaLibraries();
  test::TempDir dir;

  // OutPtr starts empty: what the owner held is freed before the call.
  AVDictionaryPtr dictionary;
  ff::av_dict_set(InOutPtr(dictionary), "old", "1", 0);
  ff::av_dict_set(InOutPtr(dictionary), "kept", "2", 0);
  EXPECT_EQ(ff::av_dict_count(dictionary.get()), 2);
  ff::av_dict_set(OutPtr(dictionary), "new", "3", 0);
  EXPECT_EQ(ff::av_dict_count(dictionary.get()), 1);
  // InOutPtr hands the object in and takes back what the call left.
  ff::av_dict_set(InOutPtr(dictionary), "new", nullptr, 0);
  EXPECT_EQ(dictionary, nullptr);  // the library freed the emptied dictionary

  // A failed open frees the context handed in and leaves the owner empty.
  AVInputFormatContextPtr input(ff::avformat_alloc_context());
  ASSERT_TRUE(input);
  AVDictionaryPtr options;
  ff::av_dict_set(InOutPtr(options), "no_such_option", "1", 0);
  EXPECT_LT(
      ff::avformat_open_input(InOutPtr(input), dir.File("missing.bin").c_str(), nullptr, InOutPtr(options)),
      0);
  EXPECT_EQ(input, nullptr);
  EXPECT_NE(options, nullptr);  // the unused options come back

  // A failed create leaves the owner empty, having freed what it held.
  AVIOContextPtr pb;
  ASSERT_GE(ff::avio_open2(OutPtr(pb), dir.File("first.bin").c_str(), AVIO_FLAG_WRITE, nullptr, nullptr), 0);
  Write(pb.get(), "kept");
  EXPECT_LT(
      ff::avio_open2(OutPtr(pb), dir.File("no/such/folder.bin").c_str(), AVIO_FLAG_WRITE, nullptr, nullptr),
      0);
  EXPECT_EQ(pb, nullptr);
  EXPECT_EQ(FileText(dir.File("first.bin")), "kept");
}

}  // namespace
}  // namespace zentrova

// Owning pointers for media-library objects: the one place where library
// objects get an owner.
//
// Each deleter calls the library's own free function through its slot and
// accepts null and half-built objects. `Adopt` takes over an object the
// caller owns; there is no implicit conversion back to a raw pointer: use
// `.get()` to lend and `.release()` to hand ownership to the library. A call
// that fills a `T**` gets `OutPtr(owner)` (a new object) or `InOutPtr(owner)`
// (the owner's object goes in, whatever the call leaves comes back).
#pragma once

#include <memory>
#include <vector>

#include "media/ff.h"

namespace zentrova {

struct AVFrameDeleter {
  void operator()(AVFrame* p) const { ff::av_frame_free(&p); }
};
struct AVPacketDeleter {
  void operator()(AVPacket* p) const { ff::av_packet_free(&p); }
};
struct AVCodecContextDeleter {
  void operator()(AVCodecContext* p) const { ff::avcodec_free_context(&p); }
};
/// An encoder context this program fills: it also owns the pass-2 statistics
/// text and the chroma intra matrix given to it, which the library's own free
/// leaves to the user.
struct AVEncoderContextDeleter {
  void operator()(AVCodecContext* p) const {
    if (!p) return;
    ff::av_freep(&p->stats_in);
    ff::av_freep(&p->chroma_intra_matrix);
    ff::avcodec_free_context(&p);
  }
};
/// A context from avformat_alloc_context that no demuxer opened and no muxer
/// writes (a stand-in input, a stream template): only its streams are freed.
struct AVFormatContextDeleter {
  void operator()(AVFormatContext* p) const { ff::avformat_free_context(p); }
};
/// An input context opened with avformat_open_input, or allocated with
/// avformat_alloc_context and not yet opened (closing it then only frees it).
/// Its I/O is the demuxer's and closed with it.
struct AVInputFormatContextDeleter {
  void operator()(AVFormatContext* p) const { ff::avformat_close_input(&p); }
};
/// An output context from avformat_alloc_output_context2. Its `pb` is closed
/// too when the muxer writes through it (this program opened it); a muxer
/// that opens its own files (AVFMT_NOFILE) has closed them itself.
struct AVOutputFormatContextDeleter {
  void operator()(AVFormatContext* p) const {
    if (p && p->pb && p->oformat && !(p->oformat->flags & AVFMT_NOFILE)) ff::avio_closep(&p->pb);
    ff::avformat_free_context(p);
  }
};
/// An I/O context this program opened itself with avio_open / avio_open2;
/// a format context's `pb` is never put in one (the context's owner closes
/// it). Closing flushes: where a failed flush must be reported, `.release()`
/// and call avio_closep.
struct AVIOContextDeleter {
  void operator()(AVIOContext* p) const { ff::avio_closep(&p); }
};
struct AVFilterGraphDeleter {
  void operator()(AVFilterGraph* p) const { ff::avfilter_graph_free(&p); }
};
/// A whole list of filter links (`next` included).
struct AVFilterInOutDeleter {
  void operator()(AVFilterInOut* p) const { ff::avfilter_inout_free(&p); }
};
struct AVDictionaryDeleter {
  void operator()(AVDictionary* p) const { ff::av_dict_free(&p); }
};
struct AVBSFContextDeleter {
  void operator()(AVBSFContext* p) const { ff::av_bsf_free(&p); }
};
struct AVCodecParserContextDeleter {
  void operator()(AVCodecParserContext* p) const { ff::av_parser_close(p); }
};
struct SwsContextDeleter {
  void operator()(SwsContext* p) const { ff::sws_freeContext(p); }
};
struct SwrContextDeleter {
  void operator()(SwrContext* p) const { ff::swr_free(&p); }
};
struct AVAudioFifoDeleter {
  void operator()(AVAudioFifo* p) const { ff::av_audio_fifo_free(p); }
};
struct AVExprDeleter {
  void operator()(AVExpr* p) const { ff::av_expr_free(p); }
};
struct AVBufferRefDeleter {
  void operator()(AVBufferRef* p) const { ff::av_buffer_unref(&p); }
};
/// Memory from av_malloc and the plain structs the library allocates with
/// it (freed with av_free, pointers inside them are not followed).
struct AVMemoryDeleter {
  void operator()(void* p) const { ff::av_free(p); }
};

using AVFramePtr = std::unique_ptr<AVFrame, AVFrameDeleter>;
using AVPacketPtr = std::unique_ptr<AVPacket, AVPacketDeleter>;
using AVCodecContextPtr = std::unique_ptr<AVCodecContext, AVCodecContextDeleter>;
using AVEncoderContextPtr = std::unique_ptr<AVCodecContext, AVEncoderContextDeleter>;
using AVFormatContextPtr = std::unique_ptr<AVFormatContext, AVFormatContextDeleter>;
using AVInputFormatContextPtr = std::unique_ptr<AVFormatContext, AVInputFormatContextDeleter>;
using AVOutputFormatContextPtr = std::unique_ptr<AVFormatContext, AVOutputFormatContextDeleter>;
using AVIOContextPtr = std::unique_ptr<AVIOContext, AVIOContextDeleter>;
using AVFilterGraphPtr = std::unique_ptr<AVFilterGraph, AVFilterGraphDeleter>;
using AVFilterInOutPtr = std::unique_ptr<AVFilterInOut, AVFilterInOutDeleter>;
using AVDictionaryPtr = std::unique_ptr<AVDictionary, AVDictionaryDeleter>;
using AVBSFContextPtr = std::unique_ptr<AVBSFContext, AVBSFContextDeleter>;
using AVCodecParserContextPtr = std::unique_ptr<AVCodecParserContext, AVCodecParserContextDeleter>;
using SwsContextPtr = std::unique_ptr<SwsContext, SwsContextDeleter>;
using SwrContextPtr = std::unique_ptr<SwrContext, SwrContextDeleter>;
using AVAudioFifoPtr = std::unique_ptr<AVAudioFifo, AVAudioFifoDeleter>;
using AVExprPtr = std::unique_ptr<AVExpr, AVExprDeleter>;
using AVBufferRefPtr = std::unique_ptr<AVBufferRef, AVBufferRefDeleter>;
template <typename T>
using AVMemoryPtr = std::unique_ptr<T, AVMemoryDeleter>;
/// Buffer-source parameters lend their `hw_frames_ctx`: the source takes its
/// own reference, and freeing the parameters drops none.
using AVBufferSrcParametersPtr = AVMemoryPtr<AVBufferSrcParameters>;

/// Takes ownership of an object the caller owns.
template <typename Ptr>
Ptr Adopt(typename Ptr::pointer raw) {
  return Ptr(raw);
}

/// An owner's slot lent to a call that takes a `T**`. The owner holds what
/// the call left in the slot once the full expression ends, also when the
/// call failed; do not read the owner within that expression.
template <typename Ptr>
class PointerSlot {
 public:
  using pointer = typename Ptr::pointer;
  PointerSlot(Ptr& owner, pointer start) noexcept : owner_(owner), raw_(start) {}
  ~PointerSlot() { owner_.reset(raw_); }
  PointerSlot(const PointerSlot&) = delete;
  PointerSlot& operator=(const PointerSlot&) = delete;
  operator pointer*() noexcept { return &raw_; }

 private:
  Ptr& owner_;
  pointer raw_;
};

/// For a call that creates an object in its `T**` (avio_open2,
/// avformat_alloc_output_context2): what the owner held is freed first.
template <typename Ptr>
PointerSlot<Ptr> OutPtr(Ptr& owner) {
  owner.reset();
  return {owner, nullptr};
}

/// For a call that takes the object in its `T**` and may change, replace or
/// free it (av_dict_set, avcodec_open2's options, avformat_open_input).
template <typename Ptr>
PointerSlot<Ptr> InOutPtr(Ptr& owner) noexcept {
  return {owner, owner.release()};
}

/// The per-stream option dictionaries avformat_find_stream_info takes as an
/// array of `AVDictionary*` (one per stream, changed in place); freed with
/// the array.
class AVDictionaryArray {
 public:
  explicit AVDictionaryArray(std::vector<AVDictionaryPtr> dictionaries);
  ~AVDictionaryArray();
  AVDictionaryArray(const AVDictionaryArray&) = delete;
  AVDictionaryArray& operator=(const AVDictionaryArray&) = delete;
  /// The array for the call; null when there are no streams.
  AVDictionary** Data() noexcept { return raw_.empty() ? nullptr : raw_.data(); }

 private:
  std::vector<AVDictionary*> raw_;
};

/// A new frame / packet; throws std::bad_alloc when the library has no memory.
AVFramePtr MakeFrame();
AVPacketPtr MakePacket();

/// A new reference to the same buffer (the caller owns the result).
inline AVBufferRefPtr AddReference(const AVBufferRef* buffer) {
  return AVBufferRefPtr(buffer ? ff::av_buffer_ref(buffer) : nullptr);
}

}  // namespace zentrova

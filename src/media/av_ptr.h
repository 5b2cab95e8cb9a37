// Owning pointers for media-library objects.
//
// Each deleter calls the library's own free function through its slot and
// accepts null and half-built objects. `Adopt` takes over an object the
// caller owns; there is no implicit conversion back to a raw pointer: use
// `.get()` to lend and `.release()` to hand ownership to the library.
#pragma once

#include <memory>

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
/// An input context opened with avformat_open_input.
struct AVInputFormatContextDeleter {
  void operator()(AVFormatContext* p) const { ff::avformat_close_input(&p); }
};
/// An output context from avformat_alloc_output_context2; closes its I/O too.
struct AVOutputFormatContextDeleter {
  void operator()(AVFormatContext* p) const {
    if (p && p->pb && p->oformat && !(p->oformat->flags & AVFMT_NOFILE)) ff::avio_closep(&p->pb);
    ff::avformat_free_context(p);
  }
};
struct AVFilterGraphDeleter {
  void operator()(AVFilterGraph* p) const { ff::avfilter_graph_free(&p); }
};
struct AVFilterInOutDeleter {
  void operator()(AVFilterInOut* p) const { ff::avfilter_inout_free(&p); }
};
struct AVDictionaryDeleter {
  void operator()(AVDictionary* p) const { ff::av_dict_free(&p); }
};
struct AVBSFContextDeleter {
  void operator()(AVBSFContext* p) const { ff::av_bsf_free(&p); }
};
struct SwsContextDeleter {
  void operator()(SwsContext* p) const { ff::sws_freeContext(p); }
};
struct SwrContextDeleter {
  void operator()(SwrContext* p) const { ff::swr_free(&p); }
};
struct AVBufferRefDeleter {
  void operator()(AVBufferRef* p) const { ff::av_buffer_unref(&p); }
};
struct AVMemoryDeleter {
  void operator()(void* p) const { ff::av_free(p); }
};

using AVFramePtr = std::unique_ptr<AVFrame, AVFrameDeleter>;
using AVPacketPtr = std::unique_ptr<AVPacket, AVPacketDeleter>;
using AVCodecContextPtr = std::unique_ptr<AVCodecContext, AVCodecContextDeleter>;
using AVInputFormatContextPtr = std::unique_ptr<AVFormatContext, AVInputFormatContextDeleter>;
using AVOutputFormatContextPtr = std::unique_ptr<AVFormatContext, AVOutputFormatContextDeleter>;
using AVFilterGraphPtr = std::unique_ptr<AVFilterGraph, AVFilterGraphDeleter>;
using AVFilterInOutPtr = std::unique_ptr<AVFilterInOut, AVFilterInOutDeleter>;
using AVDictionaryPtr = std::unique_ptr<AVDictionary, AVDictionaryDeleter>;
using AVBSFContextPtr = std::unique_ptr<AVBSFContext, AVBSFContextDeleter>;
using SwsContextPtr = std::unique_ptr<SwsContext, SwsContextDeleter>;
using SwrContextPtr = std::unique_ptr<SwrContext, SwrContextDeleter>;
using AVBufferRefPtr = std::unique_ptr<AVBufferRef, AVBufferRefDeleter>;
template <typename T>
using AVMemoryPtr = std::unique_ptr<T, AVMemoryDeleter>;

/// Takes ownership of an object the caller owns.
template <typename Ptr>
Ptr Adopt(typename Ptr::pointer raw) {
  return Ptr(raw);
}

/// A new frame / packet; throws std::bad_alloc when the library has no memory.
AVFramePtr MakeFrame();
AVPacketPtr MakePacket();

/// A new reference to the same buffer (the caller owns the result).
inline AVBufferRefPtr AddReference(const AVBufferRef* buffer) {
  return AVBufferRefPtr(buffer ? ff::av_buffer_ref(buffer) : nullptr);
}

}  // namespace zentrova

// Owning pointers for media-library objects: the types only.
//
// Each deleter frees its object with the library's own free function and
// accepts null and half-built objects. The deleters are defined in the
// library (av_ptr.cpp), so this header needs the media libraries' public
// declarations only: public headers of the component library include it.
// Code inside the library includes media/av_ptr.h (Adopt, MakeFrame, …).
#pragma once

#include <memory>

#include "media/av_types.h"

namespace zentrova {

struct AVFrameDeleter {
  void operator()(AVFrame* p) const;
};
struct AVPacketDeleter {
  void operator()(AVPacket* p) const;
};
struct AVCodecContextDeleter {
  void operator()(AVCodecContext* p) const;
};
/// An encoder context this program fills: it also owns the pass-2 statistics
/// text and the chroma intra matrix given to it, which the library's own free
/// leaves to the user.
struct AVEncoderContextDeleter {
  void operator()(AVCodecContext* p) const;
};
/// A context from avformat_alloc_context that no demuxer opened and no muxer
/// writes (a stand-in input, a stream template): only its streams are freed.
struct AVFormatContextDeleter {
  void operator()(AVFormatContext* p) const;
};
/// An input context opened with avformat_open_input, or allocated with
/// avformat_alloc_context and not yet opened (closing it then only frees it).
/// Its I/O is the demuxer's and closed with it.
struct AVInputFormatContextDeleter {
  void operator()(AVFormatContext* p) const;
};
/// An output context from avformat_alloc_output_context2. Its `pb` is closed
/// too when the muxer writes through it (this program opened it); a muxer
/// that opens its own files (AVFMT_NOFILE) has closed them itself.
struct AVOutputFormatContextDeleter {
  void operator()(AVFormatContext* p) const;
};
/// An I/O context this program opened itself with avio_open / avio_open2;
/// a format context's `pb` is never put in one (the context's owner closes
/// it). Closing flushes: where a failed flush must be reported, `.release()`
/// and call avio_closep.
struct AVIOContextDeleter {
  void operator()(AVIOContext* p) const;
};
struct AVFilterGraphDeleter {
  void operator()(AVFilterGraph* p) const;
};
/// A whole list of filter links (`next` included).
struct AVFilterInOutDeleter {
  void operator()(AVFilterInOut* p) const;
};
struct AVDictionaryDeleter {
  void operator()(AVDictionary* p) const;
};
struct AVBSFContextDeleter {
  void operator()(AVBSFContext* p) const;
};
struct AVCodecParserContextDeleter {
  void operator()(AVCodecParserContext* p) const;
};
struct SwsContextDeleter {
  void operator()(SwsContext* p) const;
};
struct SwrContextDeleter {
  void operator()(SwrContext* p) const;
};
struct AVAudioFifoDeleter {
  void operator()(AVAudioFifo* p) const;
};
struct AVExprDeleter {
  void operator()(AVExpr* p) const;
};
struct AVBufferRefDeleter {
  void operator()(AVBufferRef* p) const;
};
/// Memory from av_malloc and the plain structs the library allocates with
/// it (freed with av_free, pointers inside them are not followed).
struct AVMemoryDeleter {
  void operator()(void* p) const;
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

}  // namespace zentrova

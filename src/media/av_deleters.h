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
/// An input context opened with avformat_open_input.
struct AVInputFormatContextDeleter {
  void operator()(AVFormatContext* p) const;
};
/// An output context from avformat_alloc_output_context2; closes its I/O too.
struct AVOutputFormatContextDeleter {
  void operator()(AVFormatContext* p) const;
};
struct AVFilterGraphDeleter {
  void operator()(AVFilterGraph* p) const;
};
struct AVFilterInOutDeleter {
  void operator()(AVFilterInOut* p) const;
};
struct AVDictionaryDeleter {
  void operator()(AVDictionary* p) const;
};
struct AVBSFContextDeleter {
  void operator()(AVBSFContext* p) const;
};
struct SwsContextDeleter {
  void operator()(SwsContext* p) const;
};
struct SwrContextDeleter {
  void operator()(SwrContext* p) const;
};
struct AVBufferRefDeleter {
  void operator()(AVBufferRef* p) const;
};
struct AVMemoryDeleter {
  void operator()(void* p) const;
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

}  // namespace zentrova

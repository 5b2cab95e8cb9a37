// Owning pointers for media-library objects (the types: av_deleters.h).
//
// `Adopt` takes over an object the caller owns; there is no implicit
// conversion back to a raw pointer: use `.get()` to lend and `.release()` to
// hand ownership to the library.
#pragma once

#include <memory>

#include "media/av_deleters.h"
#include "media/ff.h"

namespace zentrova {

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

// Owning pointers for media-library objects: the one place where library
// objects get an owner (the types and their deleters: av_deleters.h).
//
// `Adopt` takes over an object the caller owns; there is no implicit
// conversion back to a raw pointer: use `.get()` to lend and `.release()` to
// hand ownership to the library. A call that fills a `T**` gets
// `OutPtr(owner)` (a new object) or `InOutPtr(owner)` (the owner's object
// goes in, whatever the call leaves comes back).
#pragma once

#include <memory>
#include <vector>

#include "media/av_deleters.h"
#include "media/ff.h"

namespace zentrova {

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

#include "media/av_ptr.h"

#include <new>

namespace zentrova {

AVFramePtr MakeFrame() {
  AVFramePtr frame(ff::av_frame_alloc());
  if (!frame) throw std::bad_alloc();
  return frame;
}

AVPacketPtr MakePacket() {
  AVPacketPtr packet(ff::av_packet_alloc());
  if (!packet) throw std::bad_alloc();
  return packet;
}

AVDictionaryArray::AVDictionaryArray(std::vector<AVDictionaryPtr> dictionaries) {
  raw_.reserve(dictionaries.size());
  for (AVDictionaryPtr& dictionary : dictionaries) raw_.push_back(dictionary.release());
}

AVDictionaryArray::~AVDictionaryArray() {
  for (AVDictionary*& dictionary : raw_) ff::av_dict_free(&dictionary);
}

}  // namespace zentrova

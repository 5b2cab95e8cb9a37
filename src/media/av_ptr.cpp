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

}  // namespace zentrova

// Attachment streams: files carried in the container's header, no packets.
#include <fmt/format.h>

#include <climits>
#include <cstring>
#include <string_view>

#include "media/clip_track.h"
#include "media/encoder_setup.h"
#include "media/media_error.h"
#include "media/source_graph.h"

namespace zentrova::test {

std::string EncodePngPicture(int width, int height) {
  const AVCodec* codec = ff::avcodec_find_encoder_by_name("png");
  if (!codec) Fail("Encoder \"png\" is not available in the loaded media libraries");
  AVCodecContextPtr enc(ff::avcodec_alloc_context3(codec));
  if (!enc) Fail("Cannot allocate a context for encoder \"png\"");
  enc->width = width;
  enc->height = height;
  enc->pix_fmt = AV_PIX_FMT_RGB24;
  enc->time_base = AVRational{1, 1};
  Check(ff::avcodec_open2(enc.get(), codec, nullptr), "Cannot open encoder \"png\" for a still picture");
  SourceGraph source(VideoSourceChain(width, height, AVRational{1, 1}, "rgb24"), AVMEDIA_TYPE_VIDEO,
                     "a still picture");
  AVFramePtr frame = source.Next();
  frame->pts = 0;
  frame->pict_type = AV_PICTURE_TYPE_NONE;
  Check(ff::avcodec_send_frame(enc.get(), frame.get()), "Cannot encode a still picture");
  Check(ff::avcodec_send_frame(enc.get(), nullptr), "Cannot encode a still picture");
  AVPacketPtr packet = MakePacket();
  Check(ff::avcodec_receive_packet(enc.get(), packet.get()), "Cannot encode a still picture");
  return std::string(reinterpret_cast<const char*>(packet->data), static_cast<size_t>(packet->size));
}

void AddAttachment(AVFormatContext* oc, const AttachmentSpec& attachment) {
  if (std::string_view(oc->oformat->name) != "matroska")
    Fail(fmt::format("The container format \"{}\" takes no attachments (Matroska does)", oc->oformat->name));
  if (attachment.filename.empty() || attachment.mimetype.empty())
    Fail("An attachment needs a file name and a mimetype");
  if (attachment.bytes.size() > INT_MAX - AV_INPUT_BUFFER_PADDING_SIZE)
    Fail(fmt::format("The attachment \"{}\" is too large", attachment.filename));
  AVStream* st = ff::avformat_new_stream(oc, nullptr);
  if (!st) Fail(fmt::format("Cannot add a stream for the attachment \"{}\"", attachment.filename));
  st->codecpar->codec_type = AVMEDIA_TYPE_ATTACHMENT;
  // The library requires zeroed padding after extradata; the stream frees it.
  st->codecpar->extradata =
      static_cast<uint8_t*>(ff::av_mallocz(attachment.bytes.size() + AV_INPUT_BUFFER_PADDING_SIZE));
  if (!st->codecpar->extradata)
    Fail(fmt::format("Cannot allocate the attachment \"{}\"", attachment.filename));
  std::memcpy(st->codecpar->extradata, attachment.bytes.data(), attachment.bytes.size());
  st->codecpar->extradata_size = static_cast<int>(attachment.bytes.size());
  ff::av_dict_set(&st->metadata, "filename", attachment.filename.c_str(), 0);
  ff::av_dict_set(&st->metadata, "mimetype", attachment.mimetype.c_str(), 0);
}

}  // namespace zentrova::test

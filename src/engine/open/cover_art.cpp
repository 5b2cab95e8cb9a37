// Cover art: an input's attached picture (an audio file's cover, an image
// attachment of a Matroska file) is carried as it is, never converted as a
// moving picture. Formats with cover art get it in their own form; others
// go without it.
#include <cstring>
#include <fmt/format.h>
#include <string_view>

#include "engine/open/output_opener.h"
#include "engine/open/new_output_streams.h"
#include "media/av_ptr.h"

namespace zentrova {
namespace {

enum class TCoverArtForm {
  None,             ///< the format has no cover art
  AttachedPicture,  ///< a one-picture stream flagged as attached picture (MP4, MOV, MP3)
  Attachment,       ///< an attached file with an image MIME type (Matroska)
};

TCoverArtForm CoverArtFormOf(const AVOutputFormat* format, AVCodecID picture_codec) {
  const std::string_view name = format->name;
  // The Matroska muxer writes an attached-picture stream as a one-frame video track.
  if (name == "matroska") return TCoverArtForm::Attachment;
  if (name != "mp4" && name != "mov" && name != "ipod" && name != "mp3") return TCoverArtForm::None;
  // The muxer must know the picture's codec ("covr" atoms, ID3 APIC frames).
  return ff::avformat_query_codec(format, picture_codec, FF_COMPLIANCE_NORMAL) > 0
             ? TCoverArtForm::AttachedPicture
             : TCoverArtForm::None;
}

// The file name extension an attached picture of `descriptor` is known by.
std::string_view PictureExtension(const AVCodecDescriptor& descriptor) {
  const std::string_view name = descriptor.name;
  return name == "mjpeg" ? "jpg" : name;
}

// The picture's bytes as an attachment named "cover.<ext>" with its MIME type.
void AddCoverAttachment(TOutputOpen& open, const AVStream& picture) {
  const AVCodecDescriptor* descriptor = ff::avcodec_descriptor_get(picture.codecpar->codec_id);
  const AVPacket& packet = picture.attached_pic;
  if (!descriptor || !descriptor->mime_types || !descriptor->mime_types[0] || packet.size <= 0) return;
  // The library reads past the end of extradata: the padding must be zeroed.
  AVMemoryPtr<std::uint8_t> bytes(static_cast<std::uint8_t*>(
      ff::av_mallocz(static_cast<std::size_t>(packet.size) + AV_INPUT_BUFFER_PADDING_SIZE)));
  if (!bytes) open.engine.RaiseError("Could not allocate memory for the cover art.");
  std::memcpy(bytes.get(), packet.data, static_cast<std::size_t>(packet.size));

  TOutputStream& ost = *NewAttachmentStream(open.engine, open.o, open.oc, -1);
  ost.attachment_filename = fmt::format("cover.{}", PictureExtension(*descriptor));
  ost.st->codecpar->extradata = bytes.release();
  ost.st->codecpar->extradata_size = packet.size;
  ff::av_dict_set(&ost.st->metadata, "filename", ost.attachment_filename.c_str(), 0);
  ff::av_dict_set(&ost.st->metadata, "mimetype", descriptor->mime_types[0], 0);
}

// The picture stream copied: its one packet reaches the muxer as it was read.
void AddCoverPicture(TOutputOpen& open, int source_index) {
  TOutputStream& ost = *NewOutputStream(open.engine, open.o, open.oc, AVMEDIA_TYPE_VIDEO, source_index);
  ost.stream_copy = 1;
  ost.enc = nullptr;
  ost.enc_ctx = NewEncoderContext(nullptr);
  if (!ost.enc_ctx) open.engine.RaiseError("Error allocating the encoding context.");
  ost.encoder_opts.reset();
}

}  // namespace

void AddCoverArt(TOutputOpen& open) {
  if (open.o.vn || open.join_active) return;
  const TCustomFFmpegOpt& engine = open.engine;
  for (std::size_t i = 0; i < engine.Finput_streams.size(); ++i) {
    const TInputStream& ist = *engine.Finput_streams[i];
    const AVStream& st = *ist.st;
    // A picture the input dropped (-vn) stays dropped.
    if (!(st.disposition & AV_DISPOSITION_ATTACHED_PIC) || ist.user_set_discard == AVDISCARD_ALL) continue;
    switch (CoverArtFormOf(open.oc->oformat, st.codecpar->codec_id)) {
      case TCoverArtForm::AttachedPicture:
        AddCoverPicture(open, static_cast<int>(i));
        return;
      case TCoverArtForm::Attachment:
        AddCoverAttachment(open, st);
        return;
      case TCoverArtForm::None:
        return;
    }
  }
}

}  // namespace zentrova

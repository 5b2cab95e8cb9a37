#include "options/media_text.h"

#include <fmt/format.h>

#include "log/plain_text.h"

namespace zentrova {
namespace {

std::string TagText(unsigned tag) {
  char bytes[4];
  bool printable = true;
  for (int i = 0; i < 4; ++i) {
    bytes[i] = static_cast<char>((tag >> (8 * i)) & 0xFF);
    printable = printable && bytes[i] >= 32 && bytes[i] <= 126;
  }
  if (printable) return fmt::format("{}{}{}{} / 0x{:04X}", bytes[0], bytes[1], bytes[2], bytes[3], tag);
  return fmt::format("0x{:04x}", tag);
}

}  // namespace

std::string codec_text(AVCodecID codec_id, unsigned codec_tag, std::string_view codec_name, TCodecSide side,
                       TCodecLongName long_name) {
  const AVCodec* codec =
      side == TCodecSide::Encoder ? ff::avcodec_find_encoder(codec_id) : ff::avcodec_find_decoder(codec_id);
  if (codec) {
    const std::string_view long_text = codec->long_name ? Trim(codec->long_name) : std::string_view();
    if (long_name == TCodecLongName::With && !long_text.empty())
      return fmt::format("{}({})", codec->name, long_text);
    return codec->name;
  }
  if (codec_id == AV_CODEC_ID_MPEG2TS) return "mpeg2ts";
  if (const std::string_view name = Trim(codec_name); !name.empty()) return std::string(name);
  return TagText(codec_tag);
}

std::string codec_text(const AVCodecContext* context, TCodecSide side, TCodecLongName long_name) {
  const char* name = context->codec ? context->codec->name : nullptr;
  return codec_text(context->codec_id, context->codec_tag, name ? name : "", side, long_name);
}

std::string media_type_text(int type) {
  switch (type) {
    case AVMEDIA_TYPE_VIDEO:
      return "Video";
    case AVMEDIA_TYPE_AUDIO:
      return "Audio";
    case AVMEDIA_TYPE_DATA:
      return "Data";
    case AVMEDIA_TYPE_SUBTITLE:
      return "Subtitle";
    case AVMEDIA_TYPE_ATTACHMENT:
      return "Attachment";
    default:
      return "Unknown";
  }
}

std::string picture_type_text(int type) {
  switch (type) {
    case AV_PICTURE_TYPE_I:
      return "Intra";
    case AV_PICTURE_TYPE_P:
      return "Predicted";
    case AV_PICTURE_TYPE_B:
      return "Bi-dir predicted";
    case AV_PICTURE_TYPE_S:
      return "S(GMC)-VOP MPEG4";
    case AV_PICTURE_TYPE_SI:
      return "Switching Intra";
    case AV_PICTURE_TYPE_SP:
      return "Switching Predicted";
    case AV_PICTURE_TYPE_BI:
      return "BI type";
    default:
      return "Unknown";
  }
}

std::string dict_value_or_default(const AVDictionary* dict, const char* key, std::string_view default_value) {
  const AVDictionaryEntry* entry = ff::av_dict_get(dict, key, nullptr, 0);
  return entry ? std::string(entry->value) : std::string(default_value);
}

}  // namespace zentrova

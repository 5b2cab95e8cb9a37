// Names and texts of media-library values, for log lines and stream info.
#pragma once

#include <string>
#include <string_view>

#include "media/ff.h"

namespace zentrova {

/// Whether `codec_text` names the encoder or the decoder.
enum class TCodecSide { Encoder, Decoder };
/// Whether `codec_text` adds the codec's long name.
enum class TCodecLongName { Without, With };

/// The name of the codec of `codec_id`: the encoder's or decoder's name,
/// "name(long name)" when asked; without such a codec "mpeg2ts" for the
/// transport stream id, else `codec_name` when not blank, else the tag as
/// "abcd / 0x64636261" (all four bytes printable) or "0x%04x".
std::string codec_text(AVCodecID codec_id, unsigned codec_tag, std::string_view codec_name, TCodecSide side,
                       TCodecLongName long_name);
/// `codec_text` of a codec context.
std::string codec_text(const AVCodecContext* context, TCodecSide side, TCodecLongName long_name);

/// "Video", "Audio", "Data", "Subtitle", "Attachment" or "Unknown".
std::string media_type_text(int type);

/// "Intra", "Predicted", "Bi-dir predicted", ... or "Unknown".
std::string picture_type_text(int type);

/// The value of `key` in `dict`, or `default_value` when it has none.
std::string dict_value_or_default(const AVDictionary* dict, const char* key, std::string_view default_value);

}  // namespace zentrova

// File names as the media libraries get them.
#pragma once

#include <string>
#include <string_view>

#include "media/ff.h"

namespace zentrova {

/// The picture codec of an image-sequence file name by its extension
/// (case-insensitive, "frame%03d.png" -> AV_CODEC_ID_PNG); AV_CODEC_ID_NONE
/// when the name has no known picture extension.
AVCodecID image_sequence_codec(std::string_view file_name);

/// The name handed to the library: UTF-8, never cut.
std::string library_file_name(std::string_view file_name);

/// A name as the user knows it: `library_name` without a leading "file:"
/// (the front ends hand local names to the library as "file:" + name).
std::string displayed_file_name(std::string_view library_name);

/// A text coming from the library (file names, tags) as the system's text.
std::string library_text_to_string(std::string_view text);

}  // namespace zentrova

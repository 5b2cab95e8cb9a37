// Finding and opening the generator's encoders (internal to tests/media).
#pragma once

#include <string>

#include "media/av_ptr.h"

namespace zentrova::test {

/// The encoder `name` for a stream of `type` in `format`. Throws
/// std::runtime_error when the loaded libraries lack it, it is not an
/// encoder of that type, or the container cannot carry its codec.
const AVCodec* FindEncoder(const std::string& name, AVMediaType type, const AVOutputFormat* format);

/// A new context of `codec` with the container's global-header flag set.
AVCodecContextPtr NewEncoderContext(const AVCodec* codec, const AVOutputFormat* format);

/// Opens `enc` (with private `options`, consumed) and adds a stream for its
/// output to `oc`. Throws std::runtime_error naming `description`.
AVStream* OpenEncodedStream(AVFormatContext* oc, AVCodecContext* enc, AVDictionaryPtr options,
                            const std::string& description);

/// Sets the stream's "language" tag when `language` is not empty.
void SetLanguage(AVStream* st, const std::string& language);

}  // namespace zentrova::test

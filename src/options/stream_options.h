// Per-stream views of the library options, and a stream's rotation.
//
// Threads: whoever holds the format context; the media libraries must be loaded.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "media/av_ptr.h"
#include "media/ff.h"

namespace zentrova {

/// 1 when `stream` of `s` matches `spec`, 0 when not, a negative library code
/// for an invalid specifier.
int match_stream_specifier(AVFormatContext* s, AVStream* stream, const char* spec);

/// The entries of `opts` that apply to `st`: keys with a specifier that does
/// not match the stream are skipped (an invalid specifier throws
/// std::runtime_error "invalid stream specifier"), matching keys lose
/// their specifier; an entry is kept when the codec classes know it for the
/// stream's side (encoding when `s` is an output context) and media type, or
/// under its name without the type's prefix letter ("vb" -> "b"). `codec`
/// defaults to the encoder or decoder of `codec_id`. The caller owns the result.
AVDictionaryPtr filter_stream_options(const AVDictionary* opts, AVCodecID codec_id, AVFormatContext* s,
                                      AVStream* st, const AVCodec* codec);

/// One filtered dictionary per stream of the opened `s` (empty when it has
/// no streams), for stream probing.
std::vector<AVDictionaryPtr> stream_info_options(AVFormatContext* s, const AVDictionary* codec_opts);

/// The clockwise turn a "rotate" tag value states: a whole decimal number
/// read with '.' whatever the locale ("90", "-90", "22.5"); nullopt for
/// anything else ("", "abc", "90deg", "nan").
std::optional<double> rotate_tag_degrees(std::string_view value);

/// The clockwise rotation of `st` in degrees, folded into [0, 360) (an angle
/// within 0.9 degrees below 360 folds to just below 0): its "rotate" tag, else minus the
/// angle of its display matrix. An angle that is not near a multiple of 90
/// logs the "Odd rotation angle." warning.
double stream_rotation(AVStream* st);

}  // namespace zentrova

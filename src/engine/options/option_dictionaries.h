// Option dictionaries shared by the input and output openers: copies that
// the new owner keeps, and the walk over codec options no stream used.
#pragma once

#include <functional>

#include "media/av_ptr.h"

namespace zentrova {

/// An owned copy of `source` (empty when `source` is null); throws
/// std::bad_alloc when the library cannot copy it.
AVDictionaryPtr CopyDictionary(const AVDictionary* source);

/// Calls `visit(key, help, flags)` for each entry of `unused` that names a
/// codec option and not a format option, in order; `help` is never null and
/// `flags` are the option's AV_OPT_FLAG_* bits. Stops when `visit` answers
/// false.
void ForEachUnusedCodecOption(const AVDictionary* unused,
                              const std::function<bool(const char* key, const char* help, int flags)>& visit);

}  // namespace zentrova

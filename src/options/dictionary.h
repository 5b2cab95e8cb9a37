// Library dictionaries held in AVDictionaryPtr.
#pragma once

#include <string>

#include "media/av_ptr.h"

namespace zentrova {

/// Sets `key` to `value` in `dict` (created when empty) with the library's
/// AV_DICT_* `flags`; 0 or a negative library code.
int DictSet(AVDictionaryPtr& dict, const std::string& key, const std::string& value, int flags = 0);

/// The value of `key` in `dict` (exact, case-sensitive key), or null. The
/// text belongs to the dictionary.
const char* DictGet(const AVDictionaryPtr& dict, const std::string& key);

/// The number of entries of `dict`.
int DictCount(const AVDictionaryPtr& dict);

}  // namespace zentrova

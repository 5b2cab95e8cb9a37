#include "options/dictionary.h"

namespace zentrova {

int DictSet(AVDictionaryPtr& dict, const std::string& key, const std::string& value, int flags) {
  return ff::av_dict_set(InOutPtr(dict), key.c_str(), value.c_str(), flags);
}

const char* DictGet(const AVDictionaryPtr& dict, const std::string& key) {
  const AVDictionaryEntry* entry = ff::av_dict_get(dict.get(), key.c_str(), nullptr, AV_DICT_MATCH_CASE);
  return entry ? entry->value : nullptr;
}

int DictCount(const AVDictionaryPtr& dict) {
  return ff::av_dict_count(dict.get());
}

}  // namespace zentrova

#include "options/dictionary.h"

namespace zentrova {

int DictSet(AVDictionaryPtr& dict, const std::string& key, const std::string& value, int flags) {
  AVDictionary* raw = dict.release();
  const int r = ff::av_dict_set(&raw, key.c_str(), value.c_str(), flags);
  dict.reset(raw);
  return r;
}

const char* DictGet(const AVDictionaryPtr& dict, const std::string& key) {
  const AVDictionaryEntry* entry = ff::av_dict_get(dict.get(), key.c_str(), nullptr, AV_DICT_MATCH_CASE);
  return entry ? entry->value : nullptr;
}

int DictCount(const AVDictionaryPtr& dict) {
  return ff::av_dict_count(dict.get());
}

}  // namespace zentrova

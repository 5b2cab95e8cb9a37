#include "engine/options/option_dictionaries.h"

#include <new>

namespace zentrova {

AVDictionaryPtr CopyDictionary(const AVDictionary* source) {
  AVDictionaryPtr copy;
  if (source && ff::av_dict_copy(OutPtr(copy), source, 0) < 0) throw std::bad_alloc();
  return copy;
}

void ForEachUnusedCodecOption(
    const AVDictionary* unused,
    const std::function<bool(const char* key, const char* help, int flags)>& visit) {
  const AVClass* codec_class = ff::avcodec_get_class();
  const AVClass* format_class = ff::avformat_get_class();
  const AVDictionaryEntry* e = nullptr;
  while ((e = ff::av_dict_get(unused, "", e, AV_DICT_IGNORE_SUFFIX))) {
    const AVOption* option =
        ff::av_opt_find(&codec_class, e->key, nullptr, 0, AV_OPT_SEARCH_CHILDREN | AV_OPT_SEARCH_FAKE_OBJ);
    const AVOption* format_option =
        ff::av_opt_find(&format_class, e->key, nullptr, 0, AV_OPT_SEARCH_CHILDREN | AV_OPT_SEARCH_FAKE_OBJ);
    if (!option || format_option) continue;
    if (!visit(e->key, option->help ? option->help : "", option->flags)) return;
  }
}

}  // namespace zentrova

// Routing library options into one file's group (engine internals, shared by
// presets, -target and the options that stand for library options).
#pragma once

#include <utility>

#include "media/av_ptr.h"
#include "options/ff_options.h"
#include "options/option_def.h"

namespace zentrova {

// The working dictionaries of FOptions are swapped for empty ones while the
// option is routed, so that exactly what it produced can be moved into the
// file group; they are put back even when routing throws.
class TWorkingDictionariesAside {
 public:
  explicit TWorkingDictionariesAside(TFFOptions& options) : options_(options) {
    for (int i = 0; i < 4; ++i) std::swap(saved_[i], Slot(i));
  }
  ~TWorkingDictionariesAside() {
    for (int i = 0; i < 4; ++i) std::swap(saved_[i], Slot(i));
  }
  TWorkingDictionariesAside(const TWorkingDictionariesAside&) = delete;
  TWorkingDictionariesAside& operator=(const TWorkingDictionariesAside&) = delete;

  /// Copies what was routed since construction into `group`.
  int MoveInto(TOptionGroup& group, int flags) {
    AVDictionaryPtr* targets[] = {&group.codec_opts, &group.format_opts, &group.sws_dict, &group.swr_opts};
    for (int i = 0; i < 4; ++i) {
      const int ret = ff::av_dict_copy(InOutPtr(*targets[i]), Slot(i).get(), flags);
      if (ret < 0) return ret;
    }
    return 0;
  }

 private:
  AVDictionaryPtr& Slot(int i) {
    switch (i) {
      case 0:
        return options_.codec_opts();
      case 1:
        return options_.format_opts();
      case 2:
        return options_.sws_dict();
      default:
        return options_.swr_opts();
    }
  }
  TFFOptions& options_;
  AVDictionaryPtr saved_[4];
};

}  // namespace zentrova

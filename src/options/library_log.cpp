#include "options/library_log.h"

#include "media/ff.h"

namespace zentrova {

void LibraryLog(int level, const std::string& text) {
  if (ff::av_log) ff::av_log(nullptr, level, "%s", text.c_str());
}

}  // namespace zentrova

// TFileOptionsScope: the option context of one input or output open, made
// ready with InitFileOptions and released with FreeFileOptions on every way
// out (an opener may raise).
#pragma once

#include "engine/custom_ffmpeg_opt.h"

namespace zentrova {

class TFileOptionsScope {
 public:
  explicit TFileOptionsScope(TCustomFFmpegOpt& engine) : engine_(engine) {
    engine_.InitFileOptions(context_);
  }
  ~TFileOptionsScope() { engine_.FreeFileOptions(context_); }
  TFileOptionsScope(const TFileOptionsScope&) = delete;
  TFileOptionsScope& operator=(const TFileOptionsScope&) = delete;

  TFileOptionContext& Context() { return context_; }

 private:
  TCustomFFmpegOpt& engine_;
  TFileOptionContext context_;
};

}  // namespace zentrova

// Helpers of the engine's option tests: a concrete engine, a log recorder
// and inputs opened from the media libraries' synthetic sources.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/custom_ffmpeg_opt.h"
#include "engine/options/file_options_scope.h"
#include "log/logger.h"

namespace zentrova::test {

/// An engine with its option table built. The video hook's bits per pixel
/// (overridden by the transcoding half) is recorded here.
class TestEngine : public TCustomFFmpegOpt {
 public:
  TestEngine() { InitOptionDefs(); }
  int hook_bits_per_pixel = 0;

  /// InitFileOptions + ParseOptions for an output ("out.mp4") or an input.
  int ParseOutput(TFileOptionContext& o, const std::string& options, const std::string& presets = {});
  int ParseInput(TFileOptionContext& o, const std::string& options, const std::string& presets = {});

  /// Opens a lavfi source graph ("testsrc2=...", "sine", "a [out0]; b [out1]")
  /// as the next input, with its stream information read.
  void AddLavfiInput(const std::string& graph);

  /// The file group's codec / format dictionary value of `key`, or "" when absent.
  std::string CodecOption(const std::string& key);
  std::string FormatOption(const std::string& key);

 protected:
  int opt_VideoHookBitsPixel(Ctx*, Str, Str arg) override;
};

/// Records every line the default logger delivers while it lives (level
/// llTrace, delivered on the logging thread).
class LogRecorder {
 public:
  LogRecorder();
  ~LogRecorder();
  LogRecorder(const LogRecorder&) = delete;
  LogRecorder& operator=(const LogRecorder&) = delete;

  /// True when a line contains `text`.
  bool Contains(const std::string& text) const;
  /// Lines at `level` that contain `text`.
  int Count(TLogLevel level, const std::string& text) const;
  std::string All() const;

 private:
  struct Line {
    TLogLevel level;
    std::string text;
  };
  std::unique_ptr<TZOVuzodi> logger_;
  std::shared_ptr<std::vector<Line>> lines_;
};

using FileOptions = TFileOptionsScope;

}  // namespace zentrova::test

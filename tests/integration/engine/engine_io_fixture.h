// Shared helpers of the engine's file-opening tests: an engine instance
// with its option table, and openers that run a whole open the way the
// encoder component does (fresh option context, released afterwards).
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "engine/custom_ffmpeg_opt.h"
#include "media/test_media.h"
#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova::test {

/// The option-and-files half of the engine, as the transcoding engine
/// derives from it. Join requests are counted and accepted, so tests can
/// look at what the output opener selected for a join.
class TestEngine : public TCustomFFmpegOpt {
 public:
  TestEngine() { InitOptionDefs(); }
  int JoinInputs(TFileOptionContext&) override {
    ++join_calls;
    return 0;
  }
  int join_calls = 0;

 protected:
  int opt_VideoHookBitsPixel(Ctx*, Str, Str) override { return 0; }
};

/// The outcome of one open: the result, or the text of a raised error.
struct OpenResult {
  int code = 0;
  bool raised = false;
  std::string error;  ///< FLastErrMsg after a returned failure, or the raised text
};

OpenResult OpenInput(TestEngine& engine, const std::string& options, const std::string& file_name);
OpenResult OpenOutput(TestEngine& engine, const std::string& options, const std::string& file_name,
                      bool join = false, const std::string& presets = "");

/// Collects the lines the default logger delivers while it lives (the
/// logger is made active, detailed and synchronous, and restored after).
class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  std::vector<std::string> Lines() const;
  /// How many lines equal `text` (library lines without their line feed).
  int Count(const std::string& text) const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
  bool was_active_ = false;
  bool was_main_thread_ = true;
  TLogLevel old_level_ = TLogLevel::llInfo;
};

/// Loads the libraries and gives every test its own folder.
class EngineIoTest : public ::testing::Test {
 protected:
  void SetUp() override { LoadMediaLibraries(); }
  /// A clip made from `spec` in the test's folder (made once per name).
  std::string Clip(const std::string& name, const ClipSpec& spec);
  /// The whole content of a file.
  static std::string ReadAll(const std::string& path);

  TempDir dir_;
};

}  // namespace zentrova::test

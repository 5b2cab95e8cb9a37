// Shared helpers of the run-lifecycle tests: tasks opened on generated
// clips the way the encoder component opens them, a log recorder, and a
// decoder that reads an output's pictures back as luma planes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/run/ffmpeg_task.h"
#include "log/logger.h"
#include "media/test_media.h"
#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova::test {

/// Every line the process logs, in order (delivered on the logging thread).
class LogRecorder {
 public:
  LogRecorder();
  ~LogRecorder();
  LogRecorder(const LogRecorder&) = delete;
  LogRecorder& operator=(const LogRecorder&) = delete;

  std::vector<std::string> Lines() const;
  /// Lines that contain `text`.
  int Count(const std::string& text) const;

 private:
  TZOVuzodi logger_;
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;  // guarded by mutex_
};

/// One decoded picture as its luma plane (width × height bytes, no padding).
struct LumaPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> luma;
  double Mean() const;
  /// Mean luma of the rectangle (x, y, w, h).
  double Mean(int x, int y, int w, int h) const;
};

/// Decodes every picture of the first video stream of `path`.
std::vector<LumaPicture> DecodeLuma(const std::string& path);

/// The size of a file in bytes, 0 when it does not exist.
std::int64_t FileSize(const std::string& path);

/// Loads the libraries, gives every test its own folder and a log recorder.
class LifecycleTest : public ::testing::Test {
 protected:
  void SetUp() override { LoadMediaLibraries(); }
  /// Shows the end of the log when the test failed.
  void TearDown() override;

  /// A clip made from `spec` in the test's folder (made once per name).
  std::string Clip(const std::string& name, const ClipSpec& spec);
  /// A task with `input` opened with `input_options` and, unless `output`
  /// is empty, `output` opened with `output_options`. Fails the test when
  /// an open fails.
  std::unique_ptr<TFFmpegTask> MakeTask(const std::string& input, const std::string& input_options,
                                        const std::string& output, const std::string& output_options);
  /// Waits (serving the main-thread queue) until `done` or `timeout_ms`.
  static bool WaitFor(const std::function<bool()>& done, int timeout_ms);

  TempDir dir_;
  LogRecorder log_;
};

}  // namespace zentrova::test

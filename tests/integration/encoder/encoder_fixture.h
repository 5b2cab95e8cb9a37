// Shared helpers of the encoder component's tests: generated clips, an
// encoder per test, a recorder of its termination events, waiting while
// serving the main-thread queue, and reading pictures back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "encoder/derodorir.h"
#include "media/test_media.h"
#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova::test {

/// One termination event as the caller saw it.
struct TerminateRecord {
  TTerminateInfo info;
  unsigned thread_id = 0;
  bool during_start = false;  ///< delivered while Start was still running
};

/// Records OnTerminate events in arrival order; any thread.
class TerminateRecorder {
 public:
  /// Installs itself as the encoder's OnTerminate.
  void Attach(TCustomEncoder& encoder);
  std::vector<TerminateRecord> Records() const;
  int Count() const;
  /// True once the -1 event arrived.
  bool RunEnded() const;
  /// Marks the calls of Start (events seen meanwhile are `during_start`).
  void SetInsideStart(bool inside);
  /// Largest number of OnTerminate calls that overlapped.
  int MaxOverlap() const;

 private:
  mutable std::mutex mutex_;
  std::vector<TerminateRecord> records_;  // guarded by mutex_
  bool inside_start_ = false;             // guarded by mutex_
  int running_ = 0;                       // guarded by mutex_
  int max_overlap_ = 0;                   // guarded by mutex_
};

/// The mean luma of the rectangle (x, y, w, h) of picture `index` of the
/// first video stream of `path` (pictures counted from 0).
double MeanLuma(const std::string& path, int index, int x, int y, int w, int h);

class EncoderTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  /// A clip of `frames` pictures (25 per second, `width` × `height`, MPEG-4
  /// video only, MP4) in the test's folder, made once per name.
  std::string Clip(const std::string& name, int frames = 10, int width = 96, int height = 64);
  std::string Out(const std::string& name) const { return dir_.File(name); }
  /// AddTask(input) and SetOutput(output, options); fails the test and gives
  /// -1 when either fails.
  int AddConversion(const std::string& input, const std::string& output,
                    const std::string& output_options = "-c:v mpeg4 -an");
  /// Waits, serving the main-thread queue, until `done` or `timeout_ms`.
  static bool WaitFor(const std::function<bool()>& done, int timeout_ms = 60000);

  TempDir dir_;
  std::unique_ptr<TDERodorir> encoder_;
  TerminateRecorder terminations_;
};

}  // namespace zentrova::test

// A synthetic source: one chain of the media libraries' filters ending in a
// buffer sink, from which the generator pulls frames (internal to tests/media).
//
// Ownership: the object owns its filter graph; frames it returns belong to
// the caller. Threads: one thread at a time.
#pragma once

#include <string>

#include "media/av_ptr.h"

namespace zentrova::test {

class SourceGraph {
 public:
  /// Builds "<chain>" into a video or audio buffer sink. `description` names
  /// the source in error messages. Throws std::runtime_error on failure.
  SourceGraph(const std::string& chain, AVMediaType type, const std::string& description);

  /// Makes the sink return audio frames of exactly `samples` samples
  /// (for encoders without variable frame sizes).
  void SetFrameSize(int samples);

  /// The next frame; the chains used here never end, so a missing frame is
  /// an error (std::runtime_error).
  AVFramePtr Next();

 private:
  AVFilterGraphPtr graph_;
  AVFilterContext* sink_ = nullptr;  // owned by graph_
  std::string description_;
};

/// "testsrc2=..." pictures of the given size, rate and pixel format.
std::string VideoSourceChain(int width, int height, AVRational rate, const std::string& pix_fmt);
/// A 440 Hz "sine" tone converted to the given rate, sample format and channel layout.
std::string AudioSourceChain(int sample_rate, const std::string& sample_fmt,
                             const std::string& channel_layout);

}  // namespace zentrova::test

// The direct-API baseline: one media file converted to H.264 + MP3 in an MP4
// (or any container the output name selects) by calling the media libraries
// straight through their bound slots, without the engine.
//
// It is the yardstick for the engine's default conversion: the same encoders,
// bit rates and thread counts, the same "decode, convert only when needed,
// encode" data path, but no option machinery, filter graphs or hooks.
//
// Threads: runs entirely on the calling thread (the codecs may start their
// own workers). The media libraries must be loaded before the call.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace zentrova::bench {

/// The settings of the engine's default conversion
/// (" -b:a 128k -b:v 1000k -c:a libmp3lame -c:v libx264 -threads 2 -sn").
struct BaselineSettings {
  std::int64_t video_bit_rate = 1000000;
  std::int64_t audio_bit_rate = 128000;
  std::string video_encoder = "libx264";
  std::string audio_encoder = "libmp3lame";
  int encoder_threads = 2;   ///< decoders use the library's automatic count
  std::string input_format;  ///< demuxer short name; empty: probed from the input
};

/// What one conversion produced.
struct BaselineResult {
  std::int64_t video_frames_encoded = 0;
  std::int64_t audio_samples_encoded = 0;
  std::int64_t packets_written = 0;
  int decode_errors = 0;  ///< packets or frames the decoders refused (the run goes on)
};

/// A failure of the baseline, with a message naming the action and the object.
class BaselineError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// Converts the best video and the best audio stream of `input` into
/// `output` (subtitles and data streams are left out). Throws BaselineError
/// on any failure; a partly written output is removed then, never an input.
BaselineResult TranscodeDirect(const std::string& input, const std::string& output,
                               const BaselineSettings& settings = {});

}  // namespace zentrova::bench

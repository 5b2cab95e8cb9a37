// Runs the conversion engine on the calling thread for a test and keeps
// what it logged.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/custom_ffmpeg.h"
#include "log/log_level.h"

namespace zentrova::test {

/// One input of a task: a file and its option string.
struct EngineInput {
  std::string file;
  std::string options;
};

/// How a run ended and what it logged.
struct EngineRun {
  bool opened = false;  ///< every input and the output opened
  bool finished = false;
  bool fatal = false;
  std::string message;  ///< the fatal message, or the open failure's text
  std::vector<std::string> log;
  std::int32_t frames_dup = 0;
  std::int32_t frames_drop = 0;
  std::int64_t frames_decoded = 0;
  std::int64_t decode_errors = 0;
  double wall_s = 0;  ///< how long RunConversion took

  /// True when a logged line contains `text`.
  bool Logged(const std::string& text) const;
  /// The log as one text, for failure messages.
  std::string LogText() const;
};

/// An engine whose video hook, audio hook or preview reads as assigned.
struct EngineHooks {
  bool video_hook = false;
  bool audio_hook = false;
  bool preview = false;
};

/// Runs on a thread of its own while the conversion runs (stop, pause, …).
using EngineControl = std::function<void(TCustomFFmpeg& engine)>;

/// Opens the inputs and the output with their option strings and converts
/// on the calling thread, logging at `level`; `control`, when given, runs on
/// another thread meanwhile and is waited for.
EngineRun RunEngine(const std::vector<EngineInput>& inputs, const std::string& output,
                    const std::string& output_options, TLogLevel level = TLogLevel::llVerbose,
                    EngineHooks hooks = {}, const EngineControl& control = {});

/// The engine's default conversion options (H.264 + MP3 in MP4).
inline const char* kDefaultConversion = " -b:a 128k -b:v 1000k -c:a libmp3lame -c:v libx264 -threads 2 -sn";

}  // namespace zentrova::test

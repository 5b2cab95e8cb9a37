// Runs a join task (every input into one output) on the calling thread for a
// test, keeping what it logged and what each progress report said.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zentrova::test {

/// One progress report of the run (not the final one).
struct JoinProgress {
  int file_index = 0;
  int frame_number = 0;  ///< the active block's video stream
  std::int64_t total_duration_us = 0;
};

struct JoinRun {
  bool opened = false;
  bool finished = false;
  bool fatal = false;
  std::string message;  ///< the fatal message, or the open failure's text
  std::vector<std::string> log;
  std::vector<JoinProgress> progress;
  std::string LogText() const;
};

struct JoinInput {
  std::string file;
  std::string options;
};

/// What the run does besides converting.
struct JoinControl {
  /// Stop the run at the first progress report of this input (-1: never).
  int stop_in_file = -1;
  /// A second output opened after the joined one (empty: none).
  std::string second_output;
};

JoinRun RunJoin(const std::vector<JoinInput>& inputs, const std::string& output, const std::string& options,
                const JoinControl& control = {});

/// The engine's default conversion options (H.264 + MP3 in MP4).
inline const char* kJoinConversion = " -b:a 128k -b:v 1000k -c:a libmp3lame -c:v libx264 -threads 2 -sn";

}  // namespace zentrova::test

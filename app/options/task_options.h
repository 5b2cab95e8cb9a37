// The two records that describe one encoder task: an input and an output,
// each a file name plus an option string in the engine's option language.
//
// These belong to the encoder component; until it provides them, the
// builders use these plain records with the same field names and defaults.
// Kept in namespace zentrova::app so that they can never be mistaken for the
// encoder's own records in a program that links both.
#pragma once

#include <cstdint>
#include <string>

namespace zentrova::app {

struct TInputOptions {
  std::string FileName;
  std::string Options;  ///< e.g. " -ss 2.5"
  std::string Presets;
  std::int32_t Tag = 0;
  void* Data = nullptr;  ///< caller's value; not owned
};

struct TOutputOptions {
  std::string FileName;
  std::string Options;  ///< e.g. " -b:a 128k -b:v 1000k -c:a libmp3lame -c:v libx264 -sn"
  std::string Presets;
  bool AudioInputHook = false;
  bool AudioOutputHook = false;
  bool VideoInputHook = false;
  bool VideoOutputHook = false;
  std::int32_t VideoHookBitsPixel = 32;
  bool FrameInputHook = false;
  bool FrameOutputHook = false;
  bool Join = false;
  std::int32_t Tag = 0;
  void* Data = nullptr;  ///< caller's value; not owned
};

}  // namespace zentrova::app

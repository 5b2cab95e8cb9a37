// The records that describe one input and one output of an encoder task,
// and the rules that turn an output's option text into hook flags.
//
// A caller fills a `TInputOptions`/`TOutputOptions` (after `Init*Options`)
// and hands it to `TCustomEncoder::AddTask`, `AddInput` or `SetOutput`; the
// task keeps its own copy. `Data` is the caller's and never dereferenced.
// Plain values: any thread, no shared state.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zentrova {

/// One input of a task.
struct TInputOptions {
  /// Input file name; an empty one is filled from the name given to the call.
  std::string FileName;
  /// Input option string, e.g. "-ss 10 -t 30".
  std::string Options;
  /// Preset text applied to the input.
  std::string Presets;
  std::int32_t Tag = 0;
  void* Data = nullptr;  ///< caller's value, not owned
};

/// One output of a task.
struct TOutputOptions {
  /// Output file name; an empty one is filled from the name given to the call.
  std::string FileName;
  /// Output option string, e.g. "-c:v libx264 -b:v 1000k".
  std::string Options;
  /// Preset text applied to the output.
  std::string Presets;
  bool AudioInputHook = false;           ///< decoded input audio goes to OnAudioInputHook
  bool AudioOutputHook = false;          ///< audio about to be encoded goes to OnAudioOutputHook
  bool VideoInputHook = false;           ///< decoded input pictures go to OnVideoInputHook as bitmaps
  bool VideoOutputHook = false;          ///< pictures about to be encoded go to OnVideoOutputHook as bitmaps
  std::int32_t VideoHookBitsPixel = 32;  ///< depth of the hook bitmaps: 8, 15, 16, 24 or 32
  bool FrameInputHook = false;           ///< decoded input pictures go to OnFrameInputHook as raw pictures
  bool FrameOutputHook = false;          ///< raw pictures about to be encoded go to OnFrameOutputHook
  bool Join = false;                     ///< concatenate every input of the task into this output
  /// An existing file under the output's name is never replaced (the engine's
  /// -n): when the task starts the name counts as held, so the task moves on
  /// to the name OnOutputNameHeld offers, else fails; a file that appears
  /// under the name while the task runs is kept, and the task fails.
  bool KeepExisting = false;
  std::int32_t Tag = 0;
  void* Data = nullptr;  ///< caller's value, not owned
};

/// Resets every field to its default.
void InitInputOptions(TInputOptions& options);
void InitOutputOptions(TOutputOptions& options);

/// A defaulted input record with the given name and texts.
TInputOptions MakeInputOptions(std::string file_name, std::string options, std::string presets);
/// A defaulted output record with the given name and texts whose hook flags
/// and `Join` are set for each hook word the option text contains as a
/// separate word, without regard to case ("-videoinputhook", "-Join", ...).
TOutputOptions MakeOutputOptions(std::string file_name, std::string options, std::string presets);

/// The option text with every hook word and "-join" written in the form the
/// engine's option table knows ("-VideoInputHook", "-Join", ...), matched as
/// separate words without regard to case, and surrounding blanks removed.
std::string NormalizeHookWords(std::string_view options);

}  // namespace zentrova

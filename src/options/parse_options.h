// ParseOptions: parses and applies one file's option string.
//
// The engine (`TCustomFFmpegOpt`) lends what it owns through
// `TParseOptionsEngine`; the call runs on the thread that adds the task's
// input or output.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "options/ff_options.h"
#include "options/option_def.h"

namespace zentrova {

/// What `ParseOptions` borrows from the engine for one call.
struct TParseOptionsEngine {
  TFFOptions& options;  ///< the engine's FOptions (parse context prepared by the caller)
  TOptionTable table;   ///< the engine's FOptionDef
  bool HaltOnInvalidOption = true;
  std::string& FLastErrMsg;  ///< receives the failure text when halting
  /// Applies the presets text between the global and the file group
  /// (0 or a negative code); may be empty when there are no presets.
  std::function<int(TOptionContext optctx, std::string_view presets, std::string_view group_name)>
      ParsePresets;
  const void* sender = nullptr;  ///< the engine object, as the logger's sender
};

/// Splits `option_text`, applies the log level, parses the arguments, applies
/// the global group, the presets and then the file group (`group_name` is
/// "input file" or "output file", `file_kind_flags` OPTF_INPUT or
/// OPTF_OUTPUT, `file_name` as the library gets it). An empty option text
/// only applies the presets. Gives the first negative code when
/// `HaltOnInvalidOption` is set (FLastErrMsg then holds `last_error_text`
/// and the code's text), else 0. Value parsers and handlers may throw; the
/// argument list is released either way, the groups stay with the caller's
/// parse context until `uninit_parse_context`.
int ParseOptions(TParseOptionsEngine& engine, TOptionContext optctx, std::string_view option_text,
                 std::string_view presets, std::string_view group_name, std::int32_t file_kind_flags,
                 std::string_view file_name);

}  // namespace zentrova

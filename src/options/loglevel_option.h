// The log-level option: "-loglevel [repeat+]level" and "-v".
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "options/option_def.h"

namespace zentrova {

/// Sets the process-wide logger's repeat folding and level from `arg`:
/// "repeat" anywhere turns folding of repeated lines off; the level is one of
/// quiet, panic, fatal, error, warning, info, verbose, debug, trace or a
/// library level number. "" sets llPanic; "repeat" alone only changes the
/// flags. Anything else gives -22 and `last_error_text` lists the names.
/// Process-wide: it changes the level for every task.
int set_loglevel(std::string_view opt, std::string_view arg);

/// Applies "-loglevel" (or else "-v") of `args` before anything else is
/// parsed, so that the parse itself logs at that level. Also checks the
/// table (`check_option_table`).
void prescan_loglevel(std::span<const std::string> args, TOptionTable options);

}  // namespace zentrova

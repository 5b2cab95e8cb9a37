// Applying parsed options: storing typed values and calling handlers.
//
// Value parsers and handlers may throw (std::runtime_error with the value's
// message, or the engine's exception); nothing is leaked on the way out and
// the options stored before the throw stay stored.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "options/option_def.h"

namespace zentrova {

/// The calling thread's last error text of option parsing and file set-up.
/// Each thread has its own (tasks are set up from several threads at once);
/// `ParseOptions` clears it before it parses and reads it when a parse fails.
std::string& last_error_text();

/// Applies every option of `group` in order. With `file_kind_flags` (OPTF_INPUT
/// or OPTF_OUTPUT) not 0, a row that has none of those bits fails with the
/// "cannot be applied to <group_name> <file_name>" line and -22. Stops at the
/// first negative result and returns it; 0 when all were applied.
int apply_option_group(TOptionContext optctx, TOptionGroup& group, std::string_view group_name,
                       std::string_view file_name, std::int32_t file_kind_flags);

/// Stores `arg` for `row` (option name `opt` as written): into the row's
/// variable or context field, appended with its specifier to a per-stream
/// list, or handed to the row's handler. A failed handler (negative result)
/// sets `last_error_text` to "Failed to set value ..." (after the handler's
/// own text) and returns the code.
int store_option_value(TOptionContext optctx, const TOptionDef& row, const std::string& opt,
                       const std::string& arg);

/// Applies one option by name, as handlers do to set other options ("codec:v"
/// for -vcodec). Boolean rows take "1", or "0" through the "no" prefix (only
/// boolean rows take that prefix).
/// Gives 1 when the option took its argument, 0 when not, or -22 for an
/// unknown option or a missing argument (with `last_error_text` set).
int apply_option(TOptionContext optctx, std::string_view opt, std::optional<std::string_view> arg,
                 TOptionTable options);

}  // namespace zentrova

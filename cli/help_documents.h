// The documents the build makes from the option table, printed on request
// by options that --help does not list:
//   zentrova-cli --help-man               the manual page zentrova-cli(1) in roff
//   zentrova-cli --help-bash-completion   the bash completion script
//
// Pure; any thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zentrova::cli {

/// The document asked for when `args` (after the program name) is exactly
/// one of the options above; nothing otherwise.
std::optional<std::string> HelpDocument(const std::vector<std::string>& args);

}  // namespace zentrova::cli

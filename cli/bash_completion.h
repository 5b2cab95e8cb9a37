// The bash completion script of zentrova-cli, made from the program's own
// option table: it offers every option, the values of the options that
// choose from a list (--format, --size, --rate...), folders for a DIR
// value, file names for FILE and PNG values and for the inputs. The build
// writes it with `zentrova-cli --help-bash-completion` (help_documents.h).
//
// Pure; any thread.
#pragma once

#include <string>

namespace CLI {
class App;
}

namespace zentrova::cli {

/// The script: a function `_zentrova_cli` and the `complete` line that
/// binds it to the program's name.
std::string BashCompletionScript(const CLI::App& options);

}  // namespace zentrova::cli

// The manual page zentrova-cli(1) in roff, made from the program's own
// option table so that it always lists what --help lists. The build writes
// it with `zentrova-cli --help-man` (help_documents.h).
//
// Pure; any thread.
#pragma once

#include <string>

namespace CLI {
class App;
}

namespace zentrova::cli {

/// The whole page: name, synopsis, description, every option of `options`
/// with its value and help text, the footer's notes and examples, the
/// --json output, see also. `version` goes into the page's header.
std::string ManualPage(const CLI::App& options, const std::string& version);

/// `text` made safe for a roff text line: backslashes and minus signs
/// escaped, and a leading '.' or '\'' kept from reading as a request.
std::string RoffText(const std::string& text);

}  // namespace zentrova::cli

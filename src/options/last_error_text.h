// The last option or set-up error message of the calling thread.
#pragma once

#include <string>

namespace zentrova {

/// The calling thread's last error text of option parsing and file set-up.
/// Each thread has its own (tasks are set up from several threads at once);
/// `ParseOptions` clears it before it parses and reads it when a parse fails.
std::string& last_error_text();

}  // namespace zentrova

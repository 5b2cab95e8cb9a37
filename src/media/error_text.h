// Texts for the media libraries' error codes.
#pragma once

#include <string>

namespace zentrova {

/// The text of a library error code (a negative errno or a tagged code),
/// after `prefix` and ": " when a prefix is given. Unknown codes read
/// "Error number %d occurred".
std::string error_code_text(int code, const std::string& prefix = {});

}  // namespace zentrova

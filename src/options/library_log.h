// Library log lines of the option machinery.
//
// Messages handed to the media library's logging entry point with no context
// object; the library log callback delivers them to the logger. Does nothing
// while avutil is not bound.
#pragma once

#include <string>

namespace zentrova {

/// Library log levels used by the option machinery.
inline constexpr int kLibraryError = 16;
inline constexpr int kLibraryWarning = 24;
inline constexpr int kLibraryVerbose = 40;
inline constexpr int kLibraryDebug = 48;

/// Logs `text` as is (no format interpretation) at library level `level`.
void LibraryLog(int level, const std::string& text);

}  // namespace zentrova

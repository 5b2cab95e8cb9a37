// The media libraries' log output, routed to the default logger.
#pragma once

#include <cstdarg>

namespace zentrova {

/// Installs the library log callback in avutil and applies the default
/// logger's level and flags. Called by the loader when avutil is bound;
/// throws std::logic_error when it is not.
void InstallAVLogCallback();

/// The library log callback (avutil's callback type). Drops text above the
/// library level filter; prefixes a new line with "[<parent> @ <address>] "
/// and "[<object> @ <address>] "; keeps text of any length whole; cuts the
/// text into whole lines per thread; folds repeated lines when flag bit 1 is
/// set; hands each line to the default logger. Any thread; never throws.
void AVLogCallback(void* context, int level, const char* format, va_list args) noexcept;

}  // namespace zentrova

// The media libraries' log output, routed to the default logger.
#pragma once

namespace zentrova {

/// Installs the library log callback in avutil and applies the default
/// logger's level and flags. Called by the loader when avutil is bound.
void InstallAVLogCallback();

}  // namespace zentrova

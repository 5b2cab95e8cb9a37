// Loads the media libraries from the system once for a test program.
#pragma once

namespace zentrova::test {

/// Loads the encoder's library set from the system's search order; a failed
/// load fails the calling test with the loader's message.
void LoadMediaLibraries();

}  // namespace zentrova::test

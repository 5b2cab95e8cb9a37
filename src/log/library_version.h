// The component library's version, as built (major.minor.patch). The
// shared library's file name carries the major number: programs built
// against one major version run with any library of that major version.
#pragma once

namespace zentrova {

/// "major.minor.patch" of the library in use.
const char* LibraryVersion();

}  // namespace zentrova

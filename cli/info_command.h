// `zentrova-cli --info FILE…`: the decoder component's information text of
// each file (format, duration, bit rate, tags, one line per stream), and
// nothing is converted.
//
// Main thread; the media libraries must be loaded.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "log/base_component.h"

namespace zentrova::cli {

/// Describes each file on `out` (a blank line between files); a file that
/// cannot be opened gets the decoder's message on `err` and the others go
/// on. Only what `policy` allows is opened. Returns 0 when every file was
/// described, 1 otherwise.
int RunInfo(const std::vector<std::string>& files, TInputPolicy policy, std::ostream& out, std::ostream& err);

}  // namespace zentrova::cli

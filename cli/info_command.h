// `zentrova-cli --info FILE…`: what each file holds, and nothing is
// converted. As text: the decoder component's information text (format,
// duration, bit rate, tags, one line per stream). With --json: one object
// per line and file (info_json.h).
//
// Main thread; the media libraries must be loaded.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "log/base_component.h"

namespace zentrova::cli {

enum class TInfoForm {
  ifText,  ///< the information text, a blank line between files
  ifJson,  ///< one JSON object per line, also for a file that cannot be read
};

/// Describes each file on `out`; only what `policy` allows is opened. As text a file that cannot be opened
/// gets the decoder's message on `err`; as JSON its object holds the message. The other files go on either
/// way. Returns 0 when every file was described, 1 otherwise.
int RunInfo(const std::vector<std::string>& files, TInputPolicy policy, TInfoForm form, std::ostream& out,
            std::ostream& err);

}  // namespace zentrova::cli

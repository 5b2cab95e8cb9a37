// What the options dialog's source state reads of a probed file, taken from
// the decoder component as the application's main window does.
//
// Main thread; the decoder must have the file loaded (`LoadFile` succeeded).
#pragma once

#include "app/options/source_state.h"

namespace zentrova {
class TRIDarivir;
}

namespace zentrova::cli {

/// The facts of the decoder's open file.
app::TSourceProbe ProbeOfDecoder(TRIDarivir& decoder);

}  // namespace zentrova::cli

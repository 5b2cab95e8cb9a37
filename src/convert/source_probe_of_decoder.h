// What the options dialog's source state reads of a file the decoder
// component has opened: the application's main window and the command line
// both take a source over through this copy.
//
// One thread at a time, like the decoder.
#pragma once

#include "convert/source_state.h"

namespace zentrova {
class TCustomDecoder;
}

namespace zentrova::app {

/// The facts of the decoder's open file (`LoadFile` succeeded).
TSourceProbe ProbeOfDecoder(TCustomDecoder& decoder);

}  // namespace zentrova::app

// Probing a file as the application's main window does: the decoder
// component opens it, and what the options dialog's source state reads of
// it is copied out.
//
// Main thread.
#pragma once

#include "app/options/source_state.h"
#include "cli/conversion_plan.h"

namespace zentrova {
class TRIDarivir;
}

namespace zentrova::cli {

/// The facts of the decoder's open file (`LoadFile` succeeded).
app::TSourceProbe ProbeOfDecoder(TRIDarivir& decoder);

/// A probe function with a decoder of its own (kept by the function): each
/// call opens the file, copies its facts (or the decoder's message) and
/// closes it again. Needs the media libraries loaded.
TProbeFunction MakeDecoderProbe();

}  // namespace zentrova::cli

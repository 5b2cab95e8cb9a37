// Probing a file as the application's main window does: the decoder
// component opens it, and what the options dialog's source state reads of
// it is copied out (`app::ProbeOfDecoder`).
//
// Main thread.
#pragma once

#include "cli/conversion_plan.h"
#include "log/base_component.h"

namespace zentrova::cli {

/// A probe function with a decoder of its own (kept by the function): each
/// call opens the file, copies its facts (or the decoder's message) and
/// closes it again, opening only what `policy` allows. Needs the media
/// libraries loaded.
TProbeFunction MakeDecoderProbe(TInputPolicy policy);

}  // namespace zentrova::cli

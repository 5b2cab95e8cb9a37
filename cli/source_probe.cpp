#include "cli/source_probe.h"

#include <memory>

#include "cli/interrupt.h"
#include "convert/library_names.h"
#include "convert/source_probe_of_decoder.h"
#include "decoder/ridarivir.h"

namespace zentrova::cli {

TProbeFunction MakeDecoderProbe(TInputPolicy policy) {
  auto decoder = std::make_shared<TRIDarivir>();
  decoder->SetInputPolicy(policy);
  // A stop request ends a probe that waits (a network input that does not answer).
  decoder->SetStopCheck([] { return TInterruptGuard::StopRequested(); });
  return [decoder, policy](const std::string& file) {
    TProbeOutcome outcome;
    outcome.Loaded = decoder->LoadFile(app::InputUrl(file));
    if (outcome.Loaded)
      outcome.Probe = app::ProbeOfDecoder(*decoder);
    else
      outcome.Error = decoder->LastErrMsg();
    if (!outcome.Loaded && policy == TInputPolicy::LocalFiles && app::IsNetworkAddress(file))
      outcome.Error += " (--allow-network admits network inputs)";
    decoder->CloseFile();
    return outcome;
  };
}

}  // namespace zentrova::cli

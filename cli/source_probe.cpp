#include "cli/source_probe.h"

#include <memory>

#include "app/options/source_probe_of_decoder.h"
#include "decoder/ridarivir.h"

namespace zentrova::cli {

TProbeFunction MakeDecoderProbe() {
  auto decoder = std::make_shared<TRIDarivir>();
  return [decoder](const std::string& file) {
    TProbeOutcome outcome;
    outcome.Loaded = decoder->LoadFile(file);
    if (outcome.Loaded)
      outcome.Probe = app::ProbeOfDecoder(*decoder);
    else
      outcome.Error = decoder->LastErrMsg();
    decoder->CloseFile();
    return outcome;
  };
}

}  // namespace zentrova::cli

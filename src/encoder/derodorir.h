// TDERodorir: the encoder component as callers use it — `TCustomEncoder`
// with nothing added (every property is already public).
#pragma once

#include "encoder/custom_encoder.h"

namespace zentrova {

class TDERodorir final : public TCustomEncoder {
 public:
  TDERodorir() = default;
  /// Stops the tasks while the whole component still exists (see Shutdown).
  ~TDERodorir() override { Shutdown(); }

  const char* ClassName() const override { return "TDERodorir"; }
};

}  // namespace zentrova

// TDERodorir: the encoder component as callers use it — `TCustomEncoder`
// with nothing added (every property is already public).
#pragma once

#include "encoder/custom_encoder.h"

namespace zentrova {

class TDERodorir : public TCustomEncoder {
 public:
  const char* ClassName() const override { return "TDERodorir"; }
};

}  // namespace zentrova

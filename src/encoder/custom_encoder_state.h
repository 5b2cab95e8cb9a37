// What TCustomEncoder keeps out of its public header: its decoder, the task
// list (the engines), the run schedule and the termination delivery thread.
// Library-internal: included by the encoder's own sources only.
#pragma once

#include "encoder/custom_encoder.h"
#include "encoder/input_decoders.h"
#include "encoder/task_list.h"
#include "encoder/task_schedule.h"
#include "encoder/terminate_delivery.h"

namespace zentrova {

struct TCustomEncoder::TState {
  /// Wires the schedule and the delivery thread to `owner`'s handlers.
  explicit TState(TCustomEncoder& owner);

  TDecoderHolder FDecoder;
  TTaskSchedule FSchedule;
  TFFmpegList FFFmpegList;
  bool FDeviceFormats = true;
  /// Declared last: started once everything it uses exists, stopped first.
  TDoTerminateThread FDelivery;
};

}  // namespace zentrova

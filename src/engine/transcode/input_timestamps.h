// Repair of the timestamps of a packet just read from an input file.
//
// Applied by `read_input_file` to every packet of a used stream, in this
// order: wrap-around correction (once per stream), the file's offset and the
// stream's -itsscale, the jump between streams of a format with
// discontinuous timestamps, the loop offset (-stream_loop), the jump within a
// stream (absorbed into the file's offset for such formats, otherwise an
// impossible dts/pts is dropped), and finally the file's last timestamp.
//
// Threads: the run's thread; it changes `file`, `ist` and `pkt` only.
#pragma once

#include "engine/open/input_file.h"
#include "engine/open/input_stream.h"
#include "media/ff.h"

namespace zentrova {

/// The engine-wide settings the repair obeys.
struct TTimestampPolicy {
  bool copy_ts = false;                ///< -copyts: keep input timestamps as they are
  bool join_mode = false;              ///< join mode: segments are joined, jumps are not absorbed
  float dts_delta_threshold = 10;      ///< seconds: a larger jump is a discontinuity
  float dts_error_threshold = 108000;  ///< seconds: a larger error drops the timestamp
};

/// Repairs `pkt` (a packet of `ist`, which belongs to `file`) in place.
/// Logs the corrections ("timestamp discontinuity …", "DTS … invalid
/// dropping", …); never fails.
void RepairInputTimestamps(TInputFile& file, TInputStream& ist, AVPacket& pkt,
                           const TTimestampPolicy& policy);

}  // namespace zentrova

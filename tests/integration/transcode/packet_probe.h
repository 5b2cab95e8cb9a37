// Reads every packet of a file back (no decoding), for checks on key
// frames, timestamps and packet counts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "media/ff.h"

namespace zentrova::test {

struct ProbedPacket {
  int stream = 0;
  AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
  std::int64_t pts = AV_NOPTS_VALUE;
  std::int64_t dts = AV_NOPTS_VALUE;
  bool key = false;
  AVRational time_base{1, 1};
  std::int64_t pos = -1;  ///< byte position in the file; -1 when unknown
  int size = 0;
  std::int64_t duration = 0;
  double PtsSeconds() const { return static_cast<double>(pts) * av_q2d(time_base); }
};

/// Every packet of `path` in file order; throws std::runtime_error when the
/// file cannot be opened or read.
std::vector<ProbedPacket> ReadPackets(const std::string& path);

/// The bit rate the container declares for stream `index` (0 when none).
std::int64_t StreamBitRate(const std::string& path, int index);

/// The packets of the first stream of `type`.
std::vector<ProbedPacket> PacketsOf(const std::vector<ProbedPacket>& packets, AVMediaType type);

}  // namespace zentrova::test

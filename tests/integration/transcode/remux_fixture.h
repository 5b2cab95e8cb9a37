// Fixtures made from generated clips by rewriting their packets: variable
// frame rates, timestamp jumps, timestamps that go backwards, streams whose
// parameters change mid-way.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "media/ff.h"

namespace zentrova::test {

/// Copies every stream of `source` into `target` (format from its name, or
/// `format`), passing each packet through `edit` first; a packet for which
/// `edit` returns false is left out. Throws std::runtime_error on failure.
void RemuxPackets(const std::string& source, const std::string& target,
                  const std::function<bool(const AVStream& stream, AVPacket& pkt)>& edit,
                  const std::string& format = {});

/// Writes the bytes of `parts` one after the other into `target`.
void ConcatenateFiles(const std::vector<std::string>& parts, const std::string& target);

}  // namespace zentrova::test

#include "encoder/stream_source.h"

#include <cstdint>
#include <fmt/format.h>

namespace zentrova {

std::string MemoryStreamName(const TStream& stream, const std::string& private_data) {
  return fmt::format("memory:{}:{}", reinterpret_cast<std::uintptr_t>(&stream), private_data);
}

std::string StreamNotSupportedMessage(const std::string& memory_name) {
  return fmt::format("Cannot open \"{}\": stream inputs and outputs are not supported.", memory_name);
}

}  // namespace zentrova

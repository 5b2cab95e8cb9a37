// Stream sources and targets of encoder tasks.
//
// A caller may name a task's input or output by a stream object instead of
// a file. Such a task file is called "memory:<identity>:<private data>".
// The media libraries have no protocol that reads or writes such a name, so
// the encoder refuses the stream forms with a clear message instead of
// letting the open fail later with an unrelated library error.
#pragma once

#include <string>

namespace zentrova {

/// A caller's stream object; only its identity is used.
class TStream {
 public:
  virtual ~TStream() = default;
};

/// "memory:<address of the stream, decimal>:<private data>".
std::string MemoryStreamName(const TStream& stream, const std::string& private_data);

/// The message for a stream form: Cannot open "<name>": stream inputs and
/// outputs are not supported.
std::string StreamNotSupportedMessage(const std::string& memory_name);

}  // namespace zentrova

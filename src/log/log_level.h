// Log levels of the system and their media-library numbers.
#pragma once

#include <cstdint>
#include <string>

namespace zentrova {

/// How detailed a message is; a logger delivers messages up to its level.
enum class TLogLevel { llQuiet, llPanic, llFatal, llError, llWarning, llInfo, llVerbose, llDebug, llTrace };

/// The media library's level number of a level: ordinal times 8, minus 8
/// (llQuiet -8, llPanic 0, ... llInfo 32, ... llTrace 56).
constexpr int LibraryLogLevel(TLogLevel level) {
  return static_cast<int>(level) * 8 - 8;
}

/// The level of a media-library level number: below -8 gives llQuiet, 56 or
/// more gives llTrace, otherwise the ordinal is number / 8 (truncated toward
/// zero) plus 1, so -7..7 give llPanic and 20 gives llError.
constexpr TLogLevel LogLevelFromLibrary(int number) {
  if (number < -8) return TLogLevel::llQuiet;
  if (number >= 56) return TLogLevel::llTrace;
  return static_cast<TLogLevel>(number / 8 + 1);
}

/// The level's name as written in the log file ("Quiet" ... "Trace").
const char* LogLevelName(TLogLevel level);

/// One message on its way to `OnLog` and the log file. A value record: it is
/// copied when it crosses to the main thread.
struct TLogInfo {
  const void* Sender = nullptr;  ///< the object that logged; only compared, never dereferenced
  std::uint32_t ThreadID = 0;    ///< the kernel thread id of the thread that logged
  TLogLevel LogLevel = TLogLevel::llInfo;
  std::string LogMsg;
};

}  // namespace zentrova

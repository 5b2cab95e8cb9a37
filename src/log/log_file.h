// The process-wide log file behind every logger's LogFile/LogToFile.
// Internal to the log subsystem.
#pragma once

#include <chrono>
#include <mutex>
#include <string>

#include "log/log_level.h"

namespace zentrova::detail {

/// One line of the log file: "hh:nn:ss zzz [XXXXXXXX] Level: text\r\n",
/// local time, thread id as eight upper-case hexadecimal digits.
std::string FormatLogFileLine(const TLogInfo& info, std::chrono::system_clock::time_point when);

/// Owns the open log file (one per process, in the log hub). Every
/// operation takes the file lock, so lines never interleave. Thread-safe.
class LogFile {
 public:
  LogFile() = default;
  ~LogFile();
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  std::string Name() const;
  bool Enabled() const;
  /// Both store the value; when it differs, close the open file.
  void SetName(const std::string& file_name);
  void SetEnabled(bool value);
  /// Enabled and a name is set.
  bool Wanted() const;

  /// Appends one line, opening (or creating) the file first when needed.
  /// Returns an error text in the system's words to report, or an empty
  /// text when the line was written or the same error was reported before.
  std::string Write(const TLogInfo& info);
  /// Empties the open file, or deletes the named file when none is open.
  bool Clear();
  void Close();

 private:
  void CloseLocked();
  std::string Failure(std::string text);

  mutable std::mutex mutex_;
  std::string name_;            // guarded by mutex_
  bool enabled_ = false;        // guarded by mutex_
  int fd_ = -1;                 // guarded by mutex_; opened with O_APPEND
  std::string reported_error_;  // guarded by mutex_; last error handed out
};

}  // namespace zentrova::detail

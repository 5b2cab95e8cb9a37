// The process-wide logger.
//
// One `TZOVuzodi` receives the system's messages (`Log`, `LogFmt`) and the
// media libraries' lines (through the library log callback, see
// av_log_callback.h), filters them by level and hands each line to `OnLog`
// and, when enabled, appends it to the log file.
//
// Threads: any thread may log. `OnLog` calls never overlap. With
// `TriggerEventInMainThread` (the default) every line reaches `OnLog` on the
// main thread (see main_thread.h): a line logged on another thread is queued
// in order and the logging thread does not wait, so a worker never blocks on
// the main thread while it logs. Lines of one thread arrive in the order that
// thread logged them. The setters are for the main thread.
//
// Lifetime: at most one caller-created logger exists. `DefaultLogger()`
// creates an inactive one when there is none; creating your own logger
// destroys that auto-created one, so create it before starting threads that
// log, and destroy it only after they have stopped. Threads that may outlive
// a logger log through the free `Log`/`LogFmt` below, which always reach the
// current default logger safely.
#pragma once

#include <fmt/format.h>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "log/base_component.h"
#include "log/log_level.h"

namespace zentrova {

namespace detail {
class LoggerCore;
}

/// `OnLog`: sender (the object that logged; the logger itself for library
/// lines), kernel thread id of the logging thread, level, the line's text.
using TLogEvent =
    std::function<void(const void* sender, int thread_id, TLogLevel level, const std::string& msg)>;

class TZOVuzodi : public TFFBaseComponent {
 public:
  /// Becomes the default logger, replacing (destroying) an auto-created one.
  /// Starts with Active true, TriggerEventInMainThread true, LogFlags and
  /// LogLevel taken from the library's current flags and level filter, and
  /// delivers nothing until one of SetActive/SetOnLog/SetLogFile/SetLogToFile
  /// runs. Throws std::runtime_error "Allow creating only one instance of
  /// TZOVuzodi." when a caller-created logger exists.
  TZOVuzodi();
  /// Clears OnLog (waiting for a running OnLog call to return), stops being
  /// the default and closes the log file. Lines of this logger still queued
  /// for the main thread are dropped.
  ~TZOVuzodi() override;

  const char* ClassName() const override { return "TZOVuzodi"; }

  /// Delivers one message unless it is more detailed than LogLevel or nothing
  /// would receive it. Never throws; a log file that cannot be written is
  /// reported to OnLog (see SetLogFile).
  void Log(const void* sender, TLogLevel level, const std::string& msg);
  /// As Log, with the text formatted by {fmt} only when it is delivered.
  template <typename... A>
  void LogFmt(const void* sender, TLogLevel level, fmt::format_string<A...> f, A&&... a) {
    if (WouldDeliver(level)) Log(sender, level, fmt::format(f, std::forward<A>(a)...));
  }
  /// True when a message of `level` would reach OnLog or the log file.
  bool WouldDeliver(TLogLevel level) const;

  /// Delivers one library line (no LogLevel test: the library callback has
  /// filtered by number). The sender is the logger itself.
  void LogLine(unsigned thread_id, int library_level, const std::string& text);

  bool Active() const;
  void SetActive(bool value);
  TLogLevel LogLevel() const;
  /// Stores the level and, when avutil is bound, sets the library's level
  /// filter to its number.
  void SetLogLevel(TLogLevel value);
  /// Sets LogLevel from a level word, without regard to case ("quiet",
  /// "panic", "fatal", "error", "warning", "info", "verbose", "debug",
  /// "trace"), or a decimal integer read as a library number. Other text
  /// throws std::invalid_argument "'<text>' is not a valid integer value"
  /// and leaves the level unchanged.
  void OptLogLevel(const std::string& text);
  /// Library log flags; bit value 1 folds repeated library lines.
  int LogFlags() const;
  void SetLogFlags(int value);
  bool TriggerEventInMainThread() const;
  void SetTriggerEventInMainThread(bool value);
  const TLogEvent& OnLog() const;
  void SetOnLog(TLogEvent handler);

  /// The log file (process-wide, shared by every logger). Lines are
  /// "hh:nn:ss zzz [XXXXXXXX] Level: text\r\n", appended. Changing the name
  /// or LogToFile closes the open file; the next line opens the new one. A
  /// file that cannot be opened is reported to OnLog at llError and tried
  /// again at the next line.
  std::string LogFile() const;
  void SetLogFile(const std::string& file_name);
  bool LogToFile() const;
  void SetLogToFile(bool value);
  /// Empties the open log file (writing goes on from its start); with no
  /// open file, deletes the file LogFile names. False when that failed.
  bool ClearLogFile();

  /// Sets the library's level filter from LogLevel (when avutil is bound).
  void ApplyLogLevel();
  /// Hands LogFlags to the library callback (and to avutil when bound).
  void ApplyLogFlags();

  /// True for the logger that DefaultLogger() created.
  bool AutoCreated() const;

  /// Only DefaultLogger() can make this key: the auto-created logger.
  class AutoCreateKey {
    AutoCreateKey() = default;
    friend TZOVuzodi* DefaultLogger();
  };
  explicit TZOVuzodi(AutoCreateKey);

 private:
  friend TZOVuzodi* DefaultLogger();
  void UpdateSkip();

  std::shared_ptr<detail::LoggerCore> core_;  // shared with lines queued for the main thread
  TLogEvent on_log_;                          // main thread's copy, for OnLog()
};

/// The process-wide logger; when there is none, creates an inactive one.
/// Null only once the process is shutting down (static destruction).
TZOVuzodi* DefaultLogger();

/// Logs through the default logger with no sender. Safe on any thread at any
/// time, also while the default logger is being replaced.
void Log(TLogLevel level, const std::string& msg);
template <typename... A>
void LogFmt(TLogLevel level, fmt::format_string<A...> f, A&&... a) {
  Log(level, fmt::format(f, std::forward<A>(a)...));
}

/// Delivers the calling thread's unfinished library line (text without a
/// line feed yet), if any, and forgets the thread's pending state, so that a
/// later thread that reuses the id starts clean. Call at the end of a run on
/// the worker.
void FlushThreadLogText();

}  // namespace zentrova

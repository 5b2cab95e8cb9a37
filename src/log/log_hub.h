// Process-wide state of the logger. Internal to the log subsystem.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "log/library_line_assembler.h"
#include "log/log_file.h"
#include "log/logger.h"

namespace zentrova::detail {

class LoggerCore;

/// One per process, created on first use and never destroyed: a run thread
/// that ends while static objects are destroyed at exit may still be inside
/// the logger after its Gone() check. At exit the hub is closed instead: it
/// hands the library back its own log callback (when avutil is still bound),
/// destroys an auto-created logger and closes the log file.
struct LogHub {
  /// The hub; its memory stays valid to the end of the process.
  static LogHub& Instance();
  /// True once the hub was closed at process exit: from then on loggers and
  /// the library callback leave it alone.
  static bool Gone();
  /// The exit-time closing (once).
  void Close();

  /// The default logger's core, or null when there is no default logger (an
  /// auto-created one would drop every line anyway).
  std::shared_ptr<LoggerCore> DefaultCore();

  // The default logger. Lock order: default_mutex is never held while
  // another lock of the logger is taken.
  std::mutex default_mutex;
  TZOVuzodi* default_logger = nullptr;       // guarded by default_mutex
  std::shared_ptr<LoggerCore> default_core;  // guarded by default_mutex
  std::unique_ptr<TZOVuzodi> auto_created;   // guarded by default_mutex

  // The library's level filter (a library level number) and log flags.
  std::atomic<int> library_level_filter{32};
  std::atomic<int> library_flags{1};

  // The library callback's state: unfinished lines per thread, folding.
  std::mutex callback_mutex;
  LibraryLineAssembler lines;  // guarded by callback_mutex

  LogFile file;
};

}  // namespace zentrova::detail

// Ctrl-C while converting: the first press (or a SIGTERM) asks for a
// graceful stop — the main loop stops every task and the engine finalises
// the outputs; a second press aborts at once (exit code 130).
//
// Signals are process-wide, so the press count is too. The handler only
// counts, writes a fixed note to stderr and, on the second press, ends the
// process with `_exit`: nothing else is safe inside a signal handler.
// Install on the main thread; one guard at a time.
#pragma once

#include <csignal>

namespace zentrova::cli {

/// The exit code of a run aborted by a second Ctrl-C (128 + SIGINT).
inline constexpr int kAbortExitCode = 128 + SIGINT;

class TInterruptGuard {
 public:
  /// Installs the handlers for SIGINT and SIGTERM and zeroes the count.
  TInterruptGuard();
  /// Restores the handlers that were there before.
  ~TInterruptGuard();
  TInterruptGuard(const TInterruptGuard&) = delete;
  TInterruptGuard& operator=(const TInterruptGuard&) = delete;

  /// A stop was asked for (any thread).
  static bool StopRequested();

 private:
  struct sigaction previous_int_ {};
  struct sigaction previous_term_ {};
};

}  // namespace zentrova::cli

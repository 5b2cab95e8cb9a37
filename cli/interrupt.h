// Ctrl-C while converting: the first press (or a SIGTERM or SIGHUP) asks for
// a graceful stop — the main loop stops every task and the engine finalises
// the outputs; a second one of any of them aborts at once (exit code
// kAbortExitCode), wherever the run is blocked.
//
// Signals are process-wide, so the press count is too. The handler only
// counts, writes a fixed note to stderr and, on the second signal, ends the
// process with `_exit`: nothing else is safe inside a signal handler.
// Install on the main thread; one guard at a time.
#pragma once

#include <csignal>

namespace zentrova::cli {

/// The exit code of a run aborted by a second Ctrl-C, SIGTERM or SIGHUP
/// (128 + SIGINT, whichever signals they were).
inline constexpr int kAbortExitCode = 128 + SIGINT;

class TInterruptGuard {
 public:
  /// Installs the handlers for SIGINT, SIGTERM and SIGHUP and zeroes the count.
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
  struct sigaction previous_hup_ {};
};

}  // namespace zentrova::cli

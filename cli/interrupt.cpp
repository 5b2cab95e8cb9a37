#include "cli/interrupt.h"

#include <unistd.h>

#include <atomic>
#include <cstring>

namespace zentrova::cli {
namespace {

// Process-wide like the signals themselves; lock-free, so the handler may touch it.
std::atomic<int> g_presses{0};
static_assert(std::atomic<int>::is_always_lock_free);

void WriteNote(const char* text) {
  // write() is async-signal-safe; a failed write has nowhere to be reported.
  const ssize_t ignored = ::write(STDERR_FILENO, text, std::strlen(text));
  static_cast<void>(ignored);
}

extern "C" void HandleInterrupt(int /*signal_number*/) {
  const int presses = g_presses.fetch_add(1) + 1;
  if (presses >= 2) {
    WriteNote("\nzentrova-cli: aborted.\n");
    ::_exit(kAbortExitCode);
  }
  WriteNote("\nzentrova-cli: stopping every task (Ctrl-C again to abort)...\n");
}

}  // namespace

TInterruptGuard::TInterruptGuard() {
  g_presses.store(0);
  struct sigaction action {};
  action.sa_handler = HandleInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, &previous_int_);
  sigaction(SIGTERM, &action, &previous_term_);
  sigaction(SIGHUP, &action, &previous_hup_);
}

TInterruptGuard::~TInterruptGuard() {
  sigaction(SIGINT, &previous_int_, nullptr);
  sigaction(SIGTERM, &previous_term_, nullptr);
  sigaction(SIGHUP, &previous_hup_, nullptr);
}

bool TInterruptGuard::StopRequested() {
  return g_presses.load() > 0;
}

}  // namespace zentrova::cli

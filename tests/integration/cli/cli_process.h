// Runs the zentrova-cli program as a child process for the end-to-end
// tests: its stdout and stderr are captured, its stdout can be read line by
// line while it runs (to signal it at the right moment), and its exit code
// is collected.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace zentrova::test {

struct CliResult {
  int exit_code = -1;  ///< the exit status; 128 + n when killed by signal n
  std::string out;
  std::string err;
};

class CliProcess {
 public:
  /// Starts `program` with `args` (stdin from /dev/null).
  CliProcess(const std::string& program, const std::vector<std::string>& args);
  /// Kills a child that is still running and reaps it.
  ~CliProcess();
  CliProcess(const CliProcess&) = delete;
  CliProcess& operator=(const CliProcess&) = delete;

  /// The next stdout line (without '\n'); nothing at the end of output or
  /// after `timeout_ms`. Stderr is drained meanwhile.
  std::optional<std::string> ReadLine(int timeout_ms);
  void Signal(int signal_number);
  /// Reads everything left and waits for the exit (at most `timeout_ms`,
  /// then the child is killed and the result's exit code is -1).
  CliResult Wait(int timeout_ms);

 private:
  /// Reads what is available into the buffers; false when both pipes are closed.
  bool Pump(int timeout_ms);

  pid_t pid_ = -1;
  int out_fd_ = -1;
  int err_fd_ = -1;
  std::string out_;       // everything read from stdout
  std::size_t line_ = 0;  // start of the next line ReadLine returns
  std::string err_;
};

/// Runs the program to its end (at most `timeout_ms`).
CliResult RunCli(const std::string& program, const std::vector<std::string>& args, int timeout_ms = 300000);

}  // namespace zentrova::test

#include "cli_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

extern char** environ;

namespace zentrova::test {
namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

CliProcess::CliProcess(const std::string& program, const std::vector<std::string>& args) {
  int out_pipe[2];
  int err_pipe[2];
  if (::pipe2(out_pipe, O_CLOEXEC) != 0 || ::pipe2(err_pipe, O_CLOEXEC) != 0)
    throw std::runtime_error("cannot create pipes for " + program);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out_pipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err_pipe[1], STDERR_FILENO);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const int spawned = ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out_pipe[1]);
  ::close(err_pipe[1]);
  out_fd_ = out_pipe[0];
  err_fd_ = err_pipe[0];
  if (spawned != 0) {
    ::close(out_fd_);
    ::close(err_fd_);
    throw std::runtime_error("cannot start " + program);
  }
}

CliProcess::~CliProcess() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  if (out_fd_ >= 0) ::close(out_fd_);
  if (err_fd_ >= 0) ::close(err_fd_);
}

bool CliProcess::Pump(int timeout_ms) {
  pollfd fds[2] = {{out_fd_, POLLIN, 0}, {err_fd_, POLLIN, 0}};
  if (out_fd_ < 0 && err_fd_ < 0) return false;
  if (::poll(fds, 2, timeout_ms) <= 0) return true;
  char buffer[4096];
  for (int i = 0; i < 2; ++i) {
    if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
    const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
    if (got > 0) {
      (i == 0 ? out_ : err_).append(buffer, static_cast<std::size_t>(got));
    } else {
      ::close(fds[i].fd);
      (i == 0 ? out_fd_ : err_fd_) = -1;
    }
  }
  return true;
}

std::optional<std::string> CliProcess::ReadLine(int timeout_ms) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    const std::size_t end = out_.find('\n', line_);
    if (end != std::string::npos) {
      std::string line = out_.substr(line_, end - line_);
      line_ = end + 1;
      return line;
    }
    if (out_fd_ < 0 || RemainingMs(deadline) == 0) return std::nullopt;
    Pump(RemainingMs(deadline));
  }
}

void CliProcess::Signal(int signal_number) {
  if (pid_ > 0) ::kill(pid_, signal_number);
}

CliResult CliProcess::Wait(int timeout_ms) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while ((out_fd_ >= 0 || err_fd_ >= 0) && RemainingMs(deadline) > 0) Pump(RemainingMs(deadline));
  CliResult result;
  int status = 0;
  if (out_fd_ >= 0 || err_fd_ >= 0) {
    ::kill(pid_, SIGKILL);  // timed out
    ::waitpid(pid_, &status, 0);
  } else if (::waitpid(pid_, &status, 0) == pid_) {
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  pid_ = -1;
  result.out = out_;
  result.err = err_;
  return result;
}

CliResult RunCli(const std::string& program, const std::vector<std::string>& args, int timeout_ms) {
  CliProcess process(program, args);
  return process.Wait(timeout_ms);
}

}  // namespace zentrova::test

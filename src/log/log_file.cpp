#include "log/log_file.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <ctime>

namespace zentrova::detail {

std::string FormatLogFileLine(const TLogInfo& info, std::chrono::system_clock::time_point when) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  return fmt::format("{:02}:{:02}:{:02} {:03} [{:08X}] {}: {}\r\n", local.tm_hour, local.tm_min, local.tm_sec,
                     ms, info.ThreadID, LogLevelName(info.LogLevel), info.LogMsg);
}

LogFile::~LogFile() {
  CloseLocked();
}

std::string LogFile::Name() const {
  std::lock_guard lock(mutex_);
  return name_;
}

bool LogFile::Enabled() const {
  std::lock_guard lock(mutex_);
  return enabled_;
}

bool LogFile::Wanted() const {
  std::lock_guard lock(mutex_);
  return enabled_ && !name_.empty();
}

void LogFile::SetName(const std::string& file_name) {
  std::lock_guard lock(mutex_);
  if (file_name == name_) return;
  name_ = file_name;
  CloseLocked();
}

void LogFile::SetEnabled(bool value) {
  std::lock_guard lock(mutex_);
  if (value == enabled_) return;
  enabled_ = value;
  CloseLocked();
}

void LogFile::Close() {
  std::lock_guard lock(mutex_);
  CloseLocked();
}

void LogFile::CloseLocked() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  reported_error_.clear();
}

std::string LogFile::Failure(std::string text) {
  if (text == reported_error_) return {};
  reported_error_ = text;
  return text;
}

std::string LogFile::Write(const TLogInfo& info) {
  const std::string line = FormatLogFileLine(info, std::chrono::system_clock::now());
  std::lock_guard lock(mutex_);
  if (!enabled_ || name_.empty()) return {};
  if (fd_ < 0) {
    // O_APPEND: every line goes to the end, also after Clear cut the file.
    fd_ = ::open(name_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd_ < 0) return Failure(fmt::format("Cannot open log file \"{}\": {}", name_, std::strerror(errno)));
  }
  std::size_t written = 0;
  while (written < line.size()) {
    const ssize_t n = ::write(fd_, line.data() + written, line.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Failure(fmt::format("Cannot write log file \"{}\": {}", name_, std::strerror(errno)));
    written += static_cast<std::size_t>(n);
  }
  reported_error_.clear();
  return {};
}

bool LogFile::Clear() {
  std::lock_guard lock(mutex_);
  if (fd_ >= 0) return ::ftruncate(fd_, 0) == 0;
  if (name_.empty()) return true;
  struct stat st {};
  if (::stat(name_.c_str(), &st) != 0) return true;  // nothing to delete
  return ::unlink(name_.c_str()) == 0;
}

}  // namespace zentrova::detail

#include "log_capture.h"

namespace zentrova::test {

LogCapture::LogCapture(TLogLevel level) {
  logger_.SetTriggerEventInMainThread(false);
  logger_.SetLogLevel(level);
  logger_.SetOnLog([this](const void*, int, TLogLevel, const std::string& msg) {
    std::lock_guard lock(mutex_);
    lines_.push_back(msg);
  });
}

std::vector<std::string> LogCapture::Lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

int LogCapture::Count(const std::string& text) const {
  std::lock_guard lock(mutex_);
  int count = 0;
  for (const std::string& line : lines_)
    if (line.find(text) != std::string::npos) ++count;
  return count;
}

}  // namespace zentrova::test

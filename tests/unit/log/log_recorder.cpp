#include "log_recorder.h"

#include "log/main_thread.h"
#include "log/threads.h"

namespace zentrova::test {

TLogEvent LogRecorder::Handler() {
  return [this](const void* sender, int thread_id, TLogLevel level, const std::string& msg) {
    std::lock_guard lock(mutex_);
    lines_.push_back(LoggedLine{sender, thread_id, level, msg, IsMainThread(), CurrentThreadId()});
  };
}

std::vector<LoggedLine> LogRecorder::Lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

std::vector<std::string> LogRecorder::Texts() const {
  std::vector<std::string> texts;
  for (const LoggedLine& line : Lines()) texts.push_back(line.Msg);
  return texts;
}

std::size_t LogRecorder::Count() const {
  std::lock_guard lock(mutex_);
  return lines_.size();
}

void LogRecorder::Clear() {
  std::lock_guard lock(mutex_);
  lines_.clear();
}

bool LogRecorder::WaitForCount(std::size_t count) const {
  return MainThreadWait([&] { return Count() >= count; }, 20000);
}

}  // namespace zentrova::test

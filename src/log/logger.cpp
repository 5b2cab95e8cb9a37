#include "log/logger.h"

#include <charconv>
#include <stdexcept>
#include <string_view>

#include "log/log_hub.h"
#include "log/logger_core.h"
#include "log/plain_text.h"
#include "log/threads.h"
#include "media/ff.h"

namespace zentrova {
namespace {

using detail::LoggerCore;
using detail::LogHub;

std::shared_ptr<LoggerCore> MakeCore(const TZOVuzodi* owner) {
  LogHub& hub = LogHub::Instance();
  return std::make_shared<LoggerCore>(owner, hub.library_flags.load(),
                                      LogLevelFromLibrary(hub.library_level_filter.load()));
}

// A level word or a decimal integer (with an optional sign) as a library
// level number.
int ParseLogLevelNumber(const std::string& text) {
  static constexpr std::pair<std::string_view, int> kWords[] = {
      {"quiet", -8}, {"panic", 0},    {"fatal", 8},  {"error", 16}, {"warning", 24},
      {"info", 32},  {"verbose", 40}, {"debug", 48}, {"trace", 56},
  };
  for (const auto& [word, number] : kWords)
    if (EqualsIgnoringCase(text, word)) return number;
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  int number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
      (text.front() == '+' && digits.front() == '-'))
    throw std::invalid_argument("'" + text + "' is not a valid integer value");
  return number;
}

}  // namespace

TZOVuzodi::TZOVuzodi() : core_(MakeCore(this)) {
  LogHub& hub = LogHub::Instance();
  std::unique_ptr<TZOVuzodi> replaced;  // destroyed after the lock is released
  {
    std::lock_guard lock(hub.default_mutex);
    if (hub.default_logger && hub.default_logger == hub.auto_created.get()) {
      replaced = std::move(hub.auto_created);
      hub.default_logger = nullptr;
      hub.default_core.reset();
    }
    if (hub.default_logger) throw std::runtime_error("Allow creating only one instance of TZOVuzodi.");
    hub.default_logger = this;
    hub.default_core = core_;
  }
}

TZOVuzodi::TZOVuzodi(AutoCreateKey) : core_(MakeCore(this)) {
  core_->auto_created.store(true);
}

TZOVuzodi::~TZOVuzodi() {
  core_->Retire();
  if (LogHub::Gone()) return;  // the auto-created logger, destroyed with the hub at exit
  LogHub& hub = LogHub::Instance();
  {
    std::lock_guard lock(hub.default_mutex);
    if (hub.default_logger == this) {
      hub.default_logger = nullptr;
      hub.default_core.reset();
    }
  }
  hub.file.Close();
}

TZOVuzodi* DefaultLogger() {
  if (LogHub::Gone()) return nullptr;
  LogHub& hub = LogHub::Instance();
  std::lock_guard lock(hub.default_mutex);
  if (!hub.default_logger) {
    hub.auto_created = std::make_unique<TZOVuzodi>(TZOVuzodi::AutoCreateKey());
    hub.default_logger = hub.auto_created.get();
    hub.default_core = hub.default_logger->core_;
  }
  return hub.default_logger;
}

void TZOVuzodi::Log(const void* sender, TLogLevel level, const std::string& msg) {
  core_->Log(sender, level, msg);
}

bool TZOVuzodi::WouldDeliver(TLogLevel level) const {
  return !core_->skip.load() && level <= core_->log_level.load();
}

void TZOVuzodi::LogLine(unsigned thread_id, int library_level, const std::string& text) {
  core_->LogLine(thread_id, library_level, text);
}

void TZOVuzodi::UpdateSkip() {
  const bool receiver = core_->HasHandler() || LogHub::Instance().file.Wanted();
  core_->skip.store(!(core_->active.load() && receiver));
}

bool TZOVuzodi::Active() const {
  return core_->active.load();
}

void TZOVuzodi::SetActive(bool value) {
  core_->active.store(value);
  UpdateSkip();
}

TLogLevel TZOVuzodi::LogLevel() const {
  return core_->log_level.load();
}

void TZOVuzodi::SetLogLevel(TLogLevel value) {
  if (core_->log_level.exchange(value) != value) ApplyLogLevel();
}

void TZOVuzodi::OptLogLevel(const std::string& text) {
  SetLogLevel(LogLevelFromLibrary(ParseLogLevelNumber(text)));
}

void TZOVuzodi::ApplyLogLevel() {
  if (!ff::av_log_set_level) return;  // the filter follows when avutil is loaded
  const int number = LibraryLogLevel(core_->log_level.load());
  LogHub::Instance().library_level_filter.store(number);
  ff::av_log_set_level(number);
}

int TZOVuzodi::LogFlags() const {
  return core_->log_flags.load();
}

void TZOVuzodi::SetLogFlags(int value) {
  if (core_->log_flags.exchange(value) != value) ApplyLogFlags();
}

void TZOVuzodi::ApplyLogFlags() {
  const int flags = core_->log_flags.load();
  LogHub::Instance().library_flags.store(flags);
  if (ff::av_log_set_flags) ff::av_log_set_flags(flags);
}

bool TZOVuzodi::TriggerEventInMainThread() const {
  return core_->trigger_in_main_thread.load();
}

void TZOVuzodi::SetTriggerEventInMainThread(bool value) {
  core_->trigger_in_main_thread.store(value);
}

const TLogEvent& TZOVuzodi::OnLog() const {
  return on_log_;
}

void TZOVuzodi::SetOnLog(TLogEvent handler) {
  on_log_ = handler;
  core_->SetHandler(std::move(handler));
  UpdateSkip();
}

std::string TZOVuzodi::LogFile() const {
  return LogHub::Instance().file.Name();
}

void TZOVuzodi::SetLogFile(const std::string& file_name) {
  LogHub::Instance().file.SetName(file_name);
  UpdateSkip();
}

bool TZOVuzodi::LogToFile() const {
  return LogHub::Instance().file.Enabled();
}

void TZOVuzodi::SetLogToFile(bool value) {
  LogHub::Instance().file.SetEnabled(value);
  UpdateSkip();
}

bool TZOVuzodi::ClearLogFile() {
  return LogHub::Instance().file.Clear();
}

bool TZOVuzodi::AutoCreated() const {
  return core_->auto_created.load();
}

void Log(TLogLevel level, const std::string& msg) {
  if (LogHub::Gone()) return;
  if (auto core = LogHub::Instance().DefaultCore()) core->Log(nullptr, level, msg);
}

void FlushThreadLogText() {
  if (LogHub::Gone()) return;
  LogHub& hub = LogHub::Instance();
  const unsigned thread_id = CurrentThreadId();
  detail::LibraryLineAssembler::Unfinished unfinished;
  {
    std::lock_guard lock(hub.callback_mutex);
    unfinished = hub.lines.Drop(thread_id);
  }
  if (unfinished.text.empty()) return;
  if (auto core = hub.DefaultCore()) core->LogLine(thread_id, unfinished.level, unfinished.text);
}

}  // namespace zentrova

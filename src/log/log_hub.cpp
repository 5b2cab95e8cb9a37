#include "log/log_hub.h"

#include "log/logger_core.h"
#include "media/ff.h"

namespace zentrova::detail {
namespace {

// Trivially destructible, so it stays readable while static objects die.
std::atomic<bool> hub_gone{false};

}  // namespace

LogHub& LogHub::Instance() {
  static LogHub hub;
  return hub;
}

bool LogHub::Gone() {
  return hub_gone.load();
}

LogHub::~LogHub() {
  hub_gone.store(true);
  // The libraries may log while the loader unloads them after this point.
  if (ff::av_log_set_callback && ff::av_log_default_callback)
    ff::av_log_set_callback(ff::av_log_default_callback);
  {
    std::lock_guard lock(default_mutex);
    default_logger = nullptr;
    default_core.reset();
  }
  auto_created.reset();
}

std::shared_ptr<LoggerCore> LogHub::DefaultCore() {
  std::lock_guard lock(default_mutex);
  return default_core;
}

}  // namespace zentrova::detail

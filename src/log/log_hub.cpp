#include "log/log_hub.h"

#include "log/logger_core.h"
#include "media/ff.h"

namespace zentrova::detail {

LogHub& LogHub::Instance() {
  static LogHub hub;
  return hub;
}

LogHub::~LogHub() {
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

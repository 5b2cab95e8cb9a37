#include "app/ui/log_line.h"

#include <fmt/format.h>

namespace zentrova::ui {

std::string LogPaneLine(int thread_id, TLogLevel level, const std::string& message) {
  return fmt::format("#{}.{}: {}", thread_id, static_cast<int>(level), message);
}

}  // namespace zentrova::ui

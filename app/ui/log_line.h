// The log pane's line for one logged message: "#<thread id>.<level>: <text>"
// with the level's ordinal (0 for quiet ... 8 for trace).
//
// Pure function; any thread.
#pragma once

#include <string>

#include "log/log_level.h"

namespace zentrova::ui {

std::string LogPaneLine(int thread_id, TLogLevel level, const std::string& message);

}  // namespace zentrova::ui

#include "log/av_log_callback.h"

#include <fmt/format.h>
#include <cstdio>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "log/library_error_capture.h"
#include "log/log_hub.h"
#include "log/logger.h"
#include "log/logger_core.h"
#include "log/threads.h"
#include "media/ff.h"

namespace zentrova {
namespace {

using detail::LogHub;

// Appends the printf-style text; any length (sized from vsnprintf's result).
void AppendFormatted(std::string& out, const char* format, va_list args) {
  char buffer[2048];
  va_list attempt;
  va_copy(attempt, args);
  const int length = std::vsnprintf(buffer, sizeof buffer, format, attempt);
  va_end(attempt);
  if (length <= 0) return;  // nothing, or a format the C library refused
  if (static_cast<std::size_t>(length) < sizeof buffer) {
    out.append(buffer, static_cast<std::size_t>(length));
    return;
  }
  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(length) + 1);
  va_copy(attempt, args);
  std::vsnprintf(out.data() + start, static_cast<std::size_t>(length) + 1, format, attempt);
  va_end(attempt);
  out.resize(start + static_cast<std::size_t>(length));
}

void AppendObject(std::string& out, void* object) {
  const AVClass* av_class = *static_cast<const AVClass**>(object);
  const char* name = av_class->item_name ? av_class->item_name(object) : av_class->class_name;
  fmt::format_to(std::back_inserter(out), "[{} @ {}] ", name ? name : "", fmt::ptr(object));
}

// "[parent @ 0x…] [object @ 0x…] " for a library object that logs.
std::string ObjectPrefix(void* context) {
  std::string prefix;
  const AVClass* av_class = *static_cast<const AVClass**>(context);
  if (av_class->parent_log_context_offset != 0) {
    void* parent =
        *reinterpret_cast<void**>(static_cast<char*>(context) + av_class->parent_log_context_offset);
    if (parent && *static_cast<const AVClass**>(parent)) AppendObject(prefix, parent);
  }
  AppendObject(prefix, context);
  return prefix;
}

}  // namespace

void InstallAVLogCallback() {
  if (!ff::av_log_set_callback || !ff::av_log_set_level)
    throw std::logic_error("The library log callback needs avutil loaded.");
  ff::av_log_set_callback(&AVLogCallback);
  TZOVuzodi* logger = DefaultLogger();
  logger->ApplyLogFlags();
  logger->ApplyLogLevel();
}

void AVLogCallback(void* context, int level, const char* format, va_list args) noexcept {
  try {
    if (detail::LogHub::Gone()) return;
    LogHub& hub = LogHub::Instance();
    // Levels may carry colour bits above the low byte.
    if (level >= 0) level &= 0xff;
    if (level > hub.library_level_filter.load()) return;
    const auto core = hub.DefaultCore();
    // A run that waits for its cause hears library errors also when no
    // logger takes the lines.
    const bool deliver = core && !core->skip.load();
    if (!format || (!deliver && !TLibraryErrorCapture::Waiting())) return;

    std::string message;
    AppendFormatted(message, format, args);
    const unsigned thread_id = CurrentThreadId();
    const bool fold = (hub.library_flags.load() & 1) != 0;
    std::vector<std::string> lines;
    {
      std::lock_guard lock(hub.callback_mutex);
      std::string text;
      // The object prefix starts a line only.
      if (context && *static_cast<const AVClass**>(context) && hub.lines.LineStarts(thread_id))
        text = ObjectPrefix(context);
      text += message;
      // Before folding: the same line from another run is still this run's cause.
      TLibraryErrorCapture::Offer(level, text);
      if (!deliver) return;
      lines = hub.lines.Add(thread_id, text, fold, level);
    }
    // Delivered outside the callback lock: a handler may log through the
    // library itself. One thread's lines still go out in their order.
    for (const std::string& line : lines) core->LogLine(thread_id, level, line);
  } catch (...) {
    // Nothing may travel into the library's C frames; the text is lost.
  }
}

}  // namespace zentrova

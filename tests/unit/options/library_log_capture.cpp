#include "library_log_capture.h"

#include <cstdarg>
#include <cstdio>

#include "log/av_log_callback.h"
#include "media/ff.h"

namespace zentrova::test {
namespace {

std::vector<LibraryLogCapture::Message>* g_target = nullptr;  // the active capture (test thread only)

void Record(void*, int level, const char* format, va_list args) {
  if (!g_target) return;
  char buffer[4096];
  va_list copy;
  va_copy(copy, args);
  std::vsnprintf(buffer, sizeof buffer, format, copy);
  va_end(copy);
  g_target->push_back({level, buffer});
}

}  // namespace

LibraryLogCapture::LibraryLogCapture() {
  g_target = &messages_;
  ff::av_log_set_callback(Record);
}

LibraryLogCapture::~LibraryLogCapture() {
  g_target = nullptr;
  InstallAVLogCallback();
}

bool LibraryLogCapture::Has(int level, std::string_view text) const {
  for (const Message& m : messages_)
    if (m.level == level && m.text.find(text) != std::string::npos) return true;
  return false;
}

std::string LibraryLogCapture::All() const {
  std::string all;
  for (const Message& m : messages_) all += m.text;
  return all;
}

}  // namespace zentrova::test

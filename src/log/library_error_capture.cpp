#include "log/library_error_capture.h"

#include <string_view>

#include "log/library_line_assembler.h"
#include "log/plain_text.h"

namespace zentrova {
namespace {

// The library's AV_LOG_ERROR: this level and the graver ones (fatal, panic)
// are errors.
constexpr int kLibraryErrorLevel = 16;

// The innermost capture of this thread; owned by the thread's stack.
thread_local TLibraryErrorCapture* tCapture = nullptr;

}  // namespace

TLibraryErrorCapture::TLibraryErrorCapture() : FOuter(tCapture) {
  tCapture = this;
}

TLibraryErrorCapture::~TLibraryErrorCapture() {
  tCapture = FOuter;
}

std::string TLibraryErrorCapture::WithCause(const std::string& step) const {
  if (FFirstError.empty() || step.find(FFirstError) != std::string::npos) return step;
  return step + ": " + FFirstError;
}

bool TLibraryErrorCapture::Waiting() {
  return tCapture && tCapture->FFirstError.empty();
}

void TLibraryErrorCapture::Offer(int library_level, const std::string& text) {
  if (library_level > kLibraryErrorLevel || !Waiting()) return;
  tCapture->FFirstError = WithoutObjectAddress(text);
}

std::string WithoutObjectAddress(const std::string& line) {
  std::string_view rest = line;
  std::string_view name;
  while (!rest.empty() && rest.front() == '[') {
    const std::size_t at = rest.find(" @ ");
    const std::size_t close = rest.find("] ");
    if (at == std::string_view::npos || close == std::string_view::npos || at > close) break;
    name = rest.substr(1, at - 1);
    rest.remove_prefix(close + 2);
  }
  const std::string text(Trim(rest));
  if (name.empty() || text.empty()) return text;
  return std::string(name) + ": " + text;
}

}  // namespace zentrova

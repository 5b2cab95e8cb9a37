#include "options/last_error_text.h"

namespace zentrova {

std::string& last_error_text() {
  thread_local std::string text;
  return text;
}

}  // namespace zentrova

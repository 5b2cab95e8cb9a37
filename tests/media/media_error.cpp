#include "media/media_error.h"

#include <stdexcept>

#include "media/error_text.h"
#include "media/library_loader.h"

namespace zentrova::test {

void Fail(const std::string& message) {
  throw std::runtime_error(message);
}

int Check(int code, const std::string& action) {
  if (code < 0) Fail(error_code_text(code, action));
  return code;
}

void RequireMediaLibraries() {
  FFLoader().CheckLibAV(
      TLibraries{TLibrary::avCodec, TLibrary::avFilter, TLibrary::avFormat, TLibrary::avUtil});
}

}  // namespace zentrova::test

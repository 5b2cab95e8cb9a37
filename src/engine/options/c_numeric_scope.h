// A scope in which the calling thread reads and writes numbers the "C" way.
//
// The media libraries parse decimal numbers in filter arguments and option
// values with the C library, which follows the process locale: under a
// locale with a decimal comma "0.5" would be misread. The desktop front end
// switches the process to the user's locale, so the engine puts its own
// thread into "C" numbers while it builds graphs and opens files. Only the
// calling thread is affected (other tasks and the user interface keep their
// locale); the previous thread locale is restored on exit.
#pragma once

#include <locale.h>

namespace zentrova {

class TCNumericScope {
 public:
  TCNumericScope();
  ~TCNumericScope();
  TCNumericScope(const TCNumericScope&) = delete;
  TCNumericScope& operator=(const TCNumericScope&) = delete;

 private:
  locale_t previous_ = nullptr;
  locale_t numeric_c_ = nullptr;  ///< null when no locale object could be made
};

}  // namespace zentrova

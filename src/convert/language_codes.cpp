#include "convert/language_codes.h"

#include <algorithm>
#include <array>

#include "log/plain_text.h"

namespace zentrova::app {
namespace {

struct TLanguageCodes {
  std::string_view TwoLetter;      ///< ISO 639-1
  std::string_view Terminology;    ///< ISO 639-2/T
  std::string_view Bibliographic;  ///< ISO 639-2/B; empty when the same as /T
};

constexpr TLanguageCodes kLanguages[] = {
#include "language_code_rows.inc"
};

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

bool LooksLikeLanguageCode(std::string_view text) {
  return (text.size() == 2 || text.size() == 3) && std::all_of(text.begin(), text.end(), IsAsciiLetter);
}

std::string TerminologyCode(std::string_view code) {
  const std::string lower = LowerAscii(code);
  if (lower.empty()) return lower;
  for (const TLanguageCodes& language : kLanguages)
    if (lower == language.TwoLetter || lower == language.Terminology || lower == language.Bibliographic)
      return std::string(language.Terminology);
  return lower;
}

bool SameLanguage(std::string_view a, std::string_view b) {
  return !a.empty() && !b.empty() && TerminologyCode(a) == TerminologyCode(b);
}

}  // namespace zentrova::app

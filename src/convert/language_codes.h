// Language codes of stream tags: ISO 639-1 ("fr") and both ISO 639-2 forms,
// terminological ("fra") and bibliographic ("fre"), name the same language.
//
// The table is made at build time from Debian's iso-codes list. Pure
// functions; any thread.
#pragma once

#include <string>
#include <string_view>

namespace zentrova::app {

/// Two or three ASCII letters: the shape of a language code.
bool LooksLikeLanguageCode(std::string_view text);

/// The ISO 639-2/T form of `code` in lower case ("fr", "fre", "FRA" give
/// "fra"); a code the table does not know, lower-cased as it is.
std::string TerminologyCode(std::string_view code);

/// `a` and `b` name the same language (case does not matter); empty names none.
bool SameLanguage(std::string_view a, std::string_view b);

}  // namespace zentrova::app

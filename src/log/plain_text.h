// Helpers for plain ASCII text that every layer uses: trimming and
// case-blind comparison. Locale-independent (the GUI sets the process
// locale from the user's environment).
#pragma once

#include <string>
#include <string_view>

namespace zentrova {

/// Space, tab, CR, LF, vertical tab and form feed: white space in the C locale.
inline constexpr std::string_view kWhiteSpace = " \t\r\n\v\f";
/// Space and tab: the blanks around a value typed into an edit or a line.
inline constexpr std::string_view kBlanks = " \t";

/// `text` without leading and trailing characters of `blanks`; a view into `text`.
std::string_view Trim(std::string_view text, std::string_view blanks = kWhiteSpace);

/// `a` and `b` are equal when ASCII letters are compared without case
/// ("MP4" and "mp4"); other bytes must match exactly.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

/// `text` with ASCII letters in lower case; other bytes unchanged.
std::string LowerAscii(std::string_view text);

}  // namespace zentrova

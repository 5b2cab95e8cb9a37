// Escaping of user texts (a watermark file name) placed into a -vf argument.
//
// Such a text passes three parsers, outermost last: the filter's own option
// parser (values separated by ':'), the filter-graph parser (filters
// separated by ',' and ';', pads in brackets) and the option-string splitter
// (arguments separated by blanks, grouped by double quotes). Escaping at the
// first two levels, then quoting the whole argument for the third, delivers
// any file name to the filter unchanged.
#pragma once

#include <string>
#include <string_view>

namespace zentrova::app {

/// Filter-option level: a backslash before '\', '\'', ':', '=' and blanks
/// (a leading or trailing blank would otherwise be dropped, an '=' would
/// turn the name into an option key).
std::string EscapeFilterOptionValue(std::string_view text);

/// Filter-graph level: a backslash before '\', '\'', '[', ']', ',', ';' and
/// blanks.
std::string EscapeFilterGraphText(std::string_view text);

/// The option-string level: `argument` in double quotes as one argument of
/// the splitter. A quote inside becomes \" with the backslashes before it
/// doubled, and a run of backslashes before the closing quote is doubled.
std::string QuoteForOptionSplitter(std::string_view argument);

}  // namespace zentrova::app

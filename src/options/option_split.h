// Splitting an option string into its arguments.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zentrova {

/// Splits a UTF-8 option string into arguments, left to right. Blanks
/// (space, tab) separate arguments outside double quotes. A run of n
/// backslashes matters only before a double quote: n even gives n/2
/// backslashes and a quote that toggles quoting; n odd gives (n-1)/2
/// backslashes and a literal quote. Inside quotes, a quote that is followed
/// by exactly one more quote at the very end of the string makes that last
/// quote literal. Two adjacent quotes give an empty argument; an empty or
/// blank string gives none. UTF-8 sequences never contain these bytes, so
/// multi-byte names stay intact.
std::vector<std::string> split_option_string(std::string_view options);

}  // namespace zentrova

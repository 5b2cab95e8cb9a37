// Numbers to and from the texts of option strings and dialog edits.
//
// Locale-independent: the GUI sets the process locale from the user's
// environment, and an option string must still read "2.5", never "2,5".
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zentrova::app {

/// The shortest general form with up to 15 significant digits and '.' as
/// the decimal point ("2.5", "5", "0.785398163397448", "1e+20").
std::string DecimalText(double value);

/// A decimal integer typed into an edit: optional blanks around, an optional
/// sign, digits only. Nothing for anything else (empty, "abc", "1.5", "10x")
/// or a value outside the 32-bit range.
std::optional<int> ParseDecimalInteger(std::string_view text);

/// A number text (a bit rate as typed) above `max` becomes `max`; other
/// texts, not numbers, pass through for the engine to report.
void CapNumberText(std::optional<std::string>& text, double max);

}  // namespace zentrova::app

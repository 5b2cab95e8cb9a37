// Text for the terminal: file names, and messages and log lines that quote
// them, can hold control characters (an escape sequence in a name would
// steer the terminal). They are written visibly instead ("\x1b").
// Pure; any thread.
#pragma once

#include <string>
#include <string_view>

namespace zentrova::cli {

/// `text` with every control character (C0 but line feed and tab, DEL, and
/// the UTF-8 encoded C1 range) written as "\xNN"; a carriage return before
/// a line feed (the engine's line break) is dropped.
std::string TerminalText(std::string_view text);

}  // namespace zentrova::cli

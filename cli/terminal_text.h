// Text for the terminal: file names, and messages and log lines that quote
// them, can hold control characters (a line feed in a name would start a
// new line, an escape sequence would steer the terminal). They are written
// visibly instead ("\x0a", "\x1b").
// Pure; any thread.
#pragma once

#include <string>
#include <string_view>

namespace zentrova::cli {

/// `text` with every control character (C0, DEL, and the UTF-8 encoded C1
/// range) written as "\xNN" ("\u00NN" for C1), line feeds and tabs too.
/// Only a carriage return and line feed together (the line break of the
/// engine's and the decoder's texts) stay a line break, written as "\n".
std::string TerminalText(std::string_view text);

}  // namespace zentrova::cli

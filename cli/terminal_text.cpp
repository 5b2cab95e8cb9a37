#include "cli/terminal_text.h"

#include <fmt/format.h>

namespace zentrova::cli {

std::string TerminalText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += '\n';
      ++i;
    } else if (byte < 0x20 || byte == 0x7f) {
      out += fmt::format("\\x{:02x}", byte);
    } else if (byte == 0xc2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9f) {
      out += fmt::format("\\u{:04x}", static_cast<unsigned char>(text[++i]));  // U+0080..U+009F
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace zentrova::cli

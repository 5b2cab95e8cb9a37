#include "convert/filter_escape.h"

namespace zentrova::app {
namespace {

std::string EscapeEach(std::string_view text, std::string_view specials) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char c : text) {
    if (specials.find(c) != std::string_view::npos) out += '\\';
    out += c;
  }
  return out;
}

}  // namespace

std::string EscapeFilterOptionValue(std::string_view text) {
  return EscapeEach(text, "\\':= \t\r\n");
}

std::string EscapeFilterGraphText(std::string_view text) {
  return EscapeEach(text, "\\'[],; \t\r\n");
}

std::string QuoteForOptionSplitter(std::string_view argument) {
  std::string out = "\"";
  std::size_t backslashes = 0;  // length of the run just copied
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
    } else {
      if (c == '"') out.append(backslashes + 1, '\\');  // double the run, then escape the quote
      backslashes = 0;
    }
    out += c;
  }
  out.append(backslashes, '\\');  // the closing quote must stay a delimiter
  out += '"';
  return out;
}

}  // namespace zentrova::app

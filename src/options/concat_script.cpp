#include "options/concat_script.h"

#include <algorithm>

namespace zentrova {
namespace {

constexpr std::string_view kBlanks = " \t\r\n";

std::string_view SkipBlanks(std::string_view text) {
  const std::size_t start = text.find_first_not_of(kBlanks);
  return start == std::string_view::npos ? std::string_view() : text.substr(start);
}

// One token: up to a blank that is neither escaped nor quoted.
std::string Token(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size() && kBlanks.find(text[i]) == std::string_view::npos; ++i) {
    const char c = text[i];
    if (c == '\\' && i + 1 < text.size()) {
      out += text[++i];
    } else if (c == '\'') {
      const std::size_t close = text.find('\'', i + 1);
      out += text.substr(i + 1, close == std::string_view::npos ? std::string_view::npos : close - i - 1);
      if (close == std::string_view::npos) break;
      i = close;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::vector<std::string> ConcatScriptFiles(std::string_view script) {
  std::vector<std::string> files;
  while (!script.empty()) {
    // The demuxer ends a line at a line feed, a carriage return or a NUL.
    const std::size_t end = script.find_first_of(std::string_view("\n\r\0", 3));
    std::string_view line = SkipBlanks(script.substr(0, end));
    script = end == std::string_view::npos ? std::string_view() : script.substr(end + 1);
    if (line.empty() || line.front() == '#') continue;
    const std::size_t keyword_end = std::min(line.find_first_of(kBlanks), line.size());
    if (line.substr(0, keyword_end) != "file") continue;
    files.push_back(Token(SkipBlanks(line.substr(keyword_end))));
  }
  return files;
}

}  // namespace zentrova

#include "options/option_split.h"

namespace zentrova {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

std::vector<std::string> split_option_string(std::string_view options) {
  std::vector<std::string> args;
  const std::size_t n = options.size();
  std::size_t i = 0;
  for (;;) {
    while (i < n && IsBlank(options[i])) ++i;
    if (i >= n) break;
    std::string arg;
    bool in_quotes = false;
    while (i < n) {
      const char c = options[i];
      if (c == '\\') {
        std::size_t end = i;
        while (end < n && options[end] == '\\') ++end;
        const std::size_t count = end - i;
        if (end < n && options[end] == '"') {
          arg.append(count / 2, '\\');
          if (count % 2 != 0) {
            arg += '"';  // escaped quote
            i = end + 1;
          } else {
            i = end;  // the quote delimits, handled below
          }
        } else {
          arg.append(count, '\\');
          i = end;
        }
        continue;
      }
      if (c == '"') {
        // Inside quotes, a quote followed by exactly one more quote that ends
        // the string stands for a literal quote.
        if (in_quotes && n - i == 2 && options[i + 1] == '"') {
          arg += '"';
          in_quotes = false;
          i = n;
        } else {
          in_quotes = !in_quotes;
          ++i;
        }
        continue;
      }
      if (!in_quotes && IsBlank(c)) break;
      arg += c;
      ++i;
    }
    args.push_back(std::move(arg));
  }
  return args;
}

}  // namespace zentrova

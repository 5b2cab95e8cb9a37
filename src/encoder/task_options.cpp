#include "encoder/task_options.h"

#include <array>
#include <cstddef>
#include <utility>

#include "log/plain_text.h"

namespace zentrova {
namespace {

// The hook words in the spelling the option table knows.
constexpr std::array<std::string_view, 7> kHookWords = {
    "-AudioInputHook", "-AudioOutputHook", "-VideoInputHook", "-VideoOutputHook",
    "-FrameInputHook", "-FrameOutputHook", "-Join",
};

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// One blank-separated word of an option text: [begin, end). Blanks inside
// double quotes do not separate words, and a quote after an odd number of
// backslashes is literal, as in the option splitter. `quoted` tells whether
// the word contains a quote (then it is a value, never a hook word).
struct Word {
  std::size_t begin;
  std::size_t end;
  bool quoted;
};

template <typename Visit>
void ForEachWord(std::string_view text, Visit visit) {
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i >= text.size()) break;
    Word word{i, i, false};
    bool in_quotes = false;
    std::size_t backslashes = 0;
    for (; i < text.size(); ++i) {
      const char c = text[i];
      if (!in_quotes && IsBlank(c)) break;
      if (c == '"') {
        word.quoted = true;
        if (backslashes % 2 == 0) in_quotes = !in_quotes;
      }
      backslashes = (c == '\\') ? backslashes + 1 : 0;
    }
    word.end = i;
    visit(word);
  }
}

// The table spelling of `word` when it is a hook word, else empty.
std::string_view HookWordOf(std::string_view word) {
  for (std::string_view hook : kHookWords) {
    if (EqualsIgnoringCase(word, hook)) return hook;
  }
  return {};
}

}  // namespace

void InitInputOptions(TInputOptions& options) {
  options = TInputOptions{};
}

void InitOutputOptions(TOutputOptions& options) {
  options = TOutputOptions{};
}

TInputOptions MakeInputOptions(std::string file_name, std::string options, std::string presets) {
  TInputOptions result;
  result.FileName = std::move(file_name);
  result.Options = std::move(options);
  result.Presets = std::move(presets);
  return result;
}

TOutputOptions MakeOutputOptions(std::string file_name, std::string options, std::string presets) {
  TOutputOptions result;
  ForEachWord(options, [&](const Word& word) {
    if (word.quoted) return;
    const std::string_view hook =
        HookWordOf(std::string_view(options).substr(word.begin, word.end - word.begin));
    if (hook == "-AudioInputHook") result.AudioInputHook = true;
    if (hook == "-AudioOutputHook") result.AudioOutputHook = true;
    if (hook == "-VideoInputHook") result.VideoInputHook = true;
    if (hook == "-VideoOutputHook") result.VideoOutputHook = true;
    if (hook == "-FrameInputHook") result.FrameInputHook = true;
    if (hook == "-FrameOutputHook") result.FrameOutputHook = true;
    if (hook == "-Join") result.Join = true;
  });
  result.FileName = std::move(file_name);
  result.Options = std::move(options);
  result.Presets = std::move(presets);
  return result;
}

std::string NormalizeHookWords(std::string_view options) {
  std::string result(options);
  std::size_t first = std::string_view::npos;
  std::size_t last = 0;
  ForEachWord(options, [&](const Word& word) {
    if (first == std::string_view::npos) first = word.begin;
    last = word.end;
    if (word.quoted) return;
    const std::string_view hook = HookWordOf(options.substr(word.begin, word.end - word.begin));
    // Same length: the word is rewritten in place.
    if (!hook.empty()) result.replace(word.begin, hook.size(), hook);
  });
  if (first == std::string_view::npos) return {};
  return result.substr(first, last - first);
}

}  // namespace zentrova

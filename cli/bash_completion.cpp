#include "cli/bash_completion.h"

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

#include "convert/option_items.h"

namespace zentrova::cli {
namespace {

// The options whose value is an item of one of the dialog's choice groups.
struct TChoiceOption {
  std::string_view Option;
  app::TChoice Choice;
};
constexpr std::array<TChoiceOption, 9> kChoiceOptions{{
    {"--format", app::TChoice::OutputFormat},
    {"--norm", app::TChoice::Norm},
    {"--size", app::TChoice::FrameSize},
    {"--rate", app::TChoice::FrameRate},
    {"--aspect", app::TChoice::AspectRatio},
    {"--channels", app::TChoice::AudioChannels},
    {"--sample-rate", app::TChoice::AudioSampleRate},
    {"--acodec", app::TChoice::AudioCodec},
    {"--vcodec", app::TChoice::VideoCodec},
}};
// The options whose value is one of a few fixed words.
struct TWordsOption {
  std::string_view Option;
  std::string_view Words;
};
constexpr std::array<TWordsOption, 2> kWordsOptions{{
    {"--log-level", "quiet panic fatal error warning info verbose debug trace"},
    {"--subtitles", "none keep burn"},
}};

// What a value names, by the value's type name in the option table.
constexpr std::array<std::string_view, 2> kFileValues{"FILE", "PNG"};
constexpr std::string_view kFolderValue = "DIR";

// The words a person may type for a choice: "auto" for the Auto item, a
// frame size both as "320x240" and as "qvga".
std::string ChoiceWords(app::TChoice choice) {
  std::string words;
  const auto add = [&words](std::string_view word) {
    if (!words.empty()) words += ' ';
    words += word;
  };
  for (std::string_view item : app::ChoiceGroup(choice).Items) {
    const std::size_t dash = item.find(" - ");
    const std::string_view first = item.substr(0, dash);
    if (first == "Auto") {
      add("auto");
    } else {
      add(first);
      if (dash != std::string_view::npos) add(item.substr(dash + 3));
    }
  }
  return words;
}

// "-o", "--output": the option's names as typed.
std::vector<std::string> NamesOf(const CLI::Option& option) {
  std::vector<std::string> names;
  for (const std::string& name : option.get_snames()) names.push_back("-" + name);
  for (const std::string& name : option.get_lnames()) names.push_back("--" + name);
  return names;
}

// "-o|--output": the option's names as a bash case pattern.
std::string CasePattern(const CLI::Option& option) {
  return fmt::format("{}", fmt::join(NamesOf(option), "|"));
}

bool HasName(const CLI::Option& option, std::string_view name) {
  const std::vector<std::string> names = NamesOf(option);
  return std::find(names.begin(), names.end(), name) != names.end();
}

// The case branch that completes the value of `option`; empty for a value
// typed by hand (a number, a time, an option string).
std::string ValueBranch(const CLI::Option& option) {
  const std::string pattern = CasePattern(option);
  for (const TChoiceOption& choice : kChoiceOptions)
    if (HasName(option, choice.Option))
      return fmt::format("    {}) _zentrova_cli_words '{}' ;;\n", pattern, ChoiceWords(choice.Choice));
  for (const TWordsOption& words : kWordsOptions)
    if (HasName(option, words.Option))
      return fmt::format("    {}) _zentrova_cli_words '{}' ;;\n", pattern, words.Words);
  const std::string& type = option.get_type_name();
  if (type == kFolderValue) return fmt::format("    {}) _zentrova_cli_names -d ;;\n", pattern);
  for (std::string_view file_type : kFileValues)
    if (type == file_type) return fmt::format("    {}) _zentrova_cli_names -f ;;\n", pattern);
  return {};
}

constexpr std::string_view kScript = R"(# bash completion for {program}, made from its option table.

# Sets COMPREPLY to the words of $1 that start with $cur.
_zentrova_cli_words() {{
  mapfile -t COMPREPLY < <(compgen -W "$1" -- "$cur")
}}

# Sets COMPREPLY to the file (-f) or folder (-d) names that start with $cur.
_zentrova_cli_names() {{
  compopt -o filenames 2>/dev/null
  mapfile -t COMPREPLY < <(compgen "$1" -- "$cur")
}}

_zentrova_cli() {{
  local cur=${{COMP_WORDS[COMP_CWORD]}} prev=
  ((COMP_CWORD > 0)) && prev=${{COMP_WORDS[COMP_CWORD - 1]}}
  # bash splits "--size=qv" into "--size" "=" "qv".
  if [[ $cur == = ]]; then
    cur=
  elif [[ $prev == = ]] && ((COMP_CWORD > 1)); then
    prev=${{COMP_WORDS[COMP_CWORD - 2]}}
  fi
  case $prev in
{values}    *)
      if [[ $cur == -* ]]; then
        _zentrova_cli_words '{options}'
      else
        _zentrova_cli_names -f
      fi
      ;;
  esac
  return 0
}}
complete -F _zentrova_cli {program}
)";

}  // namespace

std::string BashCompletionScript(const CLI::App& options) {
  std::string values;
  std::vector<std::string> names, typed;
  for (const CLI::Option* option : options.get_options()) {
    if (option->get_positional()) continue;
    const std::vector<std::string> option_names = NamesOf(*option);
    names.insert(names.end(), option_names.begin(), option_names.end());
    if (option->get_expected_min() == 0) continue;
    const std::string branch = ValueBranch(*option);
    if (branch.empty())
      typed.push_back(CasePattern(*option));
    else
      values += branch;
  }
  if (!typed.empty())
    values += fmt::format("    {}) COMPREPLY=() ;;  # typed by hand\n", fmt::join(typed, "|"));
  return fmt::format(kScript, fmt::arg("program", options.get_name()), fmt::arg("values", values),
                     fmt::arg("options", fmt::join(names, " ")));
}

}  // namespace zentrova::cli

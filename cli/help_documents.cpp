#include "cli/help_documents.h"

#include <CLI/CLI.hpp>

#include "cli/bash_completion.h"
#include "cli/cli_options.h"
#include "cli/manual_page.h"

namespace zentrova::cli {

std::optional<std::string> HelpDocument(const std::vector<std::string>& args) {
  if (args.size() != 1) return std::nullopt;
  std::optional<std::string> document;
  if (args[0] == "--help-man") {
    std::string version = VersionText();
    while (!version.empty() && version.back() == '\n') version.pop_back();
    VisitOptionTable([&](const CLI::App& options) { document = ManualPage(options, version); });
  } else if (args[0] == "--help-bash-completion") {
    VisitOptionTable([&](const CLI::App& options) { document = BashCompletionScript(options); });
  }
  return document;
}

}  // namespace zentrova::cli

// The manual page and the bash completion the build writes from
// zentrova-cli's option table: they list what --help lists, and the
// completion, run by bash, offers the right words.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli_process.h"
#include "convert/option_items.h"
#include "support/temp_dir.h"

namespace zentrova::test {
namespace {

namespace fs = std::filesystem;
using Words = std::set<std::string>;

const std::string kCli = ZENTROVA_CLI_PROGRAM;
const std::string kManPage = ZENTROVA_CLI_MAN_PAGE;
const std::string kCompletion = ZENTROVA_CLI_BASH_COMPLETION;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The option names of --help: the first column of each option line
// ("  -o,--output FILE  Output file...").
Words HelpOptions() {
  const CliResult help = RunCli(kCli, {"--help"}, 60000);
  EXPECT_EQ(help.exit_code, 0) << help.err;
  Words options;
  std::istringstream lines(help.out);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t start = line.find_first_not_of(' ');
    if (start == 0 || start == std::string::npos || line[start] != '-') continue;
    std::istringstream names(line.substr(start, line.find(' ', start) - start));
    for (std::string name; std::getline(names, name, ',');) options.insert(name);
  }
  return options;
}

std::string RoffOption(const std::string& name) {
  std::string roff = "\\fB";
  for (char c : name) roff += c == '-' ? std::string("\\-") : std::string(1, c);
  return roff + "\\fR";
}

TEST(ManualPage, ListsEveryOptionThatHelpLists) {
  const Words options = HelpOptions();
  ASSERT_GE(options.size(), 40u);  // the table, not a few words of a message
  EXPECT_TRUE(options.count("--format") && options.count("-o") && options.count("--json"));

  const std::string page = ReadFile(kManPage);
  ASSERT_EQ(page.rfind(".TH ZENTROVA\\-CLI 1 ", 0), 0u) << page.substr(0, 80);
  // Each option has its own paragraph: ".TP", then a line naming it.
  std::string headings;
  std::istringstream paragraphs(page);
  for (std::string line, previous; std::getline(paragraphs, line); previous = line)
    if (previous == ".TP") headings += line + '\n';
  for (const std::string& option : options)
    EXPECT_NE(headings.find(RoffOption(option)), std::string::npos) << option << " has no paragraph";
  for (const char* section :
       {".SH SYNOPSIS", ".SH OPTIONS", ".SH EXAMPLES", ".SH JSON OUTPUT", ".SH SEE ALSO"})
    EXPECT_NE(page.find(section), std::string::npos) << section;
  // The value names as --help shows them, and no line that roff would read as a request.
  EXPECT_NE(page.find("\\fB\\-\\-size\\fR \\fIWxH\\fR"), std::string::npos);
  std::istringstream lines(page);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] != '.') continue;
    EXPECT_TRUE(line.rfind(".TH", 0) == 0 || line.rfind(".SH", 0) == 0 || line.rfind(".TP", 0) == 0 ||
                line.rfind(".PP", 0) == 0 || line.rfind(".B", 0) == 0 || line == ".br" || line == ".nf" ||
                line == ".fi")
        << line;
  }
}

// The words the completion offers for the command line "zentrova-cli WORDS…"
// (the last word is the one being completed).
Words Offered(const std::vector<std::string>& words) {
  std::vector<std::string> args = {
      "-c",
      "source \"$0\" && COMP_WORDS=(zentrova-cli \"$@\") && COMP_CWORD=$# && _zentrova_cli && "
      "printf '%s\\n' \"${COMPREPLY[@]}\"",
      kCompletion};
  args.insert(args.end(), words.begin(), words.end());
  const CliResult result = RunCli("/bin/bash", args, 60000);
  EXPECT_EQ(result.exit_code, 0) << result.err;
  Words offered;
  std::istringstream lines(result.out);
  for (std::string line; std::getline(lines, line);)
    if (!line.empty()) offered.insert(line);
  return offered;
}

TEST(BashCompletion, IsBoundToTheProgram) {
  const CliResult result =
      RunCli("/bin/bash", {"-c", "source \"$0\" && complete -p zentrova-cli", kCompletion});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out, "complete -F _zentrova_cli zentrova-cli\n");
}

TEST(BashCompletion, OffersEveryOptionOfHelp) {
  EXPECT_EQ(Offered({"-"}), HelpOptions());
}

TEST(BashCompletion, OffersTheValuesOfAChoiceAndFileNamesWhereAFileIsNamed) {
  const TempDir dir;
  WriteFile(dir.File("clip one.mp4"), "x");
  WriteFile(dir.File("cover.png"), "x");
  fs::create_directory(dir.Path() / "out");
  const std::string folder = dir.Path().string() + "/";

  const Words formats(app::kOutputFormatItems.begin(), app::kOutputFormatItems.end());
  const struct {
    std::vector<std::string> words;
    Words offered;
  } cases[] = {
      {{"--format", ""}, formats},
      {{"--format", "W"}, {"WMV", "WebM", "WAV", "WMA"}},
      {{"--size", "hd"}, {"hd480", "hd720", "hd1080"}},
      {{"--size", "=", "qv"}, {"qvga"}},  // "--size=qv", split by bash at '='
      {{"--rate", ""}, {"auto", "10", "15", "25", "30"}},
      {{"--log-level", "de"}, {"debug"}},
      {{"--subtitles", ""}, {"none", "keep", "burn"}},
      {{"--audio-track", ""}, {}},
      {{"--for"}, {"--format"}},
      {{"--vb", ""}, {}},
      {{"-o", folder + "cl"}, {folder + "clip one.mp4"}},
      {{"--watermark", folder + "co"}, {folder + "cover.png"}},
      {{"--out", folder}, {folder + "out"}},
      {{"--format", "MKV", folder}, {folder + "clip one.mp4", folder + "cover.png", folder + "out"}},
  };
  for (const auto& c : cases) {
    std::string line;
    for (const std::string& word : c.words) line += " [" + word + "]";
    EXPECT_EQ(Offered(c.words), c.offered) << line;
  }
}

}  // namespace
}  // namespace zentrova::test

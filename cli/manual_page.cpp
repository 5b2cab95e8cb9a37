#include "cli/manual_page.h"

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <algorithm>
#include <sstream>
#include <string_view>

namespace zentrova::cli {
namespace {

constexpr std::string_view kExamplesHeading = "Examples:\n";

// The parts of the page that are prose rather than the option table.
constexpr std::string_view kDescription =
    "Each input becomes one task; several tasks run at once (\\fB\\-\\-tasks\\fR). An output is named "
    "after its source, \\fINAME\\fB_(new).\\fIEXT\\fR, beside the source or in the \\fB\\-\\-out\\fR "
    "folder. It is written to a file of that name with \\fB.part\\fR added and takes its own name only "
    "when it is finished; a failed task leaves nothing behind. An input is never overwritten.\n"
    ".PP\n"
    "Without options a file becomes MP4 with H.264 video at the source's bit rate and MP3 sound at "
    "128 kb/s, exactly as the Zentrova application converts it with its default settings.\n";

constexpr std::string_view kJsonOutput =
    "With \\fB\\-\\-json\\fR every line on standard output is one JSON object, and the progress lines "
    "and summary table are not shown. While converting, each object has an \\fBevent\\fR: "
    "\\fBadded\\fR or \\fBnot_added\\fR per input, \\fBstarted\\fR, \\fBprogress\\fR (percent, fps, "
    "frame, size, time_us, total_us, elapsed_ms, eta_ms), \\fBend\\fR with the task's \\fBresult\\fR "
    "(converted, stopped, incomplete, failed) and \\fBmessage\\fR, and last a \\fBsummary\\fR with every "
    "file and the exit code.\n"
    ".PP\n"
    "With \\fB\\-\\-info \\-\\-json\\fR each file gives one object: \\fBfile\\fR, \\fBcontainer\\fR, "
    "\\fBduration_us\\fR (exact microseconds), \\fBstart_us\\fR, \\fBsize\\fR, \\fBbit_rate\\fR, "
    "\\fBstreams\\fR (index, kind, codec, profile, language, title, default, forced, attached_picture, "
    "tags; for video pixel_format, width, height, sample_aspect, display_aspect, rotation in degrees "
    "clockwise, frame_rate; for audio sample_rate, channels, channel_layout, sample_format; for "
    "subtitles subtitle_type), \\fBchapters\\fR (start_us, end_us, title) and \\fBtags\\fR. A file that "
    "cannot be read gives {\"file\": ..., \"error\": ...}. Numbers a file does not state are null.\n";

constexpr std::string_view kFiles =
    ".TP\n"
    "\\fILibAV/\\fR beside the executable\n"
    "Media libraries found there are loaded before the system's.\n";

// "\fB-o\fR, \fB--output\fR \fIFILE\fR".
std::string OptionHeading(const CLI::Option& option) {
  std::string heading;
  const auto add = [&heading](const std::string& name) {
    if (!heading.empty()) heading += ", ";
    heading += "\\fB" + RoffText(name) + "\\fR";
  };
  for (const std::string& name : option.get_snames()) add("-" + name);
  for (const std::string& name : option.get_lnames()) add("--" + name);
  if (option.get_expected_min() > 0 && !option.get_type_name().empty())
    heading += " \\fI" + RoffText(option.get_type_name()) + "\\fR";
  return heading;
}

std::string OptionsSection(const CLI::App& app) {
  std::string section;
  for (const CLI::Option* option : app.get_options()) {
    if (option->get_positional()) continue;
    section += ".TP\n" + OptionHeading(*option) + "\n" + RoffText(option->get_description()) + "\n";
  }
  return section;
}

// Lines kept as they are (examples, notes with their own line breaks).
std::string Verbatim(std::string_view text) {
  std::string block = ".nf\n";
  std::istringstream lines{std::string(text)};
  for (std::string line; std::getline(lines, line);) block += RoffText(line) + "\n";
  return block + ".fi\n";
}

// The footer of --help: its notes, then its examples under their own heading.
std::string FooterSections(const std::string& footer) {
  const std::size_t examples = footer.find(kExamplesHeading);
  if (examples == std::string::npos) return footer.empty() ? "" : ".SH NOTES\n" + Verbatim(footer);
  std::string sections;
  if (examples > 0) sections += ".SH NOTES\n" + Verbatim(std::string_view(footer).substr(0, examples));
  return sections + ".SH EXAMPLES\n" +
         Verbatim(std::string_view(footer).substr(examples + kExamplesHeading.size()));
}

}  // namespace

std::string RoffText(const std::string& text) {
  std::string roff;
  roff.reserve(text.size() + 8);
  if (!text.empty() && (text.front() == '.' || text.front() == '\'')) roff += "\\&";
  for (char c : text) {
    if (c == '\\')
      roff += "\\e";
    else if (c == '-')
      roff += "\\-";
    else
      roff += c;
  }
  return roff;
}

std::string ManualPage(const CLI::App& options, const std::string& version) {
  const std::string name = options.get_name();
  std::string upper = name;
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
  return fmt::format(
      ".TH {upper} 1 \"\" \"{version}\" \"User Commands\"\n"
      ".SH NAME\n"
      "{name} \\- convert media files from the command line\n"
      ".SH SYNOPSIS\n"
      ".B {name}\n"
      "[\\fIOPTIONS\\fR] \\fIFILE\\fR...\n"
      ".br\n"
      ".B {name}\n"
      "\\-\\-info [\\-\\-json] \\fIFILE\\fR...\n"
      ".br\n"
      ".B {name}\n"
      "\\-\\-demo\n"
      ".SH DESCRIPTION\n"
      "{summary}\n"
      ".PP\n"
      "{description}"
      ".SH OPTIONS\n"
      "{options}"
      "{footer}"
      ".SH JSON OUTPUT\n"
      "{json}"
      ".SH FILES\n"
      "{files}"
      ".SH SEE ALSO\n"
      ".BR zentrova (1)\n",
      fmt::arg("upper", RoffText(upper)), fmt::arg("version", RoffText(version)),
      fmt::arg("name", RoffText(name)), fmt::arg("summary", RoffText(options.get_description())),
      fmt::arg("description", kDescription), fmt::arg("options", OptionsSection(options)),
      fmt::arg("footer", FooterSections(options.get_footer())), fmt::arg("json", kJsonOutput),
      fmt::arg("files", kFiles));
}

}  // namespace zentrova::cli

// The command line of zentrova-cli, read into one record.
//
// `ParseCommandLine` checks everything that can be checked without opening a
// media file: unknown options, values, combinations (-o with several inputs,
// --join without -o, a watermark that does not exist...). The conversion
// settings come out as the options dialog's record (`OutputSettings`) with
// the dialog's defaults, so the builders produce exactly what the
// application would.
//
// Pure: reads the file system only to check named files and folders; any
// thread.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/setting_values.h"
#include "convert/output_settings.h"

namespace CLI {
class App;
}

namespace zentrova::cli {

/// What the program is asked to do.
enum class TCliCommand {
  ccConvert,  ///< convert the named files
  ccInfo,     ///< print the information text of each named file
  ccDemo,     ///< make a sample clip and convert it
  ccHelp,     ///< print the usage text
  ccVersion,  ///< print the version
};

/// How progress is shown.
enum class TProgressMode {
  pmAuto,   ///< live lines on a terminal, plain lines otherwise
  pmJson,   ///< one JSON object per line on stdout
  pmQuiet,  ///< nothing but errors
};

struct TCliOptions {
  TCliCommand Command = TCliCommand::ccConvert;
  std::vector<std::string> Files;
  /// The dialog's settings; the video bit rate is replaced from each source
  /// unless `VideoBitRate` is given.
  app::OutputSettings Settings;
  /// --vb: the video bit rate for every file instead of the source's.
  std::optional<std::string> VideoBitRate;
  /// --clip, in microseconds of the source.
  std::optional<TClipRange> Clip;
  /// -o: the output file (one input, or all of them with --join).
  std::optional<std::string> OutputFile;
  bool Join = false;
  /// Raw option strings in the engine's language that replace the built ones.
  std::optional<std::string> InputOptions;
  std::optional<std::string> OutputOptions;
  /// --allow-network: explicit network addresses are inputs too.
  bool AllowNetwork = false;
  int Tasks = 3;
  TProgressMode Progress = TProgressMode::pmAuto;
  /// A level word or library number for the engine's log lines on stderr.
  std::string LogLevel = "warning";
  std::string LogFile;
};

/// The result of reading the command line.
struct TParseOutcome {
  TCliOptions Options;
  /// Empty when the command line is usable; otherwise what is wrong.
  std::string Error;
};

/// Reads the arguments after the program name.
TParseOutcome ParseCommandLine(const std::vector<std::string>& args);

/// The usage text printed by --help.
std::string UsageText();

/// Calls `visit` with the argument parser's table of every option, the one
/// --help prints (the manual page and the shell completion are made from
/// it). The table's value targets live only during the call.
void VisitOptionTable(const std::function<void(const CLI::App&)>& visit);

/// "zentrova-cli <version>".
std::string VersionText();

}  // namespace zentrova::cli

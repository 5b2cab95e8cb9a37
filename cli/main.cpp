// zentrova-cli: converts the files named on its command line with the
// encoder component, exactly as the application would (same builders, same
// defaults), several at once, with progress on the terminal or as JSON.
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <exception>
#include <fmt/format.h>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "cli/batch_runner.h"
#include "cli/cli_options.h"
#include "cli/conversion_plan.h"
#include "cli/demo_clip.h"
#include "cli/help_documents.h"
#include "cli/info_command.h"
#include "cli/interrupt.h"
#include "cli/progress_view.h"
#include "cli/source_probe.h"
#include "cli/terminal_text.h"
#include "convert/build_env.h"
#include "encoder/derodorir.h"
#include "log/logger.h"
#include "log/main_thread.h"
#include "media/library_loader.h"

namespace zentrova::cli {
namespace {

namespace fs = std::filesystem;

constexpr int kUsageExitCode = 2;
constexpr double kDemoSeconds = 5;

// The library folder "LibAV" beside the executable (searched before the system's).
std::string LibraryFolder() {
  std::error_code error;
  const fs::path exe = fs::read_symlink("/proc/self/exe", error);
  return error ? std::string("LibAV") : (exe.parent_path() / "LibAV").string();
}

int TerminalColumns() {
  winsize size{};
  if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  if (const char* columns = std::getenv("COLUMNS")) {
    const int value = std::atoi(columns);
    if (value > 0) return value;
  }
  return 80;
}

std::string TrimEnd(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text;
}

// A sample clip in a new temporary folder that stays for the user to look at.
std::optional<std::string> MakeDemoSource(TProgressView& view) {
  std::string folder = (fs::temp_directory_path() / "zentrova-demo-XXXXXX").string();
  if (!::mkdtemp(folder.data())) {
    view.LogLine("zentrova-cli: cannot create a temporary folder for the demo clip");
    return std::nullopt;
  }
  const std::string clip = folder + "/sample.mp4";
  MakeDemoClip(clip, kDemoSeconds);
  view.LogLine("Demo: made the sample clip " + clip + "; converting it (the output goes beside it).");
  return clip;
}

int Convert(TCliOptions& options, TDERodorir& encoder, TProgressView& view) {
  if (options.Command == TCliCommand::ccDemo) {
    const std::optional<std::string> clip = MakeDemoSource(view);
    if (!clip) return 1;
    options.Files = {*clip};
  }
  const TInterruptGuard interrupt;
  std::vector<TPlannedTask> plan =
      PlanConversion(options, MakeDecoderProbe(encoder.InputPolicy()), app::SystemBuildEnv(nullptr));
  // More tasks than processors is allowed (they share the processors), said
  // once when the count was raised above the default.
  const unsigned processors = std::thread::hardware_concurrency();
  if (processors > 0 && options.Tasks > static_cast<int>(processors) && options.Tasks > TCliOptions{}.Tasks)
    view.LogLine(fmt::format("warning: {} tasks at once on {} processors", options.Tasks, processors));
  TBatchRunner runner(encoder, view,
                      options.Settings.Overwrite ? TExistingOutputs::eoReplace : TExistingOutputs::eoKeep);
  return runner.Run(std::move(plan), options.Tasks);
}

// --info: reading files needs the decoder's libraries only, not the
// encoder's devices and hardware encoders, nor the encoder component
// (loading them took about a quarter of the time --info takes).
int Describe(const TCliOptions& options, TInputPolicy policy) {
  TFFLoader& loader = FFLoader();
  loader.SetLibraryPath(LibraryFolder());
  if (!loader.Load(DecoderLibraries)) {
    std::cerr << "zentrova-cli: cannot load the media libraries: " << loader.LastErrMsg() << '\n';
    return 1;
  }
  return RunInfo(options.Files, policy,
                 options.Progress == TProgressMode::pmJson ? TInfoForm::ifJson : TInfoForm::ifText, std::cout,
                 std::cerr);
}

int Main(const std::vector<std::string>& args) {
  AttachMainThread();
  if (const std::optional<std::string> document = HelpDocument(args)) {
    std::cout << *document;
    return 0;
  }
  TParseOutcome parsed = ParseCommandLine(args);
  if (!parsed.Error.empty()) {
    std::cerr << "zentrova-cli: " << TerminalText(parsed.Error) << "\nRun 'zentrova-cli --help' for usage.\n";
    return kUsageExitCode;
  }
  TCliOptions& options = parsed.Options;
  if (options.Command == TCliCommand::ccHelp) {
    std::cout << UsageText();
    return 0;
  }
  if (options.Command == TCliCommand::ccVersion) {
    std::cout << VersionText();
    return 0;
  }

  TProgressView view(options.Progress, ::isatty(STDOUT_FILENO) == 1, TerminalColumns(), std::cout, std::cerr);
  // Engine and library lines reach stderr on this (the main) thread.
  TZOVuzodi logger;
  logger.OptLogLevel(options.Progress == TProgressMode::pmQuiet && options.LogLevel == "warning"
                         ? "error"
                         : options.LogLevel);
  logger.SetOnLog([&view](const void*, int, TLogLevel level, const std::string& text) {
    view.LogLine(std::string(LogLevelName(level)) + ": " + TrimEnd(text));
  });
  if (!options.LogFile.empty()) {
    logger.SetLogFile(options.LogFile);
    logger.SetLogToFile(true);
  }

  // A file's content opens nothing else; the network only when asked for.
  const TInputPolicy policy =
      options.AllowNetwork ? TInputPolicy::LocalFilesAndNetwork : TInputPolicy::LocalFiles;
  if (options.Command == TCliCommand::ccInfo) return Describe(options, policy);
  TDERodorir encoder;
  // Only local files (and network addresses) are read and written: no
  // device is ever opened, so its library and dependencies stay unloaded.
  encoder.SetDeviceFormats(false);
  if (!encoder.AVLibLoaded() && !encoder.LoadAVLib(LibraryFolder())) {
    std::cerr << "zentrova-cli: cannot load the media libraries: " << encoder.LastErrMsg() << '\n';
    return 1;
  }
  encoder.SetInputPolicy(policy);
  const int code = Convert(options, encoder, view);
  // Lines still queued for the main thread (the last library lines).
  CheckSynchronize(0);
  return code;
}

}  // namespace
}  // namespace zentrova::cli

int main(int argc, char** argv) {
  try {
    return zentrova::cli::Main(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& error) {
    std::cerr << "zentrova-cli: " << error.what() << '\n';
    return 1;
  }
}

// From the command line to encoder tasks, exactly as the application builds
// them: each file is probed, taken over as the options dialog's source
// (`AssignSource`: the video bit rate comes from the source), and the
// dialog's builders make its input and output records with the settings of
// the command line. Then the command line's own choices apply: -o names the
// output, --input-options/--output-options replace the built option strings,
// --vb replaces the source's bit rate, --clip sets the clip marks.
//
// No two tasks share an output name, and no output is any task's input:
// every input of the batch is claimed first, then each output as it is
// named (the builders skip claimed names with "_(new_n)").
//
// Main thread (the probe function uses the decoder component).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "convert/build_env.h"
#include "convert/source_state.h"
#include "encoder/task_options.h"

namespace zentrova::cli {

/// A file probed, or why it could not be.
struct TProbeOutcome {
  bool Loaded = false;
  app::TSourceProbe Probe;
  std::string Error;  ///< the decoder's message when not loaded
};
using TProbeFunction = std::function<TProbeOutcome(const std::string& file_name)>;

/// One encoder task to be added, or a file that cannot become one.
struct TPlannedTask {
  std::string Source;  ///< the (first) input as named on the command line
  std::vector<TInputOptions> Inputs;
  TOutputOptions Output;
  bool OutputNamedByUser = false;      ///< -o: the name is not changed when another conversion holds it
  std::int64_t SourceDurationUs = -1;  ///< the (first) source's; negative: not known
  /// Not empty: the file cannot be converted (the decoder's message).
  std::string Error;
  /// Notes for the log (the source gave no bit rate, ...).
  std::vector<std::string> Warnings;
};

/// The tasks of a conversion (ccConvert or ccDemo), one per file, or one for
/// all of them with --join. `env` answers file existence, encoder presence
/// and the processor count; its `NameClaimed` is combined with the batch's
/// own claims.
std::vector<TPlannedTask> PlanConversion(const TCliOptions& options, const TProbeFunction& probe,
                                         const app::BuildEnv& env);

}  // namespace zentrova::cli

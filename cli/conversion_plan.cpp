#include "cli/conversion_plan.h"

#include <fmt/format.h>

#include "convert/number_text.h"
#include "convert/option_builder.h"
#include "convert/output_naming.h"
#include "convert/source_information.h"
#include "convert/track_selection.h"
#include "log/plain_text.h"

namespace zentrova::cli {
namespace {

// The options dialog for one batch: its settings and source state.
class TDialog {
 public:
  TDialog(const TCliOptions& options, const app::BuildEnv& env, const app::TClaimedNames& claimed)
      : options_(options), env_(env) {
    const auto base_claimed = env.NameClaimed;
    env_.NameClaimed = [base_claimed, &claimed](const std::string& name) {
      return claimed.Contains(name) || (base_claimed && base_claimed(name));
    };
  }

  // Takes over the source and returns the settings to build with.
  app::OutputSettings Assign(const app::TSourceProbe& probe, std::vector<std::string>& warnings) {
    app::OutputSettings settings = options_.Settings;
    const app::TAssignResult result = app::AssignSource(state_, probe, settings);
    // The only message of AssignSource is the window's Chinese "no bit rate" box: the
    // command line says it in English, and only when no --vb replaces the default.
    if (!result.Message.empty() && !options_.VideoBitRate)
      warnings.push_back(
          fmt::format("{}: no video bit rate can be read from the source (video bit rate {} kb/s)",
                      probe.FileName, Trim(settings.VideoBitRate, kBlanks)));
    if (options_.VideoBitRate) settings.VideoBitRate = *options_.VideoBitRate;
    if (options_.Clip) {
      app::SetClipStart(state_, settings, options_.Clip->Start);
      app::SetClipEnd(state_, settings, options_.Clip->End);
      settings.CutClipChecked = true;
    }
    return settings;
  }

  app::SourceFacts Facts() const { return state_.Facts(); }
  const app::BuildEnv& Env() const { return env_; }

 private:
  const TCliOptions& options_;
  app::BuildEnv env_;
  app::TSourceState state_;
};

TInputOptions InputFor(const TCliOptions& options, const app::OutputSettings& settings,
                       const app::SourceFacts& facts) {
  TInputOptions input = app::BuildInputOptions(settings, facts);
  if (options.InputOptions) input.Options = *options.InputOptions;
  return input;
}

// The output of a task whose inputs are in `task`, built from the (first)
// source's settings and facts, with the command line's choices on top.
void NameOutput(const TCliOptions& options, const app::OutputSettings& settings,
                const app::SourceFacts& facts, TDialog& dialog, app::TClaimedNames& claimed,
                TPlannedTask& task) {
  const app::TTrackSelection tracks = app::SelectTracks(settings, facts, settings.Format);
  if (!tracks.Error.empty()) {
    task.Error = tracks.Error;
    return;
  }
  task.Warnings.insert(task.Warnings.end(), tracks.Warnings.begin(), tracks.Warnings.end());
  task.Output = app::BuildOutputOptions(settings, facts, dialog.Env());
  task.OutputNamedByUser = options.OutputFile.has_value();
  if (options.OutputFile)
    task.Output.FileName = *options.OutputFile;  // claimed from the start
  else
    claimed.Claim(task.Output.FileName);
  if (options.OutputOptions) task.Output.Options = *options.OutputOptions;
  task.Output.Join = options.Join;
  // --no-overwrite: a file that appears under the name before the task runs
  // (another job's output) moves the task on to the next free name.
  task.Output.KeepExisting = !settings.Overwrite;
}

TPlannedTask PlanJoin(const TCliOptions& options, const TProbeFunction& probe, TDialog& dialog,
                      app::TClaimedNames& claimed) {
  TPlannedTask task;
  task.Source = options.Files.front();
  app::OutputSettings first_settings;
  app::SourceFacts first_facts;
  for (const std::string& file : options.Files) {
    const TProbeOutcome outcome = probe(file);
    if (!outcome.Loaded) {
      // One bad input and the joined output cannot be made.
      task.Error = fmt::format("{}: {}", file, outcome.Error);
      return task;
    }
    const app::OutputSettings settings = dialog.Assign(outcome.Probe, task.Warnings);
    const app::SourceFacts facts = dialog.Facts();
    task.Inputs.push_back(InputFor(options, settings, facts));
    if (task.Inputs.size() == 1) {
      first_settings = settings;
      first_facts = facts;
      task.SourceDurationUs = outcome.Probe.FileDuration;
    } else if (task.SourceDurationUs >= 0) {
      task.SourceDurationUs =
          outcome.Probe.FileDuration >= 0 ? task.SourceDurationUs + outcome.Probe.FileDuration : -1;
    }
  }
  NameOutput(options, first_settings, first_facts, dialog, claimed, task);
  return task;
}

}  // namespace

std::vector<TPlannedTask> PlanConversion(const TCliOptions& options, const TProbeFunction& probe,
                                         const app::BuildEnv& env) {
  app::TClaimedNames claimed;
  for (const std::string& file : options.Files) claimed.Claim(file);
  if (options.OutputFile) claimed.Claim(*options.OutputFile);
  TDialog dialog(options, env, claimed);
  if (options.Join) {
    if (options.Files.empty()) return {};
    return {PlanJoin(options, probe, dialog, claimed)};
  }

  std::vector<TPlannedTask> tasks;
  for (const std::string& file : options.Files) {
    TPlannedTask task;
    task.Source = file;
    const TProbeOutcome outcome = probe(file);
    if (!outcome.Loaded) {
      task.Error = outcome.Error;
      tasks.push_back(std::move(task));
      continue;
    }
    const app::OutputSettings settings = dialog.Assign(outcome.Probe, task.Warnings);
    const app::SourceFacts facts = dialog.Facts();
    task.SourceDurationUs = outcome.Probe.FileDuration;
    task.Inputs.push_back(InputFor(options, settings, facts));
    NameOutput(options, settings, facts, dialog, claimed, task);
    tasks.push_back(std::move(task));
  }
  return tasks;
}

}  // namespace zentrova::cli

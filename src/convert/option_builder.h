// The option-string builders: one encoder task's input and output records
// from the dialog's settings and the probed source.
//
// Pure functions of their arguments (the machine is asked only through
// `BuildEnv`); they never fail. Texts the engine cannot use (a bit rate
// "abc") pass through and the engine reports them when the task is added.
// Every appended option is preceded by one blank, so each option string
// starts with a blank.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "convert/build_env.h"
#include "convert/output_settings.h"
#include "convert/source_facts.h"
#include "encoder/task_options.h"

namespace zentrova::app {

/// The AAC encoder to use: the first of "libfdk_aac", "libaacplus",
/// "libfaac", "libvo_aacenc" that `has_encoder` confirms, else the
/// library's own "aac" (not asked).
std::string choose_aac_encoder(const std::function<bool(std::string_view)>& has_encoder);

/// The input record: the source's file name and " -f <forced format>",
/// " -ss <clip start>" and " -vn" (audio-only formats) as they apply.
TInputOptions BuildInputOptions(const OutputSettings& settings, const SourceFacts& source);

/// The output record: option string, file name and the hook flags.
TOutputOptions BuildOutputOptions(const OutputSettings& settings, const SourceFacts& source,
                                  const BuildEnv& env);

}  // namespace zentrova::app

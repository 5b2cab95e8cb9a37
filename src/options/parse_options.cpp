#include "options/parse_options.h"

#include <fmt/format.h>

#include "log/logger.h"
#include "media/error_text.h"
#include "options/option_apply.h"
#include "options/loglevel_option.h"
#include "options/option_apply.h"
#include "options/option_split.h"

namespace zentrova {
namespace {

int ApplyPresets(TParseOptionsEngine& engine, TOptionContext optctx, std::string_view presets,
                 std::string_view group_name) {
  return engine.ParsePresets ? engine.ParsePresets(optctx, presets, group_name) : 0;
}

}  // namespace

int ParseOptions(TParseOptionsEngine& engine, TOptionContext optctx, std::string_view option_text,
                 std::string_view presets, std::string_view group_name, std::int32_t file_kind_flags,
                 std::string_view file_name) {
  // A text left by an earlier parse on this thread must not be reported as
  // this one's reason.
  last_error_text().clear();
  int r = 0;
  if (option_text.empty()) {
    r = ApplyPresets(engine, optctx, presets, group_name);
  } else {
    DefaultLogger()->LogFmt(engine.sender, TLogLevel::llInfo, "ParseOptions for {}: {}", group_name,
                            option_text);
    const std::vector<std::string> args = split_option_string(option_text);
    prescan_loglevel(args, engine.table);
    r = engine.options.parse_options(args, engine.table, engine.HaltOnInvalidOption);
    TOptionParseContext& groups = engine.options.OptionParseContext();
    if (r >= 0 && !groups.global_opts.opts.empty())
      r = apply_option_group(TOptionContext(), groups.global_opts, "global", "", 0);
    if (r >= 0) r = ApplyPresets(engine, optctx, presets, group_name);
    if (r >= 0 && !groups.file_opts.opts.empty())
      r = apply_option_group(optctx, groups.file_opts, group_name, file_name, file_kind_flags);
  }
  if (r < 0) {
    const std::string code_text = error_code_text(r);
    DefaultLogger()->Log(engine.sender, TLogLevel::llFatal, code_text);
    if (engine.HaltOnInvalidOption) {
      const std::string& reason = last_error_text();
      engine.FLastErrMsg = reason.empty() ? code_text : reason + "\r\n" + code_text;
    }
  }
  return engine.HaltOnInvalidOption ? r : 0;
}

}  // namespace zentrova

#include "options/ff_options.h"

#include <fmt/format.h>
#include <stdexcept>

#include "options/dictionary.h"
#include "options/option_apply.h"
#include "options/library_log.h"

namespace zentrova {

TFFOptions::~TFFOptions() {
  uninit_parse_context();
}

void TFFOptions::init_opts() {
  uninit_opts();
  DictSet(Fsws_dict, "flags", "bicubic");
}

void TFFOptions::uninit_opts() {
  // Empty pointers never reach the deleter, so this is safe while the
  // libraries are not loaded (nothing can have been allocated then).
  Fswr_opts.reset();
  Fsws_dict.reset();
  Fformat_opts.reset();
  Fcodec_opts.reset();
  Fresample_opts.reset();
}

void TFFOptions::init_parse_context() {
  uninit_parse_context();
  init_opts();
}

void TFFOptions::uninit_parse_context() {
  Foctx = TOptionParseContext{};
  uninit_opts();
}

void TFFOptions::add_parsed_option(const TOptionDef& row, std::string key, std::string value) {
  const bool file_option = (row.flags & (OPTF_FILE_GROUP | OPTF_CONTEXT_OFFSET | OPTF_PER_STREAM)) != 0;
  TOptionGroup& group = file_option ? Foctx.file_opts : Foctx.global_opts;
  group.opts.push_back({&row, std::move(key), std::move(value)});
}

void TFFOptions::finish_file_group() {
  TOptionGroup& group = Foctx.file_opts;
  if (group.sws_dict || group.swr_opts || group.codec_opts || group.format_opts || group.resample_opts)
    throw std::logic_error("The file group already holds library options");
  group.sws_dict = std::move(Fsws_dict);
  group.swr_opts = std::move(Fswr_opts);
  group.codec_opts = std::move(Fcodec_opts);
  group.format_opts = std::move(Fformat_opts);
  group.resample_opts = std::move(Fresample_opts);
  init_opts();
}

int TFFOptions::parse_options(std::span<const std::string> args, TOptionTable options,
                              bool AReturnOnInvalidOption) {
  LibraryLog(kLibraryDebug, "Parsing the options.\n");
  std::size_t i = 0;
  while (i < args.size()) {
    const std::string& arg = args[i];
    LibraryLog(kLibraryDebug, fmt::format("Reading option \"{}\" ... ", arg));
    if (arg.size() < 2 || arg.front() != '-') {
      // A word that is no option (or "-" alone, or empty).
      const std::string message = arg.empty() ? std::string("Failed to parse options")
                                              : fmt::format("Failed to parse options on \"{}\"", arg);
      if (AReturnOnInvalidOption) {
        last_error_text() = message;
        LibraryLog(kLibraryError, message + "\n");
        return AVERROR(EINVAL);
      }
      LibraryLog(kLibraryError,
                 arg.empty()
                     ? std::string("Invalid option found while parsing options, ignore\n")
                     : fmt::format("Invalid option \"{}\" found while parsing options, ignore\n", arg));
      ++i;
      continue;
    }
    const std::string name = arg.substr(1);
    if (const TOptionDef* row = lookup_option(options, name)) {
      std::string value = "1";
      if (row->flags & OPTF_TAKES_ARG) {
        if (i + 1 >= args.size()) {
          last_error_text() = fmt::format("Missing argument for option \"{}\"", name);
          LibraryLog(kLibraryError, fmt::format("Missing argument for option \"{}\".\n", name));
          return AVERROR(EINVAL);
        }
        value = args[++i];
      }
      ++i;
      LibraryLog(kLibraryDebug, fmt::format("matched as option \"{}\" ({}) with argument \"{}\".\n",
                                            row->name, row->help, value));
      add_parsed_option(*row, name, std::move(value));
      continue;
    }
    if (i + 1 < args.size()) {
      const std::string& value = args[i + 1];
      const int r = opt_default(name, value);
      if (r >= 0) {
        LibraryLog(kLibraryDebug,
                   fmt::format("matched as AVOption \"{}\" with argument \"{}\".\n", name, value));
        i += 2;
        continue;
      }
      if (r != AVERROR_OPTION_NOT_FOUND) {
        LibraryLog(kLibraryError,
                   fmt::format("Error parsing option \"{}\" with argument \"{}\".\n", name, value));
        return r;
      }
    }
    if (name.starts_with("no")) {
      const TOptionDef* row = lookup_option(options, std::string_view(name).substr(2));
      if (row && (row->flags & OPTF_BOOLEAN)) {
        LibraryLog(kLibraryDebug,
                   fmt::format("matched as option \"{}\" ({}) with argument 0.\n", row->name, row->help));
        add_parsed_option(*row, name, "0");
        ++i;
        continue;
      }
    }
    LibraryLog(kLibraryError, fmt::format("Unrecognized option \"{}\".\n", name));
    if (AReturnOnInvalidOption) {
      last_error_text() = fmt::format("Unrecognized option \"{}\"", name);
      return AVERROR_OPTION_NOT_FOUND;
    }
    ++i;
  }
  finish_file_group();
  LibraryLog(kLibraryDebug, "Finished parsing the options.\n");
  return 0;
}

}  // namespace zentrova

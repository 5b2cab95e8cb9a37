// TFFOptions: the library option dictionaries and the parse context of the
// file whose option string is being parsed.
//
// Ownership: the object owns its five working dictionaries and the parse
// context (both groups, their options and dictionaries); everything is freed
// by `uninit_parse_context` and on destruction, also after a parse failed
// half-way.
//
// Threads: one per engine instance or decoder, used by one thread at a time.
// The media libraries must stay loaded while the object holds dictionaries.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "media/av_deleters.h"
#include "options/option_def.h"

namespace zentrova {

class TFFOptions {
 public:
  /// `sws_flags` 4 (bicubic), no dictionaries, empty parse context.
  TFFOptions() = default;
  ~TFFOptions();
  TFFOptions(const TFFOptions&) = delete;
  TFFOptions& operator=(const TFFOptions&) = delete;

  /// `uninit_opts`, then the scaler dictionary holds "flags" = "bicubic".
  void init_opts();
  /// Frees the five working dictionaries.
  void uninit_opts();
  /// Empties the parse context and runs `init_opts`.
  void init_parse_context();
  /// Frees both groups (options and dictionaries) and the working dictionaries.
  void uninit_parse_context();

  /// Routes one option that is not in the option table to the codec, format,
  /// scaler or resampler dictionary, whichever class of the library knows the
  /// name (codec and format may both take it). The key keeps its stream
  /// specifier ("b:v"); a flags option written "+x"/"-x" is appended to an
  /// earlier value. Gives 0, a negative library code (scaler dimension
  /// options are refused with -22), or AVERROR_OPTION_NOT_FOUND.
  int opt_default(std::string_view opt, std::string_view arg);

  /// Evaluates the scaler dictionary's "sws_flags" entry into `sws_flags`;
  /// 0 (also when there is none) or a negative library code.
  int FetchSwsFlags();

  /// Sorts the arguments into the global and the file group: table rows
  /// (with their argument when they take one), library options
  /// (`opt_default`), and "no"-prefixed boolean rows. On success the working
  /// dictionaries move into the file group (`finish_file_group`) and the
  /// result is 0. A missing argument, a stray word with
  /// `AReturnOnInvalidOption` or a failed library option give a negative
  /// code; an unknown option gives AVERROR_OPTION_NOT_FOUND with
  /// `AReturnOnInvalidOption` and is skipped without. On failure the
  /// collected options stay in the object until `uninit_parse_context`.
  int parse_options(std::span<const std::string> args, TOptionTable options, bool AReturnOnInvalidOption);

  /// Moves the working dictionaries into the file group (whose dictionaries
  /// must be empty: std::logic_error otherwise), then `init_opts`.
  void finish_file_group();

  std::uint32_t sws_flags() const { return Fsws_flags; }
  void set_sws_flags(std::uint32_t value) { Fsws_flags = value; }
  /// The working dictionaries (callers may swap them out and back).
  AVDictionaryPtr& sws_dict() { return Fsws_dict; }
  AVDictionaryPtr& swr_opts() { return Fswr_opts; }
  AVDictionaryPtr& format_opts() { return Fformat_opts; }
  AVDictionaryPtr& codec_opts() { return Fcodec_opts; }
  AVDictionaryPtr& resample_opts() { return Fresample_opts; }
  TOptionParseContext& OptionParseContext() { return Foctx; }

 private:
  /// Appends a parsed option to the group its row belongs to.
  void add_parsed_option(const TOptionDef& row, std::string key, std::string value);

  std::uint32_t Fsws_flags = 4;
  AVDictionaryPtr Fsws_dict;
  AVDictionaryPtr Fswr_opts;
  AVDictionaryPtr Fformat_opts;
  AVDictionaryPtr Fcodec_opts;
  AVDictionaryPtr Fresample_opts;
  TOptionParseContext Foctx;
};

}  // namespace zentrova

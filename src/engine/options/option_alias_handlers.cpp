// Handlers of the options that stand for other options or library options
// (-vcodec, -vf, -qscale, -b, -vtag, -timecode, -channel_layout ...).
#include <fmt/format.h>

#include "engine/custom_ffmpeg_opt.h"
#include "options/option_apply.h"
#include "options/time_text.h"
#include "options/value_parsers.h"

namespace zentrova {
namespace {

// The part of an option name from its first ':' on (":a" of "q:a"), or "".
std::string_view SpecifierPart(std::string_view opt) {
  const std::size_t colon = opt.find(':');
  return colon == std::string_view::npos ? std::string_view() : opt.substr(colon);
}

// apply_option gives 1 when the option took its argument; handlers give 0.
int HandlerResult(int ret) {
  return ret < 0 ? ret : 0;
}

}  // namespace

int TCustomFFmpegOpt::opt_alias_frames(Ctx* o, Str opt, Str arg) {
  return HandlerResult(ApplyOption(o, fmt::format("frames:{}", opt.front()), arg));
}

int TCustomFFmpegOpt::opt_alias_codec(Ctx* o, Str opt, Str arg) {
  return HandlerResult(ApplyOption(o, fmt::format("codec:{}", opt.front()), arg));
}

int TCustomFFmpegOpt::opt_alias_filter(Ctx* o, Str opt, Str arg) {
  return HandlerResult(ApplyOption(o, fmt::format("filter:{}", opt.front()), arg));
}

int TCustomFFmpegOpt::opt_audio_qscale(Ctx* o, Str, Str arg) {
  return HandlerResult(ApplyOption(o, "q:a", arg));
}

// vtag, atag, stag, vbsf, absf. Without a specifier the option's letter is
// the stream type ("tag:v"). A written specifier selects the streams itself
// ("vtag:0" -> "tag:0"): the library accepts no type after a stream index.
int TCustomFFmpegOpt::opt_old2new(Ctx* o, Str opt, Str arg) {
  const std::string_view name(opt);
  const std::size_t colon = name.find(':');
  const std::string_view base = name.substr(1, colon == std::string_view::npos ? colon : colon - 1);
  const std::string_view spec = SpecifierPart(name);
  const std::string target =
      spec.empty() ? fmt::format("{}:{}", base, name.front()) : fmt::format("{}{}", base, spec);
  return HandlerResult(ApplyOption(o, target, arg));
}

int TCustomFFmpegOpt::opt_qscale(Ctx* o, Str opt, Str arg) {
  if (opt == "qscale") {
    Log(TLogLevel::llWarning, "Please use -q:a or -q:v, -qscale is ambiguous");
    return HandlerResult(ApplyOption(o, "q:v", arg));
  }
  return HandlerResult(ApplyOption(o, fmt::format("q{}", SpecifierPart(opt)), arg));
}

int TCustomFFmpegOpt::opt_bitrate(Ctx* o, Str opt, Str arg) {
  if (opt == "ab") return SetGroupCodecOption(o, "b:a", arg);
  if (opt == "b") {
    Log(TLogLevel::llWarning, "Please use -b:a or -b:v, -b is ambiguous");
    return SetGroupCodecOption(o, "b:v", arg);
  }
  return SetGroupCodecOption(o, opt, arg);
}

int TCustomFFmpegOpt::opt_profile(Ctx* o, Str opt, Str arg) {
  if (opt == "profile") {
    Log(TLogLevel::llWarning, "Please use -profile:a or -profile:v, -profile is ambiguous");
    return SetGroupCodecOption(o, "profile:v", arg);
  }
  return SetGroupCodecOption(o, opt, arg);
}

int TCustomFFmpegOpt::opt_timecode(Ctx* o, Str, Str arg) {
  if (ApplyOption(o, "metadata:g", "timecode=" + arg) >= 0) SetGroupCodecOption(o, "gop_timecode", arg);
  return 0;
}

int TCustomFFmpegOpt::opt_timestamp(Ctx* o, Str opt, Str arg) {
  const std::int64_t us = parse_time_value(opt, arg, TTimeKind::Date);
  const std::int64_t seconds = (us >= 0 ? us + 500000 : us - 500000) / 1000000;
  const std::string value =
      fmt::format("creation_time={} {}", local_date_time_text(seconds), timezone_text(seconds));
  const int ret = ApplyOption(o, "metadata", value);
  Log(TLogLevel::llWarning,
      fmt::format("{} is deprecated, set the \"creation_time\" metadata tag instead.", opt));
  return HandlerResult(ret);
}

// The layout goes to the codec and format layers as "ch_layout" (the
// libraries' name for it), described by name; the channel count as -ac.
int TCustomFFmpegOpt::opt_channel_layout(Ctx* o, Str opt, Str arg) {
  AVChannelLayout layout{};
  const int parsed = ff::av_channel_layout_from_string(&layout, arg.c_str());
  if (parsed < 0 || layout.nb_channels <= 0) {
    ff::av_channel_layout_uninit(&layout);
    const std::string text = fmt::format("Unknown channel layout: {}", arg);
    Log(TLogLevel::llError, text);
    last_error_text() = text;
    return AVERROR(EINVAL);
  }
  char description[256] = {};
  const int described = ff::av_channel_layout_describe(&layout, description, sizeof description);
  const int channels = layout.nb_channels;
  ff::av_channel_layout_uninit(&layout);
  if (described < 0) return described;
  const std::string_view spec = SpecifierPart(opt);
  const int ret = ApplyLibraryOption(o, fmt::format("ch_layout{}", spec), description);
  if (ret < 0) return ret;
  return HandlerResult(ApplyOption(o, fmt::format("ac{}", spec), std::to_string(channels)));
}

}  // namespace zentrova

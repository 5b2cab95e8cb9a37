// Handlers of the engine's global options and of the component's own options.
#include <charconv>
#include <cmath>
#include <ctime>
#include <fmt/format.h>
#include <stdexcept>
#include <strings.h>

#include "engine/custom_ffmpeg_opt.h"
#include "engine/filters/filter_graph.h"
#include "media/error_text.h"
#include "options/option_apply.h"
#include "options/loglevel_option.h"
#include "options/value_parsers.h"

namespace zentrova {
namespace {

// Logs `text` at `level` through the engine and keeps it as the reason of
// the option failure.
int Fail(const TCustomFFmpegOpt& engine, TLogLevel level, std::string text, int code = AVERROR(EINVAL)) {
  engine.Log(level, text);
  last_error_text() = std::move(text);
  return code;
}

bool EqualsNoCase(std::string_view a, const char* b) {
  return a.size() == std::char_traits<char>::length(b) && strncasecmp(a.data(), b, a.size()) == 0;
}

}  // namespace

int TCustomFFmpegOpt::opt_unsupported_ignored(Ctx*, Str opt, Str) {
  const std::string text = fmt::format("options \"{}\" not supported, ignore", opt);
  Log(TLogLevel::llWarning, text);
  last_error_text() = text;
  return 0;
}

int TCustomFFmpegOpt::opt_unsupported_failed(Ctx*, Str opt, Str) {
  return Fail(*this, TLogLevel::llError, fmt::format("options \"{}\" not supported", opt));
}

// The hook and join tokens are read from the output option string by the
// encoder component; here they only have to be accepted.
int TCustomFFmpegOpt::opt_ignored(Ctx*, Str, Str) {
  return 0;
}

int TCustomFFmpegOpt::opt_loglevel(Ctx*, Str opt, Str arg) {
  return set_loglevel(opt, arg);
}

int TCustomFFmpegOpt::opt_max_alloc(Ctx*, Str, Str arg) {
  unsigned long long bytes = 0;
  const char* end = arg.data() + arg.size();
  const auto [ptr, ec] = std::from_chars(arg.data(), end, bytes);
  if (arg.empty() || ec != std::errc() || ptr != end || bytes > SIZE_MAX)
    return Fail(*this, TLogLevel::llFatal, fmt::format("Invalid max_alloc \"{}\".", arg));
  ff::av_max_alloc(static_cast<std::size_t>(bytes));  // process-wide
  return 0;
}

int TCustomFFmpegOpt::opt_cpuflags(Ctx*, Str, Str arg) {
  unsigned flags = static_cast<unsigned>(ff::av_get_cpu_flags());
  const int ret = ff::av_parse_cpu_caps(&flags, arg.c_str());
  if (ret < 0)
    return Fail(*this, TLogLevel::llFatal,
                fmt::format("Failed to parse cpu flags \"{}\": {}", arg, error_code_text(ret)), ret);
  ff::av_force_cpu_flags(static_cast<int>(flags));  // process-wide
  return 0;
}

int TCustomFFmpegOpt::opt_progress(Ctx*, Str, Str arg) {
  const std::string url = arg == "-" ? "pipe:" : arg;
  FLastWrite = ff::av_gettime_relative();
  AVIOContextPtr avio;
  const int ret = ff::avio_open2(OutPtr(avio), url.c_str(), AVIO_FLAG_WRITE, &FWriteCallback, nullptr);
  if (ret < 0)
    return Fail(*this, TLogLevel::llError,
                fmt::format("Failed to open progress URL \"{}\": {}", url, error_code_text(ret)), ret);
  Fprogress_avio = std::move(avio);
  return 0;
}

int TCustomFFmpegOpt::opt_vsync(Ctx*, Str opt, Str arg) {
  if (EqualsNoCase(arg, "cfr"))
    Fvideo_sync_method = 1;
  else if (EqualsNoCase(arg, "vfr"))
    Fvideo_sync_method = 2;
  else if (EqualsNoCase(arg, "passthrough"))
    Fvideo_sync_method = 0;
  else if (EqualsNoCase(arg, "drop"))
    Fvideo_sync_method = 255;
  // An unknown word after an earlier -vsync chose a method keeps that method.
  if (Fvideo_sync_method != -1) return 0;
  int value = 0;
  const char* end = arg.data() + arg.size();
  const auto [ptr, ec] = std::from_chars(arg.data(), end, value);
  const bool number = !arg.empty() && ec == std::errc() && ptr == end;
  if (!number || !(value == -1 || value == 0 || value == 1 || value == 2 || value == 255))
    return Fail(*this, TLogLevel::llError,
                fmt::format("The value for \"{}\" was \"{}\" which is invalid", opt, arg));
  Fvideo_sync_method = value;
  return 0;
}

int TCustomFFmpegOpt::opt_filter_complex(Ctx*, Str, Str arg) {
  auto graph = std::make_unique<TFilterGraph>();
  graph->index = static_cast<std::int32_t>(Ffiltergraphs.size());
  graph->graph_desc = arg;
  Ffiltergraphs.push_back(std::move(graph));
  Finput_stream_potentially_available = 1;
  return 0;
}

int TCustomFFmpegOpt::opt_filter_complex_script(Ctx* o, Str opt, Str arg) {
  std::optional<std::string> text = ReadTextFile(arg);
  if (!text) {
    last_error_text() = fmt::format("Error opening file {}.", arg);
    return AVERROR(EINVAL);
  }
  return opt_filter_complex(o, opt, *text);
}

int TCustomFFmpegOpt::opt_sameq(Ctx*, Str opt, Str) {
  return Fail(
      *this, TLogLevel::llWarning,
      fmt::format("Option \"{}\" was removed. If you are looking for an option to preserve the quality "
                  "(which is not what -{} was for), use -qscale 0 or an equivalent quality factor option.",
                  opt, opt));
}

int TCustomFFmpegOpt::opt_vstats(Ctx* o, Str opt, Str) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char hhmmss[16];
  std::strftime(hhmmss, sizeof hhmmss, "%H%M%S", &local);
  return opt_vstats_file(o, opt, fmt::format("vstats_{}.log", hhmmss));
}

int TCustomFFmpegOpt::opt_vstats_file(Ctx*, Str, Str arg) {
  Fvstats_filename = arg;
  return 0;
}

// The grab-device options of old: their library options only exist in the
// capture devices, and they go to the file group like every library option.
int TCustomFFmpegOpt::opt_video_channel(Ctx* o, Str, Str arg) {
  Log(TLogLevel::llWarning, "This option is deprecated, use -channel.");
  return ApplyLibraryOption(o, "channel", arg);
}

int TCustomFFmpegOpt::opt_video_standard(Ctx* o, Str, Str arg) {
  Log(TLogLevel::llWarning, "This option is deprecated, use -standard.");
  return ApplyLibraryOption(o, "standard", arg);
}

int TCustomFFmpegOpt::opt_sdp_file(Ctx*, Str, Str arg) {
  Fsdp_filename = arg;
  return 0;
}

// Streaming-server feeds do not exist in the media libraries any more: the
// flag is kept for the language's sake, and its use is pointed out once.
int TCustomFFmpegOpt::opt_override_ffserver(Ctx*, Str opt, Str arg) {
  Foverride_ffserver = parse_int_value(opt, arg);
  if (Foverride_ffserver && !override_ffserver_warned_) {
    override_ffserver_warned_ = true;
    Log(TLogLevel::llWarning,
        "Option \"override_ffserver\" has no effect: streaming server feeds are not supported");
  }
  return 0;
}

// TimeStart/TimeLength: seconds as a decimal number, applied as the
// microsecond twin of -ss / -t.
int TCustomFFmpegOpt::opt_time_seconds(Ctx* o, Str opt, Str arg) {
  double seconds = 0;
  try {
    seconds = parse_double_value(opt, arg);
  } catch (const std::runtime_error& e) {
    return Fail(*this, TLogLevel::llError, e.what());
  }
  const double us = std::round(seconds * 1000000.0);
  // The largest double below 2^63: anything beyond does not fit a time.
  if (!(std::fabs(us) < 9223372036854774784.0))
    return Fail(*this, TLogLevel::llError,
                fmt::format("Expected double for \"{}\" but found \"{}\"", opt, arg));
  const bool start = EqualsNoCase(opt, "timestart");
  const int ret = ApplyOption(o, start ? "ss_microsecond" : "t_microsecond",
                              std::to_string(static_cast<std::int64_t>(us)));
  return ret < 0 ? ret : 0;
}

}  // namespace zentrova

// TFFOptions::opt_default: routing a library option to its dictionary.
#include <fmt/format.h>
#include <array>

#include "log/logger.h"
#include "media/av_ptr.h"
#include "options/dictionary.h"
#include "options/ff_options.h"
#include "options/option_apply.h"
#include "options/library_log.h"

namespace zentrova {
namespace {

constexpr int kSearchChildrenFake = AV_OPT_SEARCH_CHILDREN | AV_OPT_SEARCH_FAKE_OBJ;

// The option `name` of `cls` (searched as a fake object); an option whose own
// flags are zero counts as absent.
const AVOption* find_library_option(const AVClass* cls, const std::string& name, int search_flags) {
  const AVOption* o = ff::av_opt_find(&cls, name.c_str(), nullptr, 0, search_flags);
  return (o && o->flags != 0) ? o : nullptr;
}

// Flags options written "+x" or "-x" add to (or take from) an earlier value.
int dict_append_flag(const AVOption* o, const std::string& arg) {
  return (o->type == AV_OPT_TYPE_FLAGS && !arg.empty() && (arg.front() == '+' || arg.front() == '-'))
             ? AV_DICT_APPEND
             : 0;
}

// The scaler's own geometry options would bypass the engine's -s/-pix_fmt.
bool IsScalerGeometry(const std::string& opt) {
  constexpr std::array<std::string_view, 6> kNames = {"srcw", "srch",       "dstw",
                                                      "dsth", "src_format", "dst_format"};
  for (std::string_view n : kNames)
    if (opt == n) return true;
  return false;
}

int SettingFailed(const std::string& opt, int r) {
  last_error_text() = fmt::format("Error setting option \"{}\"", opt);
  LibraryLog(kLibraryError, last_error_text() + "\n");
  return r;
}

}  // namespace

int TFFOptions::opt_default(std::string_view opt_text, std::string_view arg_text) {
  const std::string opt(opt_text);
  const std::string arg(arg_text);
  if (opt == "debug" || opt == "fdebug") DefaultLogger()->SetLogLevel(TLogLevel::llDebug);

  const std::string stripped = opt.substr(0, opt.find(':'));
  bool consumed = false;

  const AVClass* codec_class = ff::avcodec_get_class();
  const AVOption* o = find_library_option(codec_class, stripped, kSearchChildrenFake);
  if (!o && !opt.empty() && (opt.front() == 'v' || opt.front() == 'a' || opt.front() == 's'))
    o = find_library_option(codec_class, opt.substr(1), AV_OPT_SEARCH_FAKE_OBJ);
  if (o) {
    if (const int r = DictSet(Fcodec_opts, opt, arg, dict_append_flag(o, arg)); r < 0) return r;
    consumed = true;
  }

  if (const AVOption* f = find_library_option(ff::avformat_get_class(), opt, kSearchChildrenFake)) {
    if (const int r = DictSet(Fformat_opts, opt, arg, dict_append_flag(f, arg)); r < 0) return r;
    if (consumed)
      LibraryLog(kLibraryVerbose, fmt::format("Routing option \"{}\" to both codec and muxer layer\n", opt));
    consumed = true;
  }

  if (!consumed) {
    if (const AVOption* s = find_library_option(ff::sws_get_class(), opt, kSearchChildrenFake)) {
      // Try the value on a scaler so that a bad one fails here, not later.
      SwsContextPtr sws(ff::sws_alloc_context());
      if (!sws) return AVERROR(ENOMEM);
      const int r = ff::av_opt_set(sws.get(), opt.c_str(), arg.c_str(), 0);
      if (IsScalerGeometry(opt)) {
        last_error_text() =
            "Directly using swscale dimensions/format options is not supported, please use the -s or "
            "-pix_fmt "
            "options";
        LibraryLog(kLibraryError, last_error_text() + "\n");
        return AVERROR(EINVAL);
      }
      if (r < 0) return SettingFailed(opt, r);
      if (const int d = DictSet(Fsws_dict, opt, arg, dict_append_flag(s, arg)); d < 0) return d;
      consumed = true;
    }
  }

  if (!consumed) {
    if (const AVOption* s = find_library_option(ff::swr_get_class(), opt, kSearchChildrenFake)) {
      SwrContextPtr swr(ff::swr_alloc());
      if (!swr) return AVERROR(ENOMEM);
      const int r = ff::av_opt_set(swr.get(), opt.c_str(), arg.c_str(), 0);
      if (r < 0) return SettingFailed(opt, r);
      if (const int d = DictSet(Fswr_opts, opt, arg, dict_append_flag(s, arg)); d < 0) return d;
      consumed = true;
    }
  }

  return consumed ? 0 : AVERROR_OPTION_NOT_FOUND;
}

int TFFOptions::FetchSwsFlags() {
  const char* value = DictGet(Fsws_dict, "sws_flags");
  if (!value) return 0;
  SwsContextPtr sws(ff::sws_alloc_context());
  if (!sws) return AVERROR(ENOMEM);
  const AVOption* o = ff::av_opt_find(sws.get(), "sws_flags", nullptr, 0, 0);
  int flags = 0;
  const int r = o ? ff::av_opt_eval_flags(sws.get(), o, value, &flags) : AVERROR_OPTION_NOT_FOUND;
  if (r < 0) {
    LibraryLog(kLibraryError, "av_opt_eval_flags() failed\n");
    return r;
  }
  Fsws_flags = static_cast<std::uint32_t>(flags);
  return 0;
}

}  // namespace zentrova

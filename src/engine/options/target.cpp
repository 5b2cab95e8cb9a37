// -target: the option bundles of the standard disc and tape formats (VCD,
// SVCD, DVD, DV) for a TV norm.
#include <cmath>
#include <fmt/format.h>

#include "engine/custom_ffmpeg_opt.h"
#include "engine/open/input_file.h"
#include "engine/options/working_dictionaries_aside.h"
#include "options/option_apply.h"

namespace zentrova {
namespace {

enum class TTarget { None, VCD, SVCD, DVD, DV };

TTarget TargetOf(std::string_view name) {
  if (name == "vcd") return TTarget::VCD;
  if (name == "svcd") return TTarget::SVCD;
  if (name == "dvd") return TTarget::DVD;
  if (name.starts_with("dv")) return TTarget::DV;  // "dv", "dv50", and whatever else starts so
  return TTarget::None;
}

// One option of a bundle: through the option table ("applied") or straight
// to the library's codec and format layers.
struct TBundleOption {
  enum class Kind { Applied, Library } kind;
  std::string name;
  std::string value;
};

std::vector<TBundleOption> BundleOf(TTarget target, TTargetNorm norm, bool dv50) {
  using K = TBundleOption::Kind;
  const bool pal = norm == TTargetNorm::PAL;
  const std::string rate = pal ? "25" : norm == TTargetNorm::NTSC ? "30000/1001" : "24000/1001";
  const std::string gop = pal ? "15" : "18";
  switch (target) {
    case TTarget::VCD:
      return {{K::Applied, "codec:v", "mpeg1video"},
              {K::Applied, "codec:a", "mp2"},
              {K::Applied, "f", "vcd"},
              {K::Applied, "s", pal ? "352x288" : "352x240"},
              {K::Applied, "r", rate},
              {K::Library, "g", gop},
              {K::Library, "b:v", "1150000"},
              {K::Library, "maxrate:v", "1150000"},
              {K::Library, "minrate:v", "1150000"},
              {K::Library, "bufsize:v", "327680"},
              {K::Library, "b:a", "224000"},
              {K::Applied, "ar", "44100"},
              {K::Applied, "ac", "2"},
              {K::Library, "packetsize", "2324"},
              {K::Library, "muxrate", "1411200"}};
    case TTarget::SVCD:
      return {{K::Applied, "codec:v", "mpeg2video"},
              {K::Applied, "codec:a", "mp2"},
              {K::Applied, "f", "svcd"},
              {K::Applied, "s", pal ? "480x576" : "480x480"},
              {K::Applied, "r", rate},
              {K::Applied, "pix_fmt", "yuv420p"},
              {K::Library, "g", gop},
              {K::Library, "b:v", "2040000"},
              {K::Library, "maxrate:v", "2516000"},
              {K::Library, "minrate:v", "0"},
              {K::Library, "bufsize:v", "1835008"},
              {K::Library, "scan_offset", "1"},
              {K::Library, "b:a", "224000"},
              {K::Applied, "ar", "44100"},
              {K::Library, "packetsize", "2324"}};
    case TTarget::DVD:
      return {{K::Applied, "codec:v", "mpeg2video"},
              {K::Applied, "codec:a", "ac3"},
              {K::Applied, "f", "dvd"},
              {K::Applied, "s", pal ? "720x576" : "720x480"},
              {K::Applied, "r", rate},
              {K::Applied, "pix_fmt", "yuv420p"},
              {K::Library, "g", gop},
              {K::Library, "b:v", "6000000"},
              {K::Library, "maxrate:v", "9000000"},
              {K::Library, "minrate:v", "0"},
              {K::Library, "bufsize:v", "1835008"},
              {K::Library, "packetsize", "2048"},
              {K::Library, "muxrate", "10080000"},
              {K::Library, "b:a", "448000"},
              {K::Applied, "ar", "48000"}};
    case TTarget::DV:
      return {{K::Applied, "f", "dv"},
              {K::Applied, "s", pal ? "720x576" : "720x480"},
              {K::Applied, "pix_fmt",
               dv50  ? "yuv422p"
               : pal ? "yuv420p"
                     : "yuv411p"},
              {K::Applied, "r", rate},
              {K::Applied, "ar", "48000"},
              {K::Applied, "ac", "2"}};
    case TTarget::None:
      break;
  }
  return {};
}

}  // namespace

// The norm of the first video stream of the inputs opened so far whose frame
// rate is 25 (PAL) or 29.97 / 23.976 (NTSC).
TTargetNorm TCustomFFmpegOpt::GuessTargetNorm() {
  for (const std::unique_ptr<TInputFile>& file : Finput_files) {
    AVFormatContext* ic = file->ctx.get();
    if (!ic) continue;
    for (unsigned i = 0; i < ic->nb_streams; ++i) {
      AVStream* st = ic->streams[i];
      if (st->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) continue;
      const AVRational fr = ff::av_guess_frame_rate(ic, st, nullptr);
      if (fr.num <= 0 || fr.den <= 0) continue;
      const long long millihertz = std::llround(static_cast<double>(fr.num) * 1000.0 / fr.den);
      if (millihertz == 25000) return TTargetNorm::PAL;
      if (millihertz == 29970 || millihertz == 23976) return TTargetNorm::NTSC;
    }
  }
  return TTargetNorm::Unknown;
}

int TCustomFFmpegOpt::ApplyTarget(Ctx* o, Str, Str arg) {
  std::string_view name(arg);
  TTargetNorm norm = TTargetNorm::Unknown;
  if (name.starts_with("pal-")) {
    norm = TTargetNorm::PAL;
    name.remove_prefix(4);
  } else if (name.starts_with("ntsc-")) {
    norm = TTargetNorm::NTSC;
    name.remove_prefix(5);
  } else if (name.starts_with("film-")) {
    norm = TTargetNorm::FILM;
    name.remove_prefix(5);
  }
  // The target is checked first: an unknown one needs no norm.
  const TTarget target = TargetOf(name);
  if (target == TTarget::None) {
    const std::string text = fmt::format("Unknown target: {}", name);
    Log(TLogLevel::llError, text);
    last_error_text() = text;
    return AVERROR(EINVAL);
  }
  if (norm == TTargetNorm::Unknown) {
    norm = GuessTargetNorm();
    if (norm == TTargetNorm::Unknown)
      RaiseError(
          "Could not determine norm (PAL/NTSC/NTSC-Film) for target.\r\nPlease prefix target with \"pal-\", "
          "\"ntsc-\" or \"film-\",\r\nor set a framerate with \"-r xxx\".");
    Log(TLogLevel::llInfo, fmt::format("Assuming {} for target.", norm == TTargetNorm::PAL ? "PAL" : "NTSC"));
  }

  // Library options of the bundle are collected apart and join the file
  // group only where it has no value yet, so explicit options win.
  TOptionGroup& group = (o && o->group) ? *o->group : FOptions.OptionParseContext().file_opts;
  TWorkingDictionariesAside aside(FOptions);
  for (const TBundleOption& option : BundleOf(target, norm, name.find("dv50") != std::string_view::npos)) {
    const int ret = option.kind == TBundleOption::Kind::Applied
                        ? ApplyOption(o, option.name, option.value)
                        : FOptions.opt_default(option.name, option.value);
    if (ret < 0) return ret;
  }
  if (target == TTarget::VCD) o->muxpreload = 0.44f;  // (36000 + 3 * 1200) / 90000 s
  return aside.MoveInto(group, AV_DICT_DONT_OVERWRITE);
}

}  // namespace zentrova

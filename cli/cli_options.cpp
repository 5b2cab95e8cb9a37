#include "cli/cli_options.h"

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

#include "convert/library_names.h"
#include "convert/number_text.h"
#include "convert/output_naming.h"
#include "log/plain_text.h"

namespace zentrova::cli {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kProgramName = "zentrova-cli";
constexpr std::string_view kVersion = "0.1.0";

// The options' texts as typed, before they are checked.
struct TRawArguments {
  std::vector<std::string> files;
  std::string output, out_dir, format, norm, size, rate, aspect, vb, ab, channels, sample_rate, acodec,
      vcodec;
  std::string volume, brightness, saturation, hue, crop, pad, rotate, watermark, clip;
  std::string input_options, output_options, tasks, log_level, log_file;
  bool join = false, overwrite = false, no_overwrite = false, vflip = false, hflip = false, negate = false;
  bool deinterlace = false, info = false, demo = false, json = false, quiet = false, version = false;
  bool allow_network = false;
  // Given at all (an empty raw option string is a choice too).
  bool has_input_options = false, has_output_options = false;
};

// Options that take a value, read here rather than by the argument parser:
// a value is taken exactly as typed, also when it starts with '-'
// ("--brightness -50", "--output-options '-c:v mpeg4'") or is empty.
struct TValueOption {
  std::string_view Short;  ///< "-o", or empty
  std::string_view Long;
  std::string TRawArguments::*Target;
  bool TRawArguments::*Given = nullptr;  ///< set when the option appears at all
};

constexpr std::array<TValueOption, 27> kValueOptions{{
    {"-o", "--output", &TRawArguments::output},
    {"", "--out", &TRawArguments::out_dir},
    {"", "--format", &TRawArguments::format},
    {"", "--norm", &TRawArguments::norm},
    {"", "--size", &TRawArguments::size},
    {"", "--rate", &TRawArguments::rate},
    {"", "--aspect", &TRawArguments::aspect},
    {"", "--vb", &TRawArguments::vb},
    {"", "--ab", &TRawArguments::ab},
    {"", "--channels", &TRawArguments::channels},
    {"", "--sample-rate", &TRawArguments::sample_rate},
    {"", "--acodec", &TRawArguments::acodec},
    {"", "--vcodec", &TRawArguments::vcodec},
    {"", "--volume", &TRawArguments::volume},
    {"", "--brightness", &TRawArguments::brightness},
    {"", "--saturation", &TRawArguments::saturation},
    {"", "--hue", &TRawArguments::hue},
    {"", "--crop", &TRawArguments::crop},
    {"", "--pad", &TRawArguments::pad},
    {"", "--rotate", &TRawArguments::rotate},
    {"", "--watermark", &TRawArguments::watermark},
    {"", "--clip", &TRawArguments::clip},
    {"", "--input-options", &TRawArguments::input_options, &TRawArguments::has_input_options},
    {"", "--output-options", &TRawArguments::output_options, &TRawArguments::has_output_options},
    {"", "--tasks", &TRawArguments::tasks},
    {"", "--log-level", &TRawArguments::log_level},
    {"", "--log-file", &TRawArguments::log_file},
}};

// Takes the value options ("--opt VALUE", "--opt=VALUE", "-o VALUE",
// "-oVALUE") out of `args` into `raw`; the rest goes to the argument parser.
// Words after "--" are file names and stay.
std::vector<std::string> TakeValues(const std::vector<std::string>& args, TRawArguments& raw) {
  std::vector<std::string> rest;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") {
      rest.insert(rest.end(), args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
      break;
    }
    const TValueOption* option = nullptr;
    std::optional<std::string> value;
    for (const TValueOption& o : kValueOptions) {
      if (arg == o.Long || (!o.Short.empty() && arg == o.Short)) {
        option = &o;
      } else if (arg.size() > o.Long.size() && arg.compare(0, o.Long.size(), o.Long) == 0 &&
                 arg[o.Long.size()] == '=') {
        option = &o;
        value = arg.substr(o.Long.size() + 1);
      } else if (!o.Short.empty() && arg.size() > o.Short.size() &&
                 arg.compare(0, o.Short.size(), o.Short) == 0) {
        option = &o;
        value = arg.substr(o.Short.size());
      }
      if (option) break;
    }
    if (!option) {
      rest.push_back(arg);
      continue;
    }
    if (!value) {
      if (i + 1 >= args.size()) throw TUsageError(fmt::format("{} needs a value", arg));
      value = args[++i];
    }
    raw.*(option->Target) = *value;
    if (option->Given) raw.*(option->Given) = true;
  }
  return rest;
}

void Describe(CLI::App& app, TRawArguments& raw) {
  app.add_option("files", raw.files, "Media files to convert (or to describe with --info)")
      ->type_name("FILE");
  app.add_option("-o,--output", raw.output, "Output file, for a single input or with --join")
      ->type_name("FILE");
  app.add_option("--out", raw.out_dir, "Output folder (default: beside each source)")->type_name("DIR");
  app.add_flag("--join", raw.join, "Join all inputs, in order, into the one output given with -o");
  app.add_option("--tasks", raw.tasks, "Files converted at once (default 3)")->type_name("N");
  app.add_flag("--overwrite", raw.overwrite, "Replace an output left by an earlier run (the default)");
  app.add_flag("--no-overwrite", raw.no_overwrite,
               "Keep earlier outputs: write NAME_(new_1).EXT and so on instead");

  app.add_option("--format", raw.format,
                 "MP4 (default), VCD, DVD, 3GP, AVI, FLV, iPod, MKV, MOV, OGG, PSP, RM10, RM20, SWF, "
                 "WMV, WebM, M1V, M2V, AAC, AC3, MP2, MP3, WAV, WMA")
      ->type_name("NAME");
  app.add_option("--norm", raw.norm, "Norm of VCD/DVD: auto, pal, ntsc")->type_name("NAME");
  app.add_option("--size", raw.size, "Frame size: auto, or one of 128x96 (sqcif) ... 1920x1080 (hd1080)")
      ->type_name("WxH");
  app.add_option("--rate", raw.rate, "Frame rate: auto, 10, 15, 25, 30")->type_name("FPS");
  app.add_option("--aspect", raw.aspect, "Aspect ratio: auto, 4:3, 16:9, 37:20, 47:20")->type_name("W:H");
  app.add_option("--vb", raw.vb, "Video bit rate in kb/s (default: the source's)")->type_name("KBPS");
  app.add_option("--ab", raw.ab, "Audio bit rate in kb/s (default 128)")->type_name("KBPS");
  app.add_option("--channels", raw.channels, "Audio channels: auto, mono, stereo")->type_name("NAME");
  app.add_option("--sample-rate", raw.sample_rate, "Audio sample rate: auto, 8000, 11025, 22050, 44100")
      ->type_name("HZ");
  app.add_option("--acodec", raw.acodec,
                 "Audio codec: auto, aac, ac3, flac, mp3 (default: the format's own, else mp3)")
      ->type_name("NAME");
  app.add_option("--vcodec", raw.vcodec,
                 "Video codec: auto, divx, xvid, x264, qsv (default: the format's own, else x264)")
      ->type_name("NAME");
  app.add_option("--volume", raw.volume, "Audio volume, 256 = unchanged")->type_name("N");
  app.add_option("--brightness", raw.brightness, "Brightness -100..100 (10 = +1)")->type_name("N");
  app.add_option("--saturation", raw.saturation, "Saturation -100..100 (10 = unchanged)")->type_name("N");
  app.add_option("--hue", raw.hue, "Hue -100..100 (100 = half a turn)")->type_name("N");
  app.add_option("--crop", raw.crop, "Crop pixels from the edges")->type_name("T,B,L,R");
  app.add_option("--pad", raw.pad, "Add blue borders (even pixels)")->type_name("T,B,L,R");
  app.add_flag("--vflip", raw.vflip, "Flip the picture vertically");
  app.add_flag("--hflip", raw.hflip, "Flip the picture horizontally");
  app.add_flag("--negate", raw.negate, "Negate the picture's colours");
  app.add_flag("--deinterlace", raw.deinterlace, "Deinterlace the picture");
  app.add_option("--rotate", raw.rotate, "Rotate the picture by DEG degrees")->type_name("DEG");
  app.add_option("--watermark", raw.watermark, "Put a PNG picture into the top right corner")
      ->type_name("PNG");
  app.add_option("--clip", raw.clip, "Convert only this part: seconds or [hh:]mm:ss[.fff]")
      ->type_name("START-END");
  app.add_option("--input-options", raw.input_options,
                 "Replace the built input option string by this one (engine option language)")
      ->type_name("STR");
  app.add_option("--output-options", raw.output_options,
                 "Replace the built output option string by this one (engine option language)")
      ->type_name("STR");

  app.add_flag("--allow-network", raw.allow_network,
               "Also take network addresses (http://...) as inputs (read time-out 30 s)");
  app.add_flag("--info", raw.info, "Print what each file holds; convert nothing");
  app.add_flag("--demo", raw.demo, "Make a short sample clip in a temporary folder and convert it");
  app.add_flag("--json", raw.json, "One JSON object per line on stdout instead of the progress lines");
  app.add_flag("-q,--quiet", raw.quiet, "No progress and no summary; errors only");
  app.add_option("--log-level", raw.log_level,
                 "Engine log lines on stderr: quiet, panic, fatal, error, warning (default), info, "
                 "verbose, debug, trace")
      ->type_name("LEVEL");
  app.add_option("--log-file", raw.log_file, "Also append the log lines to this file")->type_name("FILE");
  app.add_flag("-V,--version", raw.version, "Print the version and exit");
  app.footer(
      "Exit codes: 0 every file converted, 1 some file failed, was stopped or is incomplete, 2 usage error.\n"
      "Ctrl-C (or SIGTERM, SIGHUP) stops every task and finalises the outputs; a second one aborts at once.\n"
      "Examples:\n"
      "  zentrova-cli a.mov b.avi                      a_(new).mp4 and b_(new).mp4 beside their sources\n"
      "  zentrova-cli --format WebM --size 320x240 a.mov\n"
      "  zentrova-cli --join -o all.mp4 part1.mp4 part2.mp4\n"
      "  zentrova-cli -o out.mkv --output-options '-c:v mpeg4 -q:v 3 -c:a copy' in.avi");
}

std::unique_ptr<CLI::App> MakeApp(TRawArguments& raw) {
  auto app = std::make_unique<CLI::App>(
      "Converts media files as the Zentrova application does (MP4, H.264 + MP3 by default).",
      std::string(kProgramName));
  Describe(*app, raw);
  return app;
}

bool IsLevelText(std::string_view text) {
  static constexpr std::array<std::string_view, 9> kWords{"quiet", "panic",   "fatal", "error", "warning",
                                                          "info",  "verbose", "debug", "trace"};
  const std::string lower = LowerAscii(Trim(text, kBlanks));
  return std::find(kWords.begin(), kWords.end(), lower) != kWords.end() ||
         app::ParseDecimalInteger(text).has_value();
}

std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  const fs::path absolute = fs::absolute(fs::path(path), error);
  return error ? path : absolute.lexically_normal().string();
}

void ApplyPicture(const TRawArguments& raw, app::OutputSettings& s) {
  if (!raw.size.empty()) s.FrameSize = ParseChoice(app::TChoice::FrameSize, raw.size, "--size");
  if (!raw.rate.empty()) s.FrameRate = ParseChoice(app::TChoice::FrameRate, raw.rate, "--rate");
  if (!raw.aspect.empty()) s.AspectRatio = ParseChoice(app::TChoice::AspectRatio, raw.aspect, "--aspect");
  if (!raw.vcodec.empty()) {
    s.VideoCodec =
        static_cast<app::TVideoCodec>(ParseChoice(app::TChoice::VideoCodec, raw.vcodec, "--vcodec"));
    s.VideoCodecChosen = true;
  }
  if (!raw.crop.empty()) {
    s.Crop = true;
    s.CropEdges = ParseEdges(raw.crop, "--crop");
  }
  if (!raw.pad.empty()) {
    s.Pad = true;
    s.PadEdges = ParseEdges(raw.pad, "--pad");
  }
  s.VertFlip = raw.vflip;
  s.HoriFlip = raw.hflip;
  s.Negate = raw.negate;
  s.Deinterlace = raw.deinterlace;
  if (!raw.rotate.empty()) {
    s.Rotate = true;
    s.RotateText = std::to_string(ParseIntegerIn(raw.rotate, -3600, 3600, "--rotate"));
  }
  if (!raw.brightness.empty()) {
    s.Brightness = true;
    s.BrightnessPosition =
        ParseIntegerIn(raw.brightness, app::kEffectSliderMin, app::kEffectSliderMax, "--brightness");
  }
  if (!raw.saturation.empty()) {
    s.Saturation = true;
    s.SaturationPosition =
        ParseIntegerIn(raw.saturation, app::kEffectSliderMin, app::kEffectSliderMax, "--saturation");
  }
  if (!raw.hue.empty()) {
    s.Hue = true;
    s.HuePosition = ParseIntegerIn(raw.hue, app::kEffectSliderMin, app::kEffectSliderMax, "--hue");
  }
  if (!raw.watermark.empty()) {
    std::error_code error;
    if (!fs::is_regular_file(fs::path(raw.watermark), error))
      throw TUsageError(fmt::format("--watermark: \"{}\" is not a file", raw.watermark));
    s.WaterMark = true;
    s.WaterMarkFile = AbsolutePath(raw.watermark);
  }
}

void ApplySound(const TRawArguments& raw, app::OutputSettings& s) {
  if (!raw.ab.empty()) s.AudioBitRate = ParseKbps(raw.ab, "--ab");
  if (!raw.channels.empty())
    s.AudioChannels = static_cast<app::TAudioChannels>(
        ParseChoice(app::TChoice::AudioChannels, raw.channels, "--channels"));
  if (!raw.sample_rate.empty())
    s.AudioSampleRate = ParseChoice(app::TChoice::AudioSampleRate, raw.sample_rate, "--sample-rate");
  if (!raw.acodec.empty()) {
    s.AudioCodec =
        static_cast<app::TAudioCodec>(ParseChoice(app::TChoice::AudioCodec, raw.acodec, "--acodec"));
    s.AudioCodecChosen = true;
  }
  if (!raw.volume.empty()) {
    s.AudioVolume = true;
    s.AudioVolumeText = std::to_string(ParseIntegerIn(raw.volume, 0, 65535, "--volume"));
  }
}

// Where outputs go and what they are called.
void ApplyOutput(const TRawArguments& raw, TCliOptions& o) {
  app::OutputSettings& s = o.Settings;
  if (raw.overwrite && raw.no_overwrite)
    throw TUsageError("--overwrite and --no-overwrite contradict each other");
  s.Overwrite = !raw.no_overwrite;
  if (!raw.out_dir.empty()) {
    std::error_code error;
    if (!fs::is_directory(fs::path(raw.out_dir), error))
      throw TUsageError(fmt::format("--out: \"{}\" is not a folder", raw.out_dir));
    std::string folder = AbsolutePath(raw.out_dir);
    if (folder.empty() || folder.back() != '/') folder += '/';
    s.OutPath = folder;
  }
  if (!raw.output.empty()) {
    if (!raw.out_dir.empty())
      throw TUsageError("-o names the output file itself; it cannot be used with --out");
    const std::string output = AbsolutePath(raw.output);
    const fs::path folder = fs::path(output).parent_path();
    std::error_code error;
    if (!fs::is_directory(folder, error))
      throw TUsageError(fmt::format("-o: the folder of \"{}\" does not exist", raw.output));
    if (fs::is_directory(fs::path(output), error))
      throw TUsageError(fmt::format("-o: \"{}\" is a folder; name the output file", raw.output));
    app::TClaimedNames inputs;
    for (const std::string& file : raw.files) inputs.Claim(file);
    if (inputs.Contains(output))
      throw TUsageError(fmt::format("-o: \"{}\" is one of the inputs; it would be overwritten", raw.output));
    if (!s.Overwrite && fs::exists(fs::symlink_status(fs::path(output), error)))
      throw TUsageError(fmt::format("-o: \"{}\" exists and --no-overwrite was given", raw.output));
    o.OutputFile = output;
  }
}

void CheckCombinations(const TRawArguments& raw, TCliOptions& o) {
  if (raw.json && raw.quiet) throw TUsageError("--json and --quiet cannot be used together");
  if (raw.info && raw.demo) throw TUsageError("--info and --demo cannot be used together");
  if (o.Command == TCliCommand::ccDemo) {
    if (!raw.files.empty()) throw TUsageError("--demo makes its own clip; name no files");
    if (!raw.output.empty() || raw.join) throw TUsageError("--demo cannot be used with -o or --join");
  } else if (raw.files.empty()) {
    throw TUsageError(o.Command == TCliCommand::ccInfo
                          ? "--info: name the files to describe"
                          : "no input files (try --demo for a sample conversion)");
  }
  if (o.Command == TCliCommand::ccConvert && raw.output.empty() && raw.out_dir.empty())
    for (const std::string& file : raw.files)
      if (app::IsNetworkAddress(file))
        throw TUsageError(fmt::format(
            "\"{}\" is a network address: name the output with -o or its folder with --out", file));
  if (raw.join) {
    if (raw.output.empty()) throw TUsageError("--join needs the output file: -o FILE");
    if (raw.files.size() < 2) throw TUsageError("--join needs at least two input files");
  } else if (!raw.output.empty() && raw.files.size() > 1) {
    throw TUsageError("-o names one output: give a single input, or --join to join the inputs");
  }
}

void Convert(const TRawArguments& raw, TCliOptions& o) {
  o.Command = raw.demo ? TCliCommand::ccDemo : raw.info ? TCliCommand::ccInfo : TCliCommand::ccConvert;
  CheckCombinations(raw, o);
  o.Files = raw.files;
  o.Join = raw.join;
  o.AllowNetwork = raw.allow_network;
  o.Progress = raw.json ? TProgressMode::pmJson : raw.quiet ? TProgressMode::pmQuiet : TProgressMode::pmAuto;
  if (!raw.tasks.empty()) o.Tasks = ParseIntegerIn(raw.tasks, 1, 64, "--tasks");
  if (!raw.log_level.empty()) {
    if (!IsLevelText(raw.log_level))
      throw TUsageError(fmt::format(
          "--log-level: \"{}\" is not one of quiet, panic, fatal, error, warning, info, verbose, debug, "
          "trace (or a library level number)",
          raw.log_level));
    o.LogLevel = raw.log_level;
  }
  o.LogFile = raw.log_file;

  app::OutputSettings& s = o.Settings;
  if (!raw.format.empty()) {
    s.Format =
        static_cast<app::TOutputFormat>(ParseChoice(app::TChoice::OutputFormat, raw.format, "--format"));
  } else if (!raw.output.empty()) {
    // "-o clip.webm" asks for WebM; a name the formats do not know keeps MP4.
    if (const auto format = FormatFromExtension(raw.output)) s.Format = *format;
  }
  if (!raw.norm.empty())
    s.Norm = static_cast<app::TNorm>(ParseChoice(app::TChoice::Norm, raw.norm, "--norm"));
  if (!raw.vb.empty()) o.VideoBitRate = ParseKbps(raw.vb, "--vb");
  if (!raw.clip.empty()) {
    o.Clip = ParseClipRange(raw.clip, "--clip");
    s.CutClipEnabled = true;
    s.CutClipChecked = true;
  }
  ApplyPicture(raw, s);
  ApplySound(raw, s);
  ApplyOutput(raw, o);
  if (raw.has_input_options) o.InputOptions = raw.input_options;
  if (raw.has_output_options) o.OutputOptions = raw.output_options;
}

}  // namespace

TParseOutcome ParseCommandLine(const std::vector<std::string>& args) {
  TParseOutcome outcome;
  TRawArguments raw;
  const std::unique_ptr<CLI::App> app = MakeApp(raw);
  try {
    std::vector<std::string> reversed = TakeValues(args, raw);
    std::reverse(reversed.begin(), reversed.end());  // CLI11 takes the words last first
    app->parse(reversed);
  } catch (const CLI::CallForHelp&) {
    outcome.Options.Command = TCliCommand::ccHelp;
    return outcome;
  } catch (const CLI::ParseError& error) {
    outcome.Error = error.what();
    return outcome;
  } catch (const TUsageError& error) {
    outcome.Error = error.what();
    return outcome;
  }
  if (raw.version) {
    outcome.Options.Command = TCliCommand::ccVersion;
    return outcome;
  }
  try {
    Convert(raw, outcome.Options);
  } catch (const TUsageError& error) {
    outcome.Error = error.what();
  }
  return outcome;
}

std::string UsageText() {
  TRawArguments raw;
  return MakeApp(raw)->help();
}

void VisitOptionTable(const std::function<void(const CLI::App&)>& visit) {
  TRawArguments raw;
  visit(*MakeApp(raw));
}

std::string VersionText() {
  return fmt::format("{} {}\n", kProgramName, kVersion);
}

}  // namespace zentrova::cli

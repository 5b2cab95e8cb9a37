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
  std::string audio_track, subtitles;
  bool all_audio = false;
  bool join = false, overwrite = false, no_overwrite = false, vflip = false, hflip = false, negate = false;
  bool deinterlace = false, info = false, demo = false, json = false, quiet = false, version = false;
  bool allow_network = false;
  // Given at all (an empty raw option string is a choice too).
  bool has_input_options = false, has_output_options = false;
};

// Every option but the file names, one row each, in the order --help lists
// them. A row with a text target takes a value and is read here rather than
// by the argument parser: the value is taken exactly as typed, also when it
// starts with '-' ("--brightness -50", "--output-options '-c:v mpeg4'") or
// is empty. A row with a switch target is a flag the argument parser reads.
// The help, the manual page and the bash completion are made from the
// argument parser, which gets every row.
struct TOptionRow {
  std::string_view Short;  ///< "-o", or empty
  std::string_view Long;
  std::string_view Help;
  std::string_view TypeName;                    ///< the value's placeholder; empty for a flag
  std::string TRawArguments::*Value = nullptr;  ///< value options
  bool TRawArguments::*Switch = nullptr;        ///< flags; for a value option: set when it appears at all
};

constexpr std::array<TOptionRow, 43> kOptions{{
    {"-o", "--output", "Output file, for a single input or with --join", "FILE", &TRawArguments::output},
    {"", "--out", "Output folder (default: beside each source)", "DIR", &TRawArguments::out_dir},
    {"", "--join", "Join all inputs, in order, into the one output given with -o", "", nullptr,
     &TRawArguments::join},
    {"", "--tasks", "Files converted at once (default 3)", "N", &TRawArguments::tasks},
    {"", "--overwrite", "Replace an output left by an earlier run (the default)", "", nullptr,
     &TRawArguments::overwrite},
    {"", "--no-overwrite", "Keep earlier outputs: write NAME_(new_1).EXT and so on instead", "", nullptr,
     &TRawArguments::no_overwrite},
    {"", "--format",
     "MP4 (default), VCD, DVD, 3GP, AVI, FLV, iPod, MKV, MOV, OGG, PSP, RM10, RM20, SWF, WMV, WebM, M1V, "
     "M2V, AAC, AC3, MP2, MP3, WAV, WMA",
     "NAME", &TRawArguments::format},
    {"", "--norm", "Norm of VCD/DVD: auto, pal, ntsc", "NAME", &TRawArguments::norm},
    {"", "--size", "Frame size: auto, or one of 128x96 (sqcif) ... 1920x1080 (hd1080)", "WxH",
     &TRawArguments::size},
    {"", "--rate", "Frame rate: auto, 10, 15, 25, 30", "FPS", &TRawArguments::rate},
    {"", "--aspect", "Aspect ratio: auto, 4:3, 16:9, 37:20, 47:20", "W:H", &TRawArguments::aspect},
    {"", "--vb", "Video bit rate in kb/s (default: the source's)", "KBPS", &TRawArguments::vb},
    {"", "--ab", "Audio bit rate in kb/s (default 128)", "KBPS", &TRawArguments::ab},
    {"", "--channels", "Audio channels: auto, mono, stereo", "NAME", &TRawArguments::channels},
    {"", "--sample-rate", "Audio sample rate: auto, 8000, 11025, 22050, 44100", "HZ",
     &TRawArguments::sample_rate},
    {"", "--acodec", "Audio codec: auto, aac, ac3, flac, mp3 (default: the format's own, else mp3)", "NAME",
     &TRawArguments::acodec},
    {"", "--vcodec", "Video codec: auto, divx, xvid, x264, qsv (default: the format's own, else x264)",
     "NAME", &TRawArguments::vcodec},
    {"", "--audio-track",
     "Audio track to convert: its number as --info lists them, from 1, or its language (fr, fre or fra) "
     "(default: the one with the most channels)",
     "N|LANG", &TRawArguments::audio_track},
    {"", "--all-audio",
     "Every audio track, where the format holds several (MKV, MP4, MOV, WebM, AVI, OGG, WMV, DVD); "
     "elsewhere the first, with a warning",
     "", nullptr, &TRawArguments::all_audio},
    {"", "--subtitles",
     "Subtitle tracks: none (default); keep (MKV as they are, MP4 and MOV as mov_text, WebM as WebVTT; "
     "bitmap subtitles in MKV only); burn (draw the first track into the picture)",
     "MODE", &TRawArguments::subtitles},
    {"", "--volume", "Audio volume, 256 = unchanged", "N", &TRawArguments::volume},
    {"", "--brightness", "Brightness -100..100 (10 = +1)", "N", &TRawArguments::brightness},
    {"", "--saturation", "Saturation -100..100 (10 = unchanged)", "N", &TRawArguments::saturation},
    {"", "--hue", "Hue -100..100 (100 = half a turn)", "N", &TRawArguments::hue},
    {"", "--crop", "Crop pixels from the edges", "T,B,L,R", &TRawArguments::crop},
    {"", "--pad", "Add blue borders (even pixels)", "T,B,L,R", &TRawArguments::pad},
    {"", "--vflip", "Flip the picture vertically", "", nullptr, &TRawArguments::vflip},
    {"", "--hflip", "Flip the picture horizontally", "", nullptr, &TRawArguments::hflip},
    {"", "--negate", "Negate the picture's colours", "", nullptr, &TRawArguments::negate},
    {"", "--deinterlace", "Deinterlace the picture", "", nullptr, &TRawArguments::deinterlace},
    {"", "--rotate", "Rotate the picture by DEG degrees", "DEG", &TRawArguments::rotate},
    {"", "--watermark", "Put a PNG picture into the top right corner", "PNG", &TRawArguments::watermark},
    {"", "--clip", "Convert only this part: seconds or [hh:]mm:ss[.fff]", "START-END", &TRawArguments::clip},
    {"", "--input-options", "Replace the built input option string by this one (engine option language)",
     "STR", &TRawArguments::input_options, &TRawArguments::has_input_options},
    {"", "--output-options", "Replace the built output option string by this one (engine option language)",
     "STR", &TRawArguments::output_options, &TRawArguments::has_output_options},
    {"", "--allow-network", "Also take network addresses (http://...) as inputs (read time-out 30 s)", "",
     nullptr, &TRawArguments::allow_network},
    {"", "--info", "Print what each file holds; convert nothing", "", nullptr, &TRawArguments::info},
    {"", "--demo", "Make a short sample clip in a temporary folder and convert it", "", nullptr,
     &TRawArguments::demo},
    {"", "--json", "One JSON object per line on stdout instead of the progress lines", "", nullptr,
     &TRawArguments::json},
    {"-q", "--quiet", "No progress and no summary; errors only", "", nullptr, &TRawArguments::quiet},
    {"", "--log-level",
     "Engine log lines on stderr: quiet, panic, fatal, error, warning (default), info, verbose, debug, trace",
     "LEVEL", &TRawArguments::log_level},
    {"", "--log-file", "Also append the log lines to this file", "FILE", &TRawArguments::log_file},
    {"-V", "--version", "Print the version and exit", "", nullptr, &TRawArguments::version},
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
    const TOptionRow* option = nullptr;
    std::optional<std::string> value;
    for (const TOptionRow& o : kOptions) {
      if (!o.Value) continue;
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
    raw.*(option->Value) = *value;
    if (option->Switch) raw.*(option->Switch) = true;
  }
  return rest;
}

void Describe(CLI::App& app, TRawArguments& raw) {
  app.add_option("files", raw.files, "Media files to convert (or to describe with --info)")
      ->type_name("FILE");
  for (const TOptionRow& row : kOptions) {
    const std::string names =
        row.Short.empty() ? std::string(row.Long) : fmt::format("{},{}", row.Short, row.Long);
    if (row.Value)
      app.add_option(names, raw.*(row.Value), std::string(row.Help))->type_name(std::string(row.TypeName));
    else
      app.add_flag(names, raw.*(row.Switch), std::string(row.Help));
  }
  app.footer(
      "Exit codes: 0 every file converted, 1 some file failed, was stopped or is incomplete, 2 usage error.\n"
      "Ctrl-C (or SIGTERM, SIGHUP) stops every task and finalises the outputs; a second one aborts at once.\n"
      "Examples:\n"
      "  zentrova-cli a.mov b.avi                      a_(new).mp4 and b_(new).mp4 beside their sources\n"
      "  zentrova-cli --format WebM --size 320x240 a.mov\n"
      "  zentrova-cli --join -o all.mp4 part1.mp4 part2.mp4\n"
      "  zentrova-cli --format MKV --audio-track fr --subtitles keep film.mkv\n"
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
  if (!raw.audio_track.empty()) {
    if (raw.all_audio) throw TUsageError("--audio-track and --all-audio cannot be used together");
    s.AudioTrack = ParseAudioTrack(raw.audio_track, "--audio-track");
  }
  s.AllAudio = raw.all_audio;
  if (!raw.subtitles.empty()) s.Subtitles = ParseSubtitleMode(raw.subtitles, "--subtitles");
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

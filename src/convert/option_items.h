// The item texts of the options dialog's choice controls.
//
// One table read by both the option-string builders and the Qt dialog: the
// dialog fills its radio groups and its frame-size combo box from it (item
// order is the index), the builders turn a chosen index back into its text.
// Everything here is immutable and may be read from any thread.
#pragma once

#include <array>
#include <span>
#include <string_view>

namespace zentrova::app {

/// Output formats, in the order of the "Output Formats" group.
enum class TOutputFormat : int {
  VCD,
  DVD,
  ThreeGP,
  AVI,
  FLV,
  iPod,
  MKV,
  MOV,
  MP4,
  OGG,
  PSP,
  RM10,
  RM20,
  SWF,
  WMV,
  WebM,
  M1V,
  M2V,
  AAC,
  AC3,
  MP2,
  MP3,
  WAV,
  WMA,
};
/// Television norm of the VCD and DVD targets.
enum class TNorm : int { Auto, PAL, NTSC };
enum class TAudioChannels : int { Auto, Mono, Stereo };
enum class TAudioCodec : int { Auto, AAC, AC3, FLAC, MP3 };
enum class TVideoCodec : int { Auto, DivX, XviD, X264, QSV };

/// The dialog's choice controls, one row each in `kChoiceGroups`.
enum class TChoice : int {
  OutputFormat,
  Norm,
  AudioChannels,
  AudioSampleRate,
  FrameSize,
  FrameRate,
  AspectRatio,
  AudioCodec,
  VideoCodec,
};

inline constexpr std::array<std::string_view, 24> kOutputFormatItems{
    "VCD",  "DVD", "3GP", "AVI",  "FLV", "iPod", "MKV", "MOV", "MP4", "OGG", "PSP", "RM10",
    "RM20", "SWF", "WMV", "WebM", "M1V", "M2V",  "AAC", "AC3", "MP2", "MP3", "WAV", "WMA"};
inline constexpr std::array<std::string_view, 3> kNormItems{"Auto", "PAL", "NTSC"};
inline constexpr std::array<std::string_view, 3> kAudioChannelItems{"Auto", "Mono", "Stereo"};
inline constexpr std::array<std::string_view, 5> kAudioSampleRateItems{"Auto", "8000", "11025", "22050",
                                                                       "44100"};
inline constexpr std::array<std::string_view, 29> kFrameSizeItems{
    "Auto - Original",    "128x96 - sqcif",     "176x144 - qcif",     "352x288 - cif",
    "704x576 - 4cif",     "160x120 - qqvga",    "320x240 - qvga",     "640x480 - vga",
    "800x600 - svga",     "1024x768 - xga",     "1600x1200 - uxga",   "2048x1536 - qxga",
    "1280x1024 - sxga",   "2560x2048 - qsxga",  "5120x4096 - hsxga",  "852x480 - wvga",
    "1366x768 - wxga",    "1600x1024 - wsxga",  "1920x1200 - wuxga",  "2560x1600 - woxga",
    "3200x2048 - wqsxga", "3840x2400 - wquxga", "6400x4096 - whsxga", "7680x4800 - whuxga",
    "320x200 - cga",      "640x350 - ega",      "852x480 - hd480",    "1280x720 - hd720",
    "1920x1080 - hd1080"};
inline constexpr std::array<std::string_view, 5> kFrameRateItems{"Auto", "10", "15", "25", "30"};
inline constexpr std::array<std::string_view, 5> kAspectRatioItems{"Auto", "4:3", "16:9", "37:20", "47:20"};
inline constexpr std::array<std::string_view, 5> kAudioCodecItems{"Auto", "AAC", "AC3", "FLAC", "MP3"};
inline constexpr std::array<std::string_view, 5> kVideoCodecItems{"Auto", "DivX", "XviD", "X264", "QSV"};

/// One choice control of the dialog.
struct TChoiceGroup {
  std::string_view Control;                 ///< the dialog's control name
  std::string_view Caption;                 ///< caption of the group box
  std::span<const std::string_view> Items;  ///< item texts, index order
  int DefaultIndex;                         ///< the item chosen when the dialog starts
  bool Shown;                               ///< visible to the user
};

/// Indexed by `TChoice`.
inline constexpr std::array<TChoiceGroup, 9> kChoiceGroups{{
    {"grpFormats", "Output Formats", kOutputFormatItems, 8, false},
    {"grpNorm", "Norm(VCD/SVCD/DVD)", kNormItems, 0, false},
    {"grpAudioChannels", "Audio Channel", kAudioChannelItems, 0, false},
    {"grpAudioSampleRate", "Audio Sample Rate (Hz)", kAudioSampleRateItems, 0, false},
    {"cboFrameSize", "视频每帧大小", kFrameSizeItems, 0, true},
    {"grpFrameRate", "视频帧率 (FPS)", kFrameRateItems, 0, true},
    {"grpAspectRatio", "视频长宽比例", kAspectRatioItems, 0, true},
    {"grpAudioCodec", "音频编码器", kAudioCodecItems, 4, false},
    {"grpVideoCodec", "视频编码器", kVideoCodecItems, 3, false},
}};

/// The output-folder edit's text while no folder is chosen: outputs go beside their source.
inline constexpr std::string_view kOutputFolderPlaceholder = "<输出在源视频目录下>";

constexpr const TChoiceGroup& ChoiceGroup(TChoice choice) {
  return kChoiceGroups[static_cast<int>(choice)];
}

/// `index` when it names an item of the choice; otherwise (a group with
/// nothing chosen) the group's default item.
constexpr int ValidIndex(TChoice choice, int index) {
  const TChoiceGroup& group = ChoiceGroup(choice);
  return index >= 0 && static_cast<std::size_t>(index) < group.Items.size() ? index : group.DefaultIndex;
}

/// The text of item `index` of a choice, after `ValidIndex`.
constexpr std::string_view ItemText(TChoice choice, int index) {
  return ChoiceGroup(choice).Items[static_cast<std::size_t>(ValidIndex(choice, index))];
}

constexpr std::string_view ItemText(TOutputFormat v) {
  return ItemText(TChoice::OutputFormat, static_cast<int>(v));
}
constexpr std::string_view ItemText(TNorm v) {
  return ItemText(TChoice::Norm, static_cast<int>(v));
}
constexpr std::string_view ItemText(TAudioChannels v) {
  return ItemText(TChoice::AudioChannels, static_cast<int>(v));
}
constexpr std::string_view ItemText(TAudioCodec v) {
  return ItemText(TChoice::AudioCodec, static_cast<int>(v));
}
constexpr std::string_view ItemText(TVideoCodec v) {
  return ItemText(TChoice::VideoCodec, static_cast<int>(v));
}

}  // namespace zentrova::app

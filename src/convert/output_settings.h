// Every setting of the options dialog as a plain record.
//
// The dialog's `collect` step reads every control into this record, hidden
// ones too, and the option-string builders read only the record, so a
// conversion can be described without any window (the command line fills it
// from its arguments). A default-constructed record holds the dialog's
// starting values: an MP4 output with H.264 video and MP3 audio.
//
// A plain value: copy it freely; no thread affinity.
#pragma once

#include <string>

#include "convert/option_items.h"

namespace zentrova::app {

/// Range and reset values of the brightness, saturation and hue sliders.
inline constexpr int kEffectSliderMin = -100;
inline constexpr int kEffectSliderMax = 100;
inline constexpr int kBrightnessReset = 0;
inline constexpr int kSaturationReset = 10;
inline constexpr int kHueReset = 0;

/// The four edits of the crop or pad group, as typed (integers expected).
struct TEdgeTexts {
  std::string Top = "0";
  std::string Bottom = "0";
  std::string Left = "0";
  std::string Right = "0";
};

/// What becomes of the source's subtitle tracks.
enum class TSubtitleMode {
  smNone,  ///< left out
  smKeep,  ///< carried as tracks where the format holds them
  smBurn,  ///< the first track drawn into the picture
};

struct OutputSettings {
  // Choices (see option_items.h for the item texts).
  TOutputFormat Format = TOutputFormat::MP4;
  TNorm Norm = TNorm::Auto;
  TAudioChannels AudioChannels = TAudioChannels::Auto;
  int AudioSampleRate = 0;  ///< index into kAudioSampleRateItems; 0 is "Auto"
  int FrameSize = 0;        ///< index into kFrameSizeItems; 0 is "Auto - Original"
  int FrameRate = 0;        ///< index into kFrameRateItems; 0 is "Auto"
  int AspectRatio = 0;      ///< index into kAspectRatioItems; 0 is "Auto"
  TAudioCodec AudioCodec = TAudioCodec::MP3;
  TVideoCodec VideoCodec = TVideoCodec::X264;
  /// The codecs were chosen by the user (the command line's --acodec /
  /// --vcodec). The dialog's codec groups are hidden, so there they stay
  /// false: the hidden defaults (MP3, X264) then apply only to the formats
  /// that have no codecs of their own; a chosen codec other than "Auto" is
  /// used with every format.
  bool AudioCodecChosen = false;
  bool VideoCodecChosen = false;

  // "调整音频音量" and its edit ("256" is the normal volume).
  bool AudioVolume = false;
  std::string AudioVolumeText = "256";

  // "码率 (Kbps)": passed into the option string as typed; the video value is
  // replaced from each source (see source_state.h).
  std::string VideoBitRate = "200";
  std::string AudioBitRate = "128";

  bool Crop = false;
  TEdgeTexts CropEdges;
  bool Pad = false;
  TEdgeTexts PadEdges;

  // "Cut Clip": enabled while the source's clip marks are valid, checked by the user.
  bool CutClipEnabled = false;
  bool CutClipChecked = false;

  // "Hook" group.
  bool VideoInputHook = false;
  bool VideoOutputHook = false;
  bool AudioHook = false;

  // "视频过滤器".
  bool VertFlip = false;
  bool HoriFlip = false;
  bool Negate = false;
  bool Deinterlace = false;
  bool Rotate = false;
  std::string RotateText = "45";  ///< degrees, as typed
  bool Brightness = false;
  int BrightnessPosition = kBrightnessReset;
  bool Saturation = false;
  int SaturationPosition = kSaturationReset;
  bool Hue = false;
  int HuePosition = kHueReset;

  // "设置水印:" with a PNG file.
  bool WaterMark = false;
  std::string WaterMarkFile;

  // Tracks: the command line's choices (the dialog has no controls for them).
  /// The audio track to convert: its number among the source's audio
  /// tracks, from 1 ("2"), or its language ("fr", "fre", "fra"); empty: the
  /// engine's choice.
  std::string AudioTrack;
  /// Every audio track where the format holds several.
  bool AllAudio = false;
  TSubtitleMode Subtitles = TSubtitleMode::smNone;

  /// A folder ending with '/', or kOutputFolderPlaceholder.
  std::string OutPath{kOutputFolderPlaceholder};
  /// "Overwrite Existing File".
  bool Overwrite = true;
};

static_assert(static_cast<int>(OutputSettings{}.Format) == ChoiceGroup(TChoice::OutputFormat).DefaultIndex);
static_assert(static_cast<int>(OutputSettings{}.AudioCodec) == ChoiceGroup(TChoice::AudioCodec).DefaultIndex);
static_assert(static_cast<int>(OutputSettings{}.VideoCodec) == ChoiceGroup(TChoice::VideoCodec).DefaultIndex);

}  // namespace zentrova::app

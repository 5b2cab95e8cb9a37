// What each output format adds to the output option string and which
// collected values it overrides (codecs, frame size and rate, audio channels
// and sample rate, the file-name extension). The rules are one table of data
// in format_rules.cpp.
#pragma once

#include <string>
#include <string_view>

#include "app/options/option_items.h"

namespace zentrova::app {

/// Values collected from the settings before the format's rules apply;
/// empty means "not set".
struct TCollectedValues {
  std::string Channels;    ///< "1", "2"
  std::string SampleRate;  ///< "44100"
  std::string FrameSize;   ///< "320x240"
  std::string FrameRate;   ///< "25", "15000/1001"
  std::string AudioCodec;  ///< lower-case item text ("mp3", "aac") or an encoder name
  std::string VideoCodec;  ///< lower-case item text ("x264", "divx") or an encoder name
  std::string Extension;   ///< "." + lower-case format name, or the format's own ending ("_psp.mp4")
};

/// Applies the format's overrides to `values` and gives the option text the
/// format appends ("-f psp", "-target pal-vcd"; empty when none).
/// `aac_encoder` is the encoder chosen for formats that need AAC audio.
std::string ApplyFormatRules(TOutputFormat format, TNorm norm, std::string_view aac_encoder,
                             TCollectedValues& values);

/// The VCD and DVD outputs are named for their norm: "_pal_vcd.mpg"; other
/// formats keep `extension`.
std::string TargetExtension(TOutputFormat format, TNorm norm, std::string_view extension);

/// Formats without video (AAC, AC3, MP2, MP3, WAV, WMA): their input drops video.
bool IsAudioOnlyFormat(TOutputFormat format);

/// ASCII lower case.
std::string LowerAscii(std::string_view text);

}  // namespace zentrova::app

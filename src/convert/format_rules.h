// What each output format adds to the output option string and which
// collected values it decides (codecs, bit rates, frame size and rate,
// audio channels and sample rate, the file-name extension). The rules are
// one table of data in format_rules.cpp.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "convert/option_items.h"

namespace zentrova::app {

/// Values collected from the settings before the format's rules apply;
/// empty means "not set".
struct TCollectedValues {
  std::optional<std::string> AudioBitRate;  ///< kb/s as typed; nothing: no -b:a
  std::optional<std::string> VideoBitRate;  ///< kb/s as typed; nothing: no -b:v
  std::string Channels;                     ///< "1", "2"
  std::string SampleRate;                   ///< "44100"
  std::string FrameSize;                    ///< "320x240"
  std::string FrameRate;                    ///< "25", "15000/1001"
  std::string AudioCodec;  ///< lower-case item text ("mp3", "aac") or an encoder name; empty: none given
  std::string VideoCodec;  ///< lower-case item text ("x264", "divx") or an encoder name; empty: none given
  bool AudioCodecChosen = false;  ///< the user chose the audio codec (see OutputSettings)
  bool VideoCodecChosen = false;
  std::string Extension;  ///< "." + lower-case format name, or the format's own ending ("_psp.mp4")
};

/// Applies the format's rules to `values` and gives the option text the
/// format appends ("-f psp", "-target pal-vcd"; empty when none).
/// `aac_encoder` is the encoder chosen for formats that need AAC audio.
///
/// Codecs: a format that names its codecs (VCD, AC3, WebM, ...) takes them
/// unless the user chose one other than "Auto"; the others (AVI, FLV, MOV,
/// MP4) keep the collected codec, the hidden default included. VCD and DVD
/// leave codecs, sizes and rates to their -target; VCD also its bit rates,
/// and DVD caps the video bit rate at the target's maximum.
std::string ApplyFormatRules(TOutputFormat format, TNorm norm, std::string_view aac_encoder,
                             TCollectedValues& values);

/// The norm a disc target is built for. A chosen norm (PAL, NTSC) stands.
/// With Auto the engine guesses the norm from the source's frame rate, but
/// only from 25 (PAL) or 29.97 / 23.976 (NTSC) frames a second, and refuses
/// any other rate. For such a source the norm nearest the source's rate is
/// chosen: the rate is compared by ratio with the norms' rates and their
/// doubles and halves (PAL 25, 50, 12.5...; NTSC 29.97, 59.94, 14.985... and
/// 23.976, 47.952...), so 50 and 12.5 give PAL; 24, 30, 60 and 15 give NTSC.
/// Auto is kept where the engine guesses or the rate is unknown (`fps` not
/// positive).
TNorm TargetNorm(TNorm chosen, double fps);

/// The VCD and DVD outputs are named for their norm: "_pal_vcd.mpg"; other
/// formats keep `extension`.
std::string TargetExtension(TOutputFormat format, TNorm norm, std::string_view extension);

/// Formats without video (AAC, AC3, MP2, MP3, WAV, WMA).
bool IsAudioOnlyFormat(TOutputFormat format);

/// Whether the input drops its video for this format: the audio-only
/// formats except MP3, which carries the source's cover art.
bool InputDropsVideo(TOutputFormat format);

/// Formats whose files must hold a picture: the discs, and PSP, whose
/// container takes exactly one video and one audio stream.
bool NeedsPicture(TOutputFormat format);

/// Formats whose files must hold sound: PSP.
bool NeedsSound(TOutputFormat format);

/// What the frame width and height of the format's video must be a
/// multiple of (16 for RealVideo, else 2 for 4:2:0 pictures); 0 where the
/// builder leaves the size alone (no video, or a -target that sets it).
int FrameSizeMultiple(TOutputFormat format);

}  // namespace zentrova::app

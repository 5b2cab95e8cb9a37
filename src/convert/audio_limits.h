// What the audio encoders and the output containers cannot take, and how
// the output's audio is kept within it.
//
// Where the user left the sample rate or the channel count to the source,
// a source value the encoder or the container refuses is replaced by one
// they take; a chosen value is kept. The bit rate is capped wherever the
// encoder refuses it at the output's rate and channel count.
#pragma once

#include <string>
#include <string_view>

#include "convert/format_rules.h"
#include "convert/source_facts.h"

namespace zentrova::app {

/// Fits the audio values of `values` (after the format's rules) to
/// `encoder` (an encoder name: "libvorbis", "wmav2", ...) in `format`, for
/// the source's first audio stream:
/// - Vorbis and WMA v2 take at most 48000 Hz; higher rates become 48000;
/// - WMA v2 takes at most two channels; more are mixed down to stereo;
/// - MP3 below 16000 Hz is not carried by the MP4-family containers (MP4,
///   3GP, iPod, PSP); the source's rate is doubled until it is, and with a
///   chosen rate the hidden default MP3 gives way to `aac_encoder`;
/// - the Vorbis encoder refuses a bit rate above what its setups give at
///   the rate and channel count; such a bit rate is capped.
/// Gives the encoder to use: `encoder`, or `aac_encoder` in place of MP3.
std::string FitAudioLimits(TOutputFormat format, std::string encoder, std::string_view aac_encoder,
                           const SourceFacts& source, TCollectedValues& values);

}  // namespace zentrova::app

// Reading the command line's setting values into the options dialog's
// terms: a choice item's index, a clip's marks, a bit rate, the four edges
// of crop and pad.
//
// Every reader accepts the texts a person would type (case does not matter,
// "320x240", "qvga" and "320x240 - qvga" name the same frame size) and
// throws `TUsageError` with a message that names the option, the value and
// what is allowed. Pure functions; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "convert/option_items.h"
#include "convert/output_settings.h"

namespace zentrova::cli {

/// A command line the program cannot run: the message is shown with a hint
/// to `--help` and the program ends with exit code 2.
class TUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// The item of a choice group named by `text`: an item text without regard
/// to case ("mp4", "WebM", "pal", "16:9"). For the frame size also the size
/// alone ("320x240") or its name alone ("qvga"). "auto" names the group's
/// "Auto" item where it has one. `option` names the option in the message.
int ParseChoice(app::TChoice choice, std::string_view text, std::string_view option);

/// The output format whose item text, in lower case, is `extension` without
/// its dot (".webm" gives WebM, ".mp3" MP3); nothing for other extensions.
std::optional<app::TOutputFormat> FormatFromExtension(std::string_view file_name);

/// A bit rate in kb/s: a positive decimal number ("128", "1500", "12.2").
/// Returned as typed, trimmed.
std::string ParseKbps(std::string_view text, std::string_view option);

/// An integer within [min, max].
int ParseIntegerIn(std::string_view text, int min, int max, std::string_view option);

/// A time of the clip in microseconds: seconds ("2.5", "90"), "mm:ss[.fff]"
/// or "hh:mm:ss[.fff]". Not negative.
std::int64_t ParseClipTime(std::string_view text, std::string_view option);

/// "START-END" (times as `ParseClipTime`), START before END.
struct TClipRange {
  std::int64_t Start = 0;  ///< microseconds
  std::int64_t End = 0;
};
TClipRange ParseClipRange(std::string_view text, std::string_view option);

/// An audio track: a number from 1 ("2", returned without leading zeros)
/// or a language code of two or three letters ("fr", "fre", "fra"), as typed.
std::string ParseAudioTrack(std::string_view text, std::string_view option);

/// "none", "keep" or "burn", without regard to case.
app::TSubtitleMode ParseSubtitleMode(std::string_view text, std::string_view option);

/// Four integers "T,B,L,R" (top, bottom, left, right) for crop or pad; each
/// in [-100000, 100000].
app::TEdgeTexts ParseEdges(std::string_view text, std::string_view option);

}  // namespace zentrova::cli

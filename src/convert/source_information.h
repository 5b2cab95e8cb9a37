// Reading a source's information text (the decoder's FileInfoText): the
// five lines the options dialog shows and the video bit rate it takes over.
//
// Pure functions; any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zentrova::app {

/// Shown (or logged by the command line) when no bit rate can be found.
inline constexpr std::string_view kBitRateErrorMessage = "码率信息严重错误!";

struct TSourceInformation {
  /// "视频编码:…", "分辨率:…", "码率:…", "帧数:…", "时长:…"; a line whose
  /// field the stream line does not have is left out.
  std::vector<std::string> Lines;
  /// Text for the video bit-rate edit (kb/s, e.g. " 1000"); empty when the
  /// text gives none, and the edit keeps its value.
  std::string VideoBitRate;
  /// True when the stream line has no bit rate and `VideoBitRate` is the
  /// file's bit rate less its audio streams' known bit rates.
  bool BitRateEstimated = false;
};

/// The fields of a stream line: split at the commas outside parentheses and
/// brackets ("yuv420p(tv, bt709, progressive)" stays one field); blanks are
/// kept.
std::vector<std::string> SplitStreamLine(std::string_view line);

/// Reads the stream line of the first video stream (of the first stream when
/// there is no video): every '*' removed, fields 1, 3, 4 and 5 and the text
/// after "duration:" become the information lines; the first field with
/// " kb/s" gives the video bit rate. A stream line without a bit rate (most
/// Matroska files) takes the file's bit rate less the audio streams' known
/// bit rates, and its fields from the fourth on move down to their places.
TSourceInformation ParseSourceInformation(std::string_view file_info_text);

}  // namespace zentrova::app

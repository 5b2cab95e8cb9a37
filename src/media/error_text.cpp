#include "media/error_text.h"

#include <fmt/format.h>
#include <cstring>
#include <string_view>

#include "media/ff.h"

namespace zentrova {
namespace {

struct TErrorItem {
  int err;
  std::string_view msg;
};

// The library's tagged codes (the same on every platform), then the errno
// codes whose texts are fixed.
constexpr TErrorItem kErrorTable[] = {
    {AVERROR_BSF_NOT_FOUND, "Bitstream filter not found"},
    {AVERROR_BUG, "Internal bug, should not have happened"},
    {AVERROR_BUG2, "Internal bug, should not have happened"},
    {AVERROR_BUFFER_TOO_SMALL, "Buffer too small"},
    {AVERROR_DECODER_NOT_FOUND, "Decoder not found"},
    {AVERROR_DEMUXER_NOT_FOUND, "Demuxer not found"},
    {AVERROR_ENCODER_NOT_FOUND, "Encoder not found"},
    {AVERROR_EOF, "End of file"},
    {AVERROR_EXIT, "Immediate exit requested"},
    {AVERROR_EXTERNAL, "Generic error in an external library"},
    {AVERROR_FILTER_NOT_FOUND, "Filter not found"},
    {AVERROR_INVALIDDATA, "Invalid data found when processing input"},
    {AVERROR_MUXER_NOT_FOUND, "Muxer not found"},
    {AVERROR_OPTION_NOT_FOUND, "Option not found"},
    {AVERROR_PATCHWELCOME, "Not yet implemented in FFmpeg, patches welcome"},
    {AVERROR_PROTOCOL_NOT_FOUND, "Protocol not found"},
    {AVERROR_STREAM_NOT_FOUND, "Stream not found"},
    {AVERROR_UNKNOWN, "Unknown error occurred"},
    {AVERROR_EXPERIMENTAL,
     "Requested feature is flagged experimental. Set strict_std_compliance if you really want to use it."},
    {AVERROR_INPUT_CHANGED,
     "Input changed between calls. Reconfiguration is required. (can be OR-ed with AVERROR_OUTPUT_CHANGED)"},
    {AVERROR_OUTPUT_CHANGED,
     "Output changed between calls. Reconfiguration is required. (can be OR-ed with AVERROR_INPUT_CHANGED)"},
    {AVERROR_HTTP_BAD_REQUEST, "HTTP or RTSP error: bad request(400)"},
    {AVERROR_HTTP_UNAUTHORIZED, "HTTP or RTSP error: unauthorized(401)"},
    {AVERROR_HTTP_FORBIDDEN, "HTTP or RTSP error: forbidden(403)"},
    {AVERROR_HTTP_NOT_FOUND, "HTTP or RTSP error: not found(404)"},
    {AVERROR_HTTP_OTHER_4XX, "HTTP or RTSP error: other error(4xx)"},
    {AVERROR_HTTP_SERVER_ERROR, "HTTP or RTSP error: server error(5xx)"},
    {-2, "No such file or directory"},
    {-3, "No such process"},
    {-4, "Interrupted function call"},
    {-5, "I/O error"},
    {-6, "No such device or address"},
    {-7, "Argument list too long"},
    {-8, "Exec format error"},
    {-9, "Bad file number"},
    {-10, "No child processes"},
    {-11, "Resource temporarily unavailable / Try again"},
    {-12, "Not enough space / Out of memory"},
    {-13, "Permission denied"},
    {-14, "Bad address"},
    {-16, "Device or resource busy"},
    {-17, "File exists"},
    {-18, "Cross-device link"},
    {-19, "No such device"},
    {-20, "Not a directory"},
    {-21, "Is a directory"},
    {-22, "Invalid argument / Invalid data found when processing input"},
    {-23, "Too many open files in system / File table overflow"},
    {-24, "Too many open files"},
    {-25, "Inappropriate I/O control operation / Not a typewriter"},
    {-27, "File too large"},
    {-28, "No space left on device"},
    {-29, "Illegal seek"},
    {-30, "Read-only file system"},
    {-31, "Too many links"},
    {-32, "Broken pipe"},
    {-33, "Math argument out of domain of func"},
    {-34, "Math result not representable"},
};

// The platform's text for other errno codes; empty when it has none.
std::string PlatformErrnoText(int code) {
  if (code >= 0 || code < -133) return {};
  char buffer[256] = {};
  // GNU strerror_r may return a static string instead of filling the buffer.
  const char* text = strerror_r(-code, buffer, sizeof buffer);
  if (!text || std::string_view(text).starts_with("Unknown error")) return {};
  return text;
}

}  // namespace

std::string error_code_text(int code, const std::string& prefix) {
  std::string text;
  for (const TErrorItem& item : kErrorTable) {
    if (item.err == code) {
      text = item.msg;
      break;
    }
  }
  if (text.empty()) text = PlatformErrnoText(code);
  if (text.empty()) text = fmt::format("Error number {} occurred", code);
  return prefix.empty() ? text : prefix + ": " + text;
}

}  // namespace zentrova

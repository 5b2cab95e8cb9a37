// Handlers of the output options that select streams and channels: -map,
// -map_channel, -streamid, -attach. They read the inputs opened so far.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <limits>
#include <fmt/format.h>

#include "engine/custom_ffmpeg_opt.h"
#include "engine/open/input_file.h"
#include "media/error_text.h"
#include "options/option_apply.h"

namespace zentrova {
namespace {

// A leading integer as the C library reads one with base 0: blanks, a sign,
// then "0x" hexadecimal, a leading 0 octal, or decimal. `pos` moves past it;
// no digits give 0 with `pos` unchanged. Out-of-range values saturate.
long long ReadCInteger(std::string_view text, std::size_t& pos) {
  std::size_t i = pos;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
      i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
    base = 16;
    i += 2;
  } else if (i < text.size() && text[i] == '0') {
    base = 8;
  }
  unsigned long long value = 0;
  const auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), value, base);
  if (end == text.data() + i) return 0;
  pos = static_cast<std::size_t>(end - text.data());
  constexpr unsigned long long kMax = static_cast<unsigned long long>(std::numeric_limits<long long>::max());
  if (ec == std::errc::result_out_of_range || value > kMax)
    return negative ? std::numeric_limits<long long>::min() : std::numeric_limits<long long>::max();
  return negative ? -static_cast<long long>(value) : static_cast<long long>(value);
}

// Reads integers separated by the literal characters of `pattern` ('d' marks
// an integer) as the C library's scanf does with "%d": stops at the first
// mismatch and gives the count of integers read. A number beyond 32 bits
// stops the scan.
int ScanIntegers(std::string_view text, std::string_view pattern, std::int32_t* out[]) {
  std::size_t pos = 0;
  int count = 0;
  for (const char p : pattern) {
    if (p != 'd') {
      if (pos >= text.size() || text[pos] != p) return count;
      ++pos;
      continue;
    }
    while (pos < text.size() && (text[pos] == ' ' || (text[pos] >= '\t' && text[pos] <= '\r'))) ++pos;
    std::size_t start = pos;
    if (start < text.size() && text[start] == '+') ++start;
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data() + start, text.data() + text.size(), value);
    if (ec != std::errc() || (start > pos && start < text.size() && text[start] == '-')) return count;
    *out[count++] = value;
    pos = static_cast<std::size_t>(end - text.data());
  }
  return count;
}

bool ParseDecimal(std::string_view text, long long& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return !text.empty() && ec == std::errc() && ptr == end;
}

// The input file index a map part starts with (`pos` moves past it); raises
// "Invalid <what> index" when no input has that index.
int ReadInputFileIndex(TCustomFFmpegOpt& engine, std::string_view text, std::size_t& pos, const char* what) {
  const long long file = ReadCInteger(text, pos);
  if (file < 0 || file >= static_cast<long long>(engine.Finput_files.size()))
    engine.RaiseErrorFmt("Invalid {} index: {}.", what,
                         static_cast<int>(std::clamp<long long>(file, INT32_MIN, INT32_MAX)));
  return static_cast<int>(file);
}

// Whether stream `stream_index` of `ic` matches the stream specifier `spec`;
// a malformed specifier raises.
bool StreamMatches(TCustomFFmpegOpt& engine, AVFormatContext* ic, int stream_index, const std::string& spec) {
  const int ret = ff::avformat_match_stream_specifier(ic, ic->streams[stream_index], spec.c_str());
  if (ret < 0) engine.RaiseError(error_code_text(ret, "check_stream_specifier"));
  return ret > 0;
}

}  // namespace

int TCustomFFmpegOpt::opt_map(Ctx* o, Str, Str arg) {
  std::string map = arg;
  const bool negative = !map.empty() && map.front() == '-';
  if (negative) map.erase(0, 1);
  const std::string map_text = map;  // for messages

  // The sync stream: ",file[:specifier]" after the map.
  int sync_file_index = -1;
  int sync_stream_index = -1;
  if (const std::size_t comma = map.find(','); comma != std::string::npos) {
    const std::string sync = map.substr(comma + 1);
    map.resize(comma);
    std::size_t pos = 0;
    const int file = ReadInputFileIndex(*this, sync, pos, "sync file");
    if (pos < sync.size()) ++pos;  // the ':' before the specifier
    const std::string spec = sync.substr(pos);
    AVFormatContext* ic = Finput_files[file]->ctx.get();
    for (unsigned i = 0; i < ic->nb_streams; ++i) {
      if (StreamMatches(*this, ic, static_cast<int>(i), spec)) {
        sync_stream_index = static_cast<int>(i);
        break;
      }
    }
    if (sync_stream_index < 0)
      RaiseErrorFmt("Sync stream specifier in map {} does not match any streams.", map_text);
    sync_file_index = file;
  }

  bool matched = false;
  bool allow_unused = false;
  if (!map.empty() && map.front() == '[') {
    // A filter graph output: "[label]".
    const char* cursor = map.c_str() + 1;
    AVMemoryPtr<char> label(ff::av_get_token(&cursor, "]"));
    if (!label) RaiseErrorFmt("Invalid output link label: {}.", map);
    TStreamMapping& m = o->map.emplace_back();
    m.linklabel = label.get();
    matched = true;
  } else {
    if (const std::size_t question = map.find('?'); question != std::string::npos) {
      allow_unused = true;
      map.resize(question);
    }
    std::size_t pos = 0;
    const int file = ReadInputFileIndex(*this, map, pos, "input file");
    if (pos < map.size() && map[pos] == ':') ++pos;
    const std::string spec = map.substr(pos);
    AVFormatContext* ic = Finput_files[file]->ctx.get();
    auto matches = [&](int stream_index) { return StreamMatches(*this, ic, stream_index, spec); };
    if (negative) {
      for (TStreamMapping& m : o->map) {
        matched = true;  // a negative map only needs earlier maps to look at
        if (m.file_index == file && m.linklabel.empty() &&
            m.stream_index < static_cast<int>(ic->nb_streams) && matches(m.stream_index))
          m.disabled = 1;
      }
    } else {
      for (unsigned i = 0; i < ic->nb_streams; ++i) {
        if (!matches(static_cast<int>(i))) continue;
        TStreamMapping& m = o->map.emplace_back();
        m.file_index = file;
        m.stream_index = static_cast<int>(i);
        m.sync_file_index = sync_file_index >= 0 ? sync_file_index : m.file_index;
        m.sync_stream_index = sync_file_index >= 0 ? sync_stream_index : m.stream_index;
        matched = true;
      }
    }
  }
  if (!matched) {
    if (!allow_unused)
      RaiseErrorFmt(
          "Stream map \"{}\" matches no streams.\r\nTo ignore this, add a trailing \"?\" to the map.",
          map_text);
    Log(TLogLevel::llVerbose, fmt::format("Stream map \"{}\" matches no streams; ignoring.", map_text));
  }
  return 0;
}

int TCustomFFmpegOpt::opt_map_channel(Ctx* o, Str, Str arg) {
  o->map_channel.emplace_back();
  TChannelMapping m;
  {
    std::int32_t* out[] = {&m.channel_index, &m.out_file_index, &m.out_stream_index};
    const int n = ScanIntegers(arg, "d:d.d", out);
    if ((n == 1 || n == 3) && m.channel_index == -1) {
      m.file_index = m.stream_index = -1;
      if (n == 1) m.out_file_index = m.out_stream_index = -1;
      o->map_channel.back() = m;
      return 0;
    }
  }
  m = TChannelMapping{};
  std::int32_t* out[] = {&m.file_index, &m.stream_index, &m.channel_index, &m.out_file_index,
                         &m.out_stream_index};
  const int n = ScanIntegers(arg, "d.d.d:d.d", out);
  if (n != 3 && n != 5)
    RaiseError("Syntax error, mapchan usage: [file.stream.channel|-1][:syncfile:syncstream]");
  if (n == 3) m.out_file_index = m.out_stream_index = -1;
  o->map_channel.back() = m;

  if (m.file_index < 0 || m.file_index >= static_cast<int>(Finput_files.size()))
    RaiseErrorFmt("mapchan: invalid input file index: {}", m.file_index);
  AVFormatContext* ic = Finput_files[m.file_index]->ctx.get();
  if (m.stream_index < 0 || m.stream_index >= static_cast<int>(ic->nb_streams))
    RaiseErrorFmt("mapchan: invalid input file stream index #{}.{}", m.file_index, m.stream_index);
  const AVCodecParameters* par = ic->streams[m.stream_index]->codecpar;
  if (par->codec_type != AVMEDIA_TYPE_AUDIO)
    RaiseErrorFmt("mapchan: stream #{}.{} is not an audio stream.", m.file_index, m.stream_index);
  if (m.channel_index < 0 || m.channel_index >= par->ch_layout.nb_channels)
    RaiseErrorFmt("mapchan: invalid audio channel #{}.{}.{}", m.file_index, m.stream_index, m.channel_index);
  return 0;
}

int TCustomFFmpegOpt::opt_streamid(Ctx* o, Str opt, Str arg) {
  const std::size_t colon = arg.find(':');
  long long index = 0;
  long long value = 0;
  if (colon == std::string::npos || !ParseDecimal(std::string_view(arg).substr(0, colon), index) ||
      !ParseDecimal(std::string_view(arg).substr(colon + 1), value)) {
    const std::string text =
        fmt::format("Invalid value \"{}\" for option \"{}\", required syntax is \"index:value\"", arg, opt);
    Log(TLogLevel::llError, text);
    last_error_text() = text;
    return AVERROR(EINVAL);
  }
  auto out_of_range = [&](std::string_view part, long long max) {
    const std::string text =
        fmt::format("The value for \"{}\" was \"{}\" which is not within {} - {}", "streamid", part, 0, max);
    Log(TLogLevel::llError, text);
    last_error_text() = text;
    return AVERROR(EINVAL);
  };
  if (index < 0 || index > 1023) return out_of_range(std::string_view(arg).substr(0, colon), 1023);
  if (value < 0 || value > INT32_MAX) return out_of_range(std::string_view(arg).substr(colon + 1), INT32_MAX);
  if (o->streamid.size() < static_cast<std::size_t>(index) + 1)
    o->streamid.resize(static_cast<std::size_t>(index) + 1);
  o->streamid[static_cast<std::size_t>(index)] = static_cast<std::int32_t>(value);
  return 0;
}

int TCustomFFmpegOpt::opt_attach(Ctx* o, Str, Str arg) {
  o->attach.push_back(arg);
  return 0;
}

}  // namespace zentrova

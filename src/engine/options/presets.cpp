// Option bundles: the preset text of an input or output, preset files
// (-apre/-vpre/-spre/-fpre), and the routing of library options into the
// file group that both use.
#include <filesystem>
#include <fmt/format.h>
#include <fstream>
#include <strings.h>

#include "engine/custom_ffmpeg_opt.h"
#include "engine/options/working_dictionaries_aside.h"
#include "log/plain_text.h"
#include "options/dictionary.h"
#include "options/option_apply.h"

namespace zentrova {

/// How `ApplyPresetLines` words its two failure messages.
struct TCustomFFmpegOpt::TPresetMessages {
  std::string syntax_prefix;  ///< before "Invalid syntax: ..."
  std::string option_prefix;  ///< before "Invalid option or argument: ..."
};

namespace {

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (std::size_t pos = 0; (pos = text.find(from, pos)) != std::string::npos; pos += to.size())
    text.replace(pos, from.size(), to);
}

// Every line-break convention (CRLF, CR, LF) as LF.
std::string NormaliseBreaks(std::string_view text) {
  std::string out(text);
  ReplaceAll(out, "\r\n", "\n");
  std::replace(out.begin(), out.end(), '\r', '\n');
  return out;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find('\n', start);
    lines.emplace_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// A preset file's bytes as UTF-8 text: a byte-order mark selects UTF-16
// (either order) or UTF-8; without one the bytes are taken as UTF-8.
std::string DecodeTextFile(const std::string& bytes) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) return bytes.substr(3);
  const bool le = bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE;
  const bool be = bytes.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF;
  if (!le && !be) return bytes;
  std::string out;
  auto unit = [&](std::size_t i) -> char32_t {
    return le ? (byte(i) | (byte(i + 1) << 8)) : ((byte(i) << 8) | byte(i + 1));
  };
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    char32_t c = unit(i);
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size()) {
      const char32_t low = unit(i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      } else {
        c = 0xFFFD;
      }
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;  // an unpaired surrogate
    }
    AppendUtf8(out, c);
  }
  return out;
}

}  // namespace

int TCustomFFmpegOpt::ApplyLibraryOption(TFileOptionContext* o, std::string_view key,
                                         std::string_view value) {
  TOptionGroup& group = (o && o->group) ? *o->group : FOptions.OptionParseContext().file_opts;
  TWorkingDictionariesAside aside(FOptions);
  const int ret = FOptions.opt_default(key, value);
  const int moved = aside.MoveInto(group, 0);
  return ret < 0 ? ret : moved;
}

int TCustomFFmpegOpt::ApplyPresetLines(TFileOptionContext* o, const std::vector<std::string>& lines,
                                       const TPresetMessages& messages) {
  for (const std::string& raw_line : lines) {
    const std::string line(Trim(raw_line));
    if (line.empty() || line.front() == '#') continue;
    const std::size_t eq = line.find('=');
    const std::string key(Trim(std::string_view(line).substr(0, eq)));
    const std::string value(eq == std::string::npos ? std::string_view()
                                                    : Trim(std::string_view(line).substr(eq + 1)));
    if (eq == std::string::npos || key.empty() || value.empty()) {
      const std::string text = fmt::format("{}Invalid syntax: \"{}\"", messages.syntax_prefix, line);
      Log(TLogLevel::llError, text);
      if (HaltOnInvalidOption) {
        last_error_text() = text;
        return AVERROR(EINVAL);
      }
    }
    Log(TLogLevel::llDebug, fmt::format("Applying preset {} with argument {}.", key, value));
    last_error_text().clear();
    int ret = 0;
    if (key.size() == 6 && strcasecmp(key.c_str() + 1, "codec") == 0 &&
        std::string_view("avsd").find(static_cast<char>(std::tolower(static_cast<unsigned char>(key[0])))) !=
            std::string_view::npos) {
      ret = ApplyOption(
          o, fmt::format("codec:{}", static_cast<char>(std::tolower(static_cast<unsigned char>(key[0])))),
          value);
    } else {
      ret = ApplyLibraryOption(o, key, value);
    }
    if (ret < 0) {
      const std::string text = fmt::format("{}Invalid option or argument: \"{}\", parsed as \"{}\" = \"{}\"",
                                           messages.option_prefix, line, key, value);
      Log(TLogLevel::llError, text);
      if (HaltOnInvalidOption) {
        std::string& reason = last_error_text();
        reason = reason.empty() ? text : reason + "\r\n" + text;
        return ret;
      }
    }
  }
  return 0;
}

int TCustomFFmpegOpt::ParsePresets(TFileOptionContext* o, std::string_view presets,
                                   std::string_view kind_text) {
  if (presets.empty()) return 0;
  std::string shown = NormaliseBreaks(presets);
  ReplaceAll(shown, "<CRLF>", "\n");
  ReplaceAll(shown, "\n", "\r\n");
  Log(TLogLevel::llInfo, fmt::format("ParsePresets for {}:\r\n{}", kind_text, shown));

  std::string text = NormaliseBreaks(Trim(presets));
  ReplaceAll(text, "<CRLF>", "\n");
  return ApplyPresetLines(o, SplitLines(text), TPresetMessages{});
}

int TCustomFFmpegOpt::ApplyPresetFile(Ctx* o, Str, Str arg) {
  std::error_code ec;
  const std::filesystem::path path(arg);
  if (arg.empty() || !std::filesystem::is_regular_file(path, ec)) {
    const std::string text = fmt::format("Preset file \"{}\" not found", arg);
    Log(TLogLevel::llError, text);
    last_error_text() = text;
    return AVERROR(EINVAL);
  }
  std::ifstream file(path, std::ios::binary);
  std::string bytes;
  char buffer[4096];
  while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
    bytes.append(buffer, static_cast<std::size_t>(file.gcount()));
    if (bytes.size() > kMaxTextFileBytes) break;  // a device or an endless file
  }
  if (!file.is_open() || file.bad() || bytes.size() > kMaxTextFileBytes) {
    const std::string text = fmt::format("Preset file \"{}\" cannot be read", arg);
    Log(TLogLevel::llError, text);
    last_error_text() = text;
    return AVERROR(EINVAL);
  }
  Log(TLogLevel::llInfo, fmt::format("Parse preset file: {}", arg));
  const TPresetMessages messages{fmt::format("{}: ", arg), fmt::format("{}: ", path.filename().string())};
  return ApplyPresetLines(o, SplitLines(NormaliseBreaks(DecodeTextFile(bytes))), messages);
}

}  // namespace zentrova

#include "options/loglevel_option.h"

#include <fmt/format.h>
#include <array>
#include <charconv>
#include <optional>

#include "log/logger.h"
#include "media/ff.h"
#include "options/option_apply.h"
#include "options/library_log.h"

namespace zentrova {
namespace {

struct TLevelName {
  std::string_view name;
  int level;
};

constexpr std::array<TLevelName, 9> kLevelNames = {{{"quiet", -8},
                                                    {"panic", 0},
                                                    {"fatal", 8},
                                                    {"error", 16},
                                                    {"warning", 24},
                                                    {"info", 32},
                                                    {"verbose", 40},
                                                    {"debug", 48},
                                                    {"trace", 56}}};

// The library level of a level word or a whole base-10 number ("" reads 0).
std::optional<int> LevelOf(std::string_view text) {
  for (const TLevelName& l : kLevelNames)
    if (text == l.name) return l.level;
  if (text.empty()) return 0;
  int level = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), level, 10);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return level;
}

}  // namespace

int set_loglevel(std::string_view /*opt*/, std::string_view arg) {
  TZOVuzodi* logger = DefaultLogger();
  const bool repeat = arg.find("repeat") != std::string_view::npos;
  int flags = ff::av_log_get_flags ? ff::av_log_get_flags() : logger->LogFlags();
  flags = repeat ? (flags & ~AV_LOG_SKIP_REPEATED) : (flags | AV_LOG_SKIP_REPEATED);
  logger->SetLogFlags(flags);

  std::string_view rest = arg;
  if (rest.starts_with("repeat")) {
    rest.remove_prefix(6);
    if (rest.starts_with('+')) rest.remove_prefix(1);
  }
  if (repeat && rest.empty()) return 0;

  if (const std::optional<int> level = LevelOf(rest)) {
    logger->SetLogLevel(LogLevelFromLibrary(*level));
    return 0;
  }
  std::string message = fmt::format("Invalid loglevel \"{}\". Possible levels are numbers or:\r\n", arg);
  for (const TLevelName& l : kLevelNames) message += fmt::format("\"{}\"\r\n", l.name);
  last_error_text() = message;
  std::string line = message;
  for (std::size_t p = line.find("\r\n"); p != std::string::npos; p = line.find("\r\n", p)) line.erase(p, 1);
  LibraryLog(kLibraryError, line);
  return AVERROR(EINVAL);
}

void prescan_loglevel(std::span<const std::string> args, TOptionTable options) {
  int index = find_option_index(args, options, "loglevel");
  check_option_table(options);
  if (index < 0) index = find_option_index(args, options, "v");
  if (index >= 0 && static_cast<std::size_t>(index) + 1 < args.size())
    set_loglevel("loglevel", args[static_cast<std::size_t>(index) + 1]);
}

}  // namespace zentrova

#include "cli/setting_values.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

#include "convert/language_codes.h"
#include "convert/number_text.h"
#include "log/plain_text.h"
#include "media/time_base.h"

namespace zentrova::cli {
namespace {

// Far beyond any clip; keeps the arithmetic below clear of overflow.
constexpr std::int64_t kMaxClipSeconds = 1000LL * 3600;

// An item names itself; a frame-size item "320x240 - qvga" also its two halves.
bool ItemMatches(std::string_view item, std::string_view text) {
  if (EqualsIgnoringCase(item, text)) return true;
  const std::size_t dash = item.find(" - ");
  if (dash == std::string_view::npos) return false;
  return EqualsIgnoringCase(item.substr(0, dash), text) || EqualsIgnoringCase(item.substr(dash + 3), text);
}

std::string ItemList(app::TChoice choice) {
  std::string list;
  for (std::string_view item : app::ChoiceGroup(choice).Items) {
    if (!list.empty()) list += ", ";
    const std::size_t dash = item.find(" - ");
    list += dash == std::string_view::npos ? item : item.substr(0, dash);
  }
  return list;
}

bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "[digits][.digits]" as microseconds; nothing for anything else.
std::optional<std::int64_t> SecondsText(std::string_view text) {
  const std::size_t dot = text.find('.');
  const std::string_view whole = text.substr(0, dot);
  const std::string_view fraction = dot == std::string_view::npos ? std::string_view{} : text.substr(dot + 1);
  if (whole.empty() && fraction.empty()) return std::nullopt;
  if (!whole.empty() && !AllDigits(whole)) return std::nullopt;
  if (dot != std::string_view::npos && !AllDigits(fraction)) return std::nullopt;
  std::int64_t seconds = 0;
  if (!whole.empty()) {
    const auto [end, error] = std::from_chars(whole.data(), whole.data() + whole.size(), seconds);
    if (error != std::errc{} || end != whole.data() + whole.size() || seconds > kMaxClipSeconds)
      return std::nullopt;
  }
  std::int64_t micro = 0;
  std::int64_t scale = kMicrosecondsPerSecond / 10;
  for (std::size_t i = 0; i < fraction.size() && scale > 0; ++i, scale /= 10)
    micro += (fraction[i] - '0') * scale;
  return seconds * kMicrosecondsPerSecond + micro;
}

std::optional<std::int64_t> WholeNumber(std::string_view text) {
  if (!AllDigits(text) || text.size() > 9) return std::nullopt;
  std::int64_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

}  // namespace

int ParseChoice(app::TChoice choice, std::string_view text, std::string_view option) {
  const std::string_view trimmed = Trim(text, kBlanks);
  const auto& items = app::ChoiceGroup(choice).Items;
  for (std::size_t i = 0; i < items.size(); ++i)
    if (ItemMatches(items[i], trimmed)) return static_cast<int>(i);
  throw TUsageError(fmt::format("{}: \"{}\" is not one of: {}", option, text, ItemList(choice)));
}

std::optional<app::TOutputFormat> FormatFromExtension(std::string_view file_name) {
  const std::size_t slash = file_name.find_last_of('/');
  const std::string_view name = slash == std::string_view::npos ? file_name : file_name.substr(slash + 1);
  const std::size_t dot = name.find_last_of('.');
  if (dot == std::string_view::npos || dot + 1 == name.size()) return std::nullopt;
  const std::string extension = LowerAscii(name.substr(dot + 1));
  const auto& items = app::kOutputFormatItems;
  for (std::size_t i = 0; i < items.size(); ++i)
    if (LowerAscii(items[i]) == extension) return static_cast<app::TOutputFormat>(i);
  return std::nullopt;
}

std::string ParseKbps(std::string_view text, std::string_view option) {
  const std::string_view trimmed = Trim(text, kBlanks);
  double value = 0;
  const auto [end, error] =
      std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value, std::chars_format::fixed);
  if (trimmed.empty() || error != std::errc{} || end != trimmed.data() + trimmed.size() ||
      !std::isfinite(value) || value <= 0 || value > 1e6 || trimmed.front() == '-' || trimmed.front() == '+')
    throw TUsageError(
        fmt::format("{}: \"{}\" is not a bit rate (a positive number of kb/s, such as 128)", option, text));
  return std::string(trimmed);
}

int ParseIntegerIn(std::string_view text, int min, int max, std::string_view option) {
  const std::optional<int> value = app::ParseDecimalInteger(text);
  if (!value || *value < min || *value > max)
    throw TUsageError(fmt::format("{}: \"{}\" is not a whole number from {} to {}", option, text, min, max));
  return *value;
}

std::int64_t ParseClipTime(std::string_view text, std::string_view option) {
  const std::string_view trimmed = Trim(text, kBlanks);
  std::vector<std::string_view> parts;
  std::size_t from = 0;
  for (;;) {
    const std::size_t colon = trimmed.find(':', from);
    parts.push_back(trimmed.substr(from, colon == std::string_view::npos ? colon : colon - from));
    if (colon == std::string_view::npos) break;
    from = colon + 1;
  }
  std::optional<std::int64_t> result;
  if (parts.size() <= 3) {
    result = SecondsText(parts.back());
    std::int64_t unit = 60;
    for (std::size_t i = parts.size() - 1; result && i-- > 0; unit *= 60) {
      const std::optional<std::int64_t> count = WholeNumber(parts[i]);
      if (!count || *count > kMaxClipSeconds / unit) {
        result.reset();
        break;
      }
      *result += *count * unit * kMicrosecondsPerSecond;
    }
  }
  if (!result)
    throw TUsageError(
        fmt::format("{}: \"{}\" is not a time (seconds such as 2.5, or [hh:]mm:ss[.fff])", option, text));
  return *result;
}

TClipRange ParseClipRange(std::string_view text, std::string_view option) {
  const std::size_t dash = text.find('-');
  if (dash == std::string_view::npos || text.find('-', dash + 1) != std::string_view::npos)
    throw TUsageError(fmt::format("{}: \"{}\" is not a range START-END (such as 2.5-7.5)", option, text));
  TClipRange range{ParseClipTime(text.substr(0, dash), option), ParseClipTime(text.substr(dash + 1), option)};
  if (range.Start >= range.End)
    throw TUsageError(fmt::format("{}: \"{}\" ends before it starts", option, text));
  return range;
}

std::string ParseAudioTrack(std::string_view text, std::string_view option) {
  const std::string_view trimmed = Trim(text, kBlanks);
  if (const std::optional<std::int64_t> number = WholeNumber(trimmed); number && *number >= 1)
    return std::to_string(*number);
  if (app::LooksLikeLanguageCode(trimmed)) return std::string(trimmed);
  throw TUsageError(fmt::format(
      "{}: \"{}\" is neither a track number (1, 2, ...) nor a language code (such as fr, fre or fra)", option,
      text));
}

app::TSubtitleMode ParseSubtitleMode(std::string_view text, std::string_view option) {
  static constexpr std::array<std::pair<std::string_view, app::TSubtitleMode>, 3> kModes{{
      {"none", app::TSubtitleMode::smNone},
      {"keep", app::TSubtitleMode::smKeep},
      {"burn", app::TSubtitleMode::smBurn},
  }};
  for (const auto& [word, mode] : kModes)
    if (EqualsIgnoringCase(Trim(text, kBlanks), word)) return mode;
  throw TUsageError(fmt::format("{}: \"{}\" is not one of: none, keep, burn", option, text));
}

app::TEdgeTexts ParseEdges(std::string_view text, std::string_view option) {
  std::vector<std::string> values;
  std::size_t from = 0;
  for (;;) {
    const std::size_t comma = text.find(',', from);
    const std::string_view part = text.substr(from, comma == std::string_view::npos ? comma : comma - from);
    const std::optional<int> value = app::ParseDecimalInteger(part);
    if (!value || *value < -100000 || *value > 100000) break;
    values.push_back(std::to_string(*value));
    if (comma == std::string_view::npos) break;
    from = comma + 1;
  }
  const bool complete = values.size() == 4 && std::count(text.begin(), text.end(), ',') == 3;
  if (!complete)
    throw TUsageError(fmt::format(
        "{}: \"{}\" is not four whole numbers TOP,BOTTOM,LEFT,RIGHT (such as 10,10,0,0)", option, text));
  return app::TEdgeTexts{values[0], values[1], values[2], values[3]};
}

}  // namespace zentrova::cli

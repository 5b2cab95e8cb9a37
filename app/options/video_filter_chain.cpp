#include "app/options/video_filter_chain.h"

#include <fmt/format.h>
#include <numbers>
#include <vector>

#include "app/options/filter_escape.h"
#include "app/options/library_names.h"
#include "app/options/number_text.h"

namespace zentrova::app {
namespace {

struct TEdges {
  int Top = 0, Bottom = 0, Left = 0, Right = 0;
  bool AnyPositive() const { return Top > 0 || Bottom > 0 || Left > 0 || Right > 0; }
};

TEdges ReadEdges(const TEdgeTexts& texts) {
  return {ParseDecimalInteger(texts.Top).value_or(0), ParseDecimalInteger(texts.Bottom).value_or(0),
          ParseDecimalInteger(texts.Left).value_or(0), ParseDecimalInteger(texts.Right).value_or(0)};
}

// The picture's path is escaped for the movie filter's options and for the
// graph, so any file name reaches the filter as it is: the local file (a ':'
// is no protocol), read as one picture by its content (a "%d" in the name is
// no image sequence, and no playlist can hide behind the name).
std::string WatermarkGraph(const std::string& chain, const std::string& picture) {
  const std::string movie =
      fmt::format("movie={}:f=image2pipe [watermark]",
                  EscapeFilterGraphText(EscapeFilterOptionValue(LocalFileUrl(picture))));
  constexpr std::string_view kOverlay = "[watermark] overlay=main_w-overlay_w-10:10";
  if (chain.empty()) return fmt::format("{}; [in] {} [out]", movie, kOverlay);
  return fmt::format("{}; [in] {} [main]; [main] {} [out]", movie, chain, kOverlay);
}

}  // namespace

std::string CropFilter(const OutputSettings& settings, const SourceFacts& source) {
  if (!settings.Crop || !source.HasVideo()) return {};
  const TEdges crop = ReadEdges(settings.CropEdges);
  if (!crop.AnyPositive()) return {};
  // 64-bit sizes: absurd edits cannot overflow; the filter reports sizes it cannot use.
  const long long width = static_cast<long long>(source.Width) - crop.Left - crop.Right;
  const long long height = static_cast<long long>(source.Height) - crop.Top - crop.Bottom;
  return fmt::format("crop={}:{}:{}:{}", width, height, crop.Left, crop.Top);
}

std::string PadFilter(const OutputSettings& settings, const SourceFacts& source) {
  if (!settings.Pad || !source.HasVideo()) return {};
  long long width = source.Width;
  long long height = source.Height;
  if (settings.Crop) {
    const TEdges crop = ReadEdges(settings.CropEdges);
    if (crop.AnyPositive()) {
      width -= static_cast<long long>(crop.Left) + crop.Right;
      height -= static_cast<long long>(crop.Top) + crop.Bottom;
    }
  }
  TEdges pad = ReadEdges(settings.PadEdges);
  for (int* v : {&pad.Top, &pad.Bottom, &pad.Left, &pad.Right}) *v = *v / 2 * 2;
  if (!pad.AnyPositive()) return {};
  return fmt::format("pad={}:{}:{}:{}:blue", width + pad.Left + pad.Right, height + pad.Top + pad.Bottom,
                     pad.Left, pad.Top);
}

std::string HueFilter(const OutputSettings& settings) {
  std::string parts;
  if (settings.Brightness) parts += ":b=" + DecimalText(settings.BrightnessPosition / 10.0);
  if (settings.Saturation) parts += ":s=" + DecimalText(settings.SaturationPosition / 10.0);
  if (settings.Hue) parts += ":H=" + DecimalText(settings.HuePosition / 100.0 * std::numbers::pi);
  if (parts.empty()) return {};
  return "hue=" + parts.substr(1);
}

std::string BuildVideoFilterChain(const OutputSettings& settings, const SourceFacts& source,
                                  std::string_view frame_size,
                                  const std::function<bool(const std::string&)>& file_exists) {
  std::vector<std::string> filters;
  auto add = [&filters](std::string filter) {
    if (!filter.empty()) filters.push_back(std::move(filter));
  };
  add(CropFilter(settings, source));
  add(PadFilter(settings, source));
  if (!frame_size.empty() && source.HasVideo()) {
    std::string size(frame_size);
    if (const auto x = size.find('x'); x != std::string::npos) size[x] = ':';
    add("scale=" + size);
  }
  if (settings.VertFlip) add("vflip");
  if (settings.HoriFlip) add("hflip");
  if (settings.Deinterlace) add("yadif");
  if (settings.Negate) add("negate");
  if (settings.Rotate) {
    const int degrees = ParseDecimalInteger(settings.RotateText).value_or(45);
    add("rotate=" + DecimalText(degrees / 180.0 * std::numbers::pi));
  }
  add(HueFilter(settings));

  std::string chain;
  for (const std::string& filter : filters) chain += (chain.empty() ? "" : ",") + filter;
  if (settings.WaterMark && !settings.WaterMarkFile.empty() && file_exists &&
      file_exists(settings.WaterMarkFile)) {
    chain = WatermarkGraph(chain, settings.WaterMarkFile);
  }
  return chain;
}

}  // namespace zentrova::app

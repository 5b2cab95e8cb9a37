#include "app/options/video_filter_chain.h"

#include <fmt/format.h>
#include <numbers>
#include <vector>

#include "app/options/filter_escape.h"
#include "app/options/frame_size_fit.h"
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
// graph, so any file name reaches the filter as it is.
std::string WatermarkGraph(const std::string& chain, const std::string& picture) {
  const std::string movie =
      fmt::format("movie={} [watermark]", EscapeFilterGraphText(EscapeFilterOptionValue(picture)));
  constexpr std::string_view kOverlay = "[watermark] overlay=main_w-overlay_w-10:10";
  if (chain.empty()) return fmt::format("{}; [in] {} [out]", movie, kOverlay);
  return fmt::format("{}; [in] {} [main]; [main] {} [out]", movie, chain, kOverlay);
}

// The picture's size after crop and pad, as the filters compute it.
TFrameSize SizeAfterCropAndPad(const OutputSettings& settings, const SourceFacts& source) {
  TFrameSize size{source.Width, source.Height};
  if (settings.Crop) {
    const TEdges crop = ReadEdges(settings.CropEdges);
    if (crop.AnyPositive()) {
      size.Width -= static_cast<long long>(crop.Left) + crop.Right;
      size.Height -= static_cast<long long>(crop.Top) + crop.Bottom;
    }
  }
  if (!PadFilter(settings, source).empty()) {
    TEdges pad = ReadEdges(settings.PadEdges);
    size.Width += static_cast<long long>(pad.Left / 2 * 2) + pad.Right / 2 * 2;
    size.Height += static_cast<long long>(pad.Top / 2 * 2) + pad.Bottom / 2 * 2;
  }
  return size;
}

}  // namespace

std::string ScaleFilters(const OutputSettings& settings, const SourceFacts& source,
                         std::string_view frame_size, int size_multiple) {
  if (!source.HasVideo()) return {};
  if (!frame_size.empty()) {
    // A chosen size that the codec cannot take is rounded; the scaler keeps the aspect.
    const std::optional<TFrameSize> chosen = ParseFrameSize(frame_size);
    if (chosen && size_multiple > 0) {
      const TFrameSize fitted = FitFrameSize(*chosen, size_multiple);
      return fmt::format("scale={}:{}", fitted.Width, fitted.Height);
    }
    std::string size(frame_size);
    if (const auto x = size.find('x'); x != std::string::npos) size[x] = ':';
    return "scale=" + size;
  }
  const TFrameSize size = SizeAfterCropAndPad(settings, source);
  constexpr long long kLargestSide = 100000;
  if (size_multiple <= 0 || size.Width <= 0 || size.Height <= 0 || size.Width > kLargestSide ||
      size.Height > kLargestSide)
    return {};
  const TFrameSize fitted = FitFrameSize(size, size_multiple);
  if (fitted == size) return {};
  return fmt::format("scale={}:{},setsar={}", fitted.Width, fitted.Height,
                     KeptAspectSar(size, fitted, source.SarNum, source.SarDen));
}

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
                                  std::string_view frame_size, int size_multiple,
                                  const std::function<bool(const std::string&)>& file_exists) {
  std::vector<std::string> filters;
  auto add = [&filters](std::string filter) {
    if (!filter.empty()) filters.push_back(std::move(filter));
  };
  // Fields are woven apart before anything moves or scales lines.
  if (source.HasVideo() && source.Interlaced && !settings.Deinterlace) add("yadif=deint=interlaced");
  add(CropFilter(settings, source));
  add(PadFilter(settings, source));
  add(ScaleFilters(settings, source, frame_size, size_multiple));
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

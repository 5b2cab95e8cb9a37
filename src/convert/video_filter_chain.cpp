#include "convert/video_filter_chain.h"

#include <fmt/format.h>
#include <numbers>
#include <optional>
#include <vector>

#include "convert/filter_escape.h"
#include "convert/frame_size_fit.h"
#include "convert/library_names.h"
#include "convert/number_text.h"

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
  // A picture wider than a quarter of the output is scaled down to that
  // width, keeping its shape; a smaller one keeps its size. In scale2ref,
  // iw/ih are the reference's (the output picture, passed through) and
  // main_* the scaled picture's own.
  constexpr std::string_view kFitAndOverlay =
      "[watermark] [main] scale2ref=w=min(main_w\\,iw/4):h=ow/main_a [mark] [base]; "
      "[base] [mark] overlay=main_w-overlay_w-10:10 [out]";
  return fmt::format("{}; [in] {} [main]; {}", movie, chain.empty() ? "null" : chain, kFitAndOverlay);
}

// The source's picture size after the crop (the source's size when nothing is cropped).
// 64-bit sizes: absurd edits cannot overflow; the filters report sizes they cannot use.
TFrameSize SizeAfterCrop(const OutputSettings& settings, const SourceFacts& source) {
  TFrameSize size{source.Width, source.Height};
  if (!settings.Crop) return size;
  const TEdges crop = ReadEdges(settings.CropEdges);
  if (crop.AnyPositive()) {
    size.Width -= static_cast<long long>(crop.Left) + crop.Right;
    size.Height -= static_cast<long long>(crop.Top) + crop.Bottom;
  }
  return size;
}

// The pad edits made even by truncation (5 gives 4, -3 gives -2); nothing
// when padding is off, the source has no video or no value is positive.
std::optional<TEdges> EvenPad(const OutputSettings& settings, const SourceFacts& source) {
  if (!settings.Pad || !source.HasVideo()) return std::nullopt;
  TEdges pad = ReadEdges(settings.PadEdges);
  for (int* v : {&pad.Top, &pad.Bottom, &pad.Left, &pad.Right}) *v = *v / 2 * 2;
  if (!pad.AnyPositive()) return std::nullopt;
  return pad;
}

// The picture's size after crop and pad, as the filters compute it.
TFrameSize SizeAfterCropAndPad(const OutputSettings& settings, const SourceFacts& source) {
  TFrameSize size = SizeAfterCrop(settings, source);
  if (const std::optional<TEdges> pad = EvenPad(settings, source)) {
    size.Width += static_cast<long long>(pad->Left) + pad->Right;
    size.Height += static_cast<long long>(pad->Top) + pad->Bottom;
  }
  return size;
}

}  // namespace

std::string ScaleFilters(const OutputSettings& settings, const SourceFacts& source,
                         std::string_view frame_size, int size_multiple) {
  if (!source.HasVideo()) return {};
  if (!frame_size.empty()) {
    // A chosen size the codec cannot take is rounded down; the scaler carries the sample aspect.
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
  const TFrameSize size = SizeAfterCrop(settings, source);
  return fmt::format("crop={}:{}:{}:{}", size.Width, size.Height, crop.Left, crop.Top);
}

std::string PadFilter(const OutputSettings& settings, const SourceFacts& source) {
  const std::optional<TEdges> pad = EvenPad(settings, source);
  if (!pad) return {};
  const TFrameSize size = SizeAfterCropAndPad(settings, source);
  return fmt::format("pad={}:{}:{}:{}:blue", size.Width, size.Height, pad->Left, pad->Top);
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
                                  const std::function<bool(const std::string&)>& file_exists,
                                  std::string_view subtitles_filter) {
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
  add(std::string(subtitles_filter));

  std::string chain;
  for (const std::string& filter : filters) chain += (chain.empty() ? "" : ",") + filter;
  if (settings.WaterMark && !settings.WaterMarkFile.empty() && file_exists &&
      file_exists(settings.WaterMarkFile)) {
    chain = WatermarkGraph(chain, settings.WaterMarkFile);
  }
  return chain;
}

}  // namespace zentrova::app

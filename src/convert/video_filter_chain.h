// The -vf filter chain of an output: crop, pad, scale, flips, deinterlace,
// negate, rotate, the picture adjustment and the watermark overlay.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "convert/output_settings.h"
#include "convert/source_facts.h"

namespace zentrova::app {

/// The crop filter ("crop=w:h:x:y"), or empty when cropping is off, the
/// source has no video or no crop value is positive. Non-numbers count as 0.
std::string CropFilter(const OutputSettings& settings, const SourceFacts& source);

/// The pad filter ("pad=w:h:x:y:blue") around the picture left by the crop,
/// or empty when padding is off, the source has no video or no pad value is
/// positive. Pad values are made even by truncation (5 gives 4, -3 gives -2).
std::string PadFilter(const OutputSettings& settings, const SourceFacts& source);

/// The scaling of the picture, or empty: the chosen `frame_size`
/// ("320x240", rounded down to a multiple of `size_multiple` when that is
/// positive), else, when the picture left by crop and pad has a side that
/// is not a multiple of `size_multiple`, that size rounded down with a
/// "setsar" that keeps its display aspect. Empty when the source has no video.
std::string ScaleFilters(const OutputSettings& settings, const SourceFacts& source,
                         std::string_view frame_size, int size_multiple);

/// "hue=b=…:s=…:H=…" for the checked adjustments, or empty.
std::string HueFilter(const OutputSettings& settings);

/// The whole chain as filter-graph text (not yet quoted for the option
/// string; see QuoteForOptionSplitter), or empty when no filter applies.
/// `frame_size` is the output size ("320x240") after the format's rules,
/// empty for the source's size; `size_multiple` what the encoder needs the
/// sides to be a multiple of (see FrameSizeMultiple; 0: no rule). An
/// interlaced source gets its interlaced frames deinterlaced first unless
/// the Deinterlace box asks for every frame. The watermark takes part only
/// when `file_exists` says its file exists; it goes 10 pixels from the top
/// right corner, scaled down (keeping its shape) to at most a quarter of
/// the output's width. `subtitles_filter` (burnt subtitles, see
/// track_selection.h) is drawn after the other filters, under the watermark.
std::string BuildVideoFilterChain(const OutputSettings& settings, const SourceFacts& source,
                                  std::string_view frame_size, int size_multiple,
                                  const std::function<bool(const std::string&)>& file_exists,
                                  std::string_view subtitles_filter = {});

}  // namespace zentrova::app

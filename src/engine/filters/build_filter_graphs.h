// Building filter graphs (used by the output opener and by the transcode
// set-up through `TCustomFFmpegOpt::ConfigureFilterGraph`).
//
// Threads: the thread that opens the files, or the task's worker when a
// graph is rebuilt; never both at once for one engine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/custom_ffmpeg_opt.h"

namespace zentrova {

/// Binds the inputs and outputs of every declared complex graph that is not
/// bound yet: inputs to input streams (by label or the first unused stream
/// of the pad's type), outputs left pending for the output opener. 0 or the
/// first error (parse errors are returned; binding errors raise).
int InitComplexFilters(TCustomFFmpegOpt& engine);

/// Builds every complex graph that has no library graph yet; 0 or the first error.
int ConfigureComplexFilters(TCustomFFmpegOpt& engine);

/// The name of a graph pad: the filter instance's name, plus ':' and the
/// pad's name when the instance has more than one pad on that side.
std::string DescribeFilterLink(const AVFilterInOut* link, bool input);

/// Appends filter `filter_name` (instance `instance_name`, arguments `args`,
/// none when empty) after `*last` pad `*pad` and makes it the last filter.
/// 0 or a negative library code.
int InsertFilter(AVFilterContext** last, int* pad, const char* filter_name, const std::string& instance_name,
                 const std::string& args);

/// Appends "trim" (video) or "atrim" (audio) named `instance_name` limiting
/// to `duration_us` (INT64_MAX: none) from `start_us` (no value: none);
/// nothing when neither is given.
int InsertTrim(AVFilterContext** last, int* pad, const std::string& instance_name, std::int64_t duration_us,
               std::int64_t start_us);

/// Creates the sink of one graph output and the filters before it.
int ConfigureOutputFilter(TCustomFFmpegOpt& engine, TFilterGraph& fg, TOutputFilter& ofilter,
                          AVFilterInOut* out);

/// Prepares the canvas a subtitle stream is drawn on before it feeds a video
/// pad: the decoder's size, else the largest video of the same input, else
/// at least 720x576; BGRA pixels. 0 or AVERROR(ENOMEM).
int Sub2VideoPrepare(TCustomFFmpegOpt& engine, TInputStream& ist);

/// The format argument texts the output filters use: "a|b|c" lists of what
/// the encoder accepts, or the one value set in the encoder context.
std::optional<std::string> ChoosePixelFormats(TCustomFFmpegOpt& engine, TOutputStream& ost);
std::optional<std::string> ChooseSampleFormats(const TOutputStream& ost);
std::optional<std::string> ChooseSampleRates(const TOutputStream& ost);
std::optional<std::string> ChooseChannelLayouts(const TOutputStream& ost);

/// `target` when the encoder supports it, else the best format it supports
/// (with a warning when a format was asked for).
AVPixelFormat ChoosePixelFormat(TCustomFFmpegOpt& engine, const AVCodecContext* enc_ctx, const AVCodec* codec,
                                AVPixelFormat target);

}  // namespace zentrova

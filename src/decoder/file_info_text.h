// The multi-line description of an opened media file (`FileInfoText`).
// Reads the format context only; needs avcodec, avformat and avutil bound.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "media/av_types.h"

namespace zentrova {

/// The display aspect of a `width` × `height` picture with sample aspect
/// `sar`, reduced to terms of at most 1048576; 0/1 when `sar` has a zero
/// numerator or the picture no height (products in 64 bits).
AVRational DisplayAspect(int width, int height, AVRational sar);

/// The description lines of `file`: file name, format names, size (from
/// `file_size_bytes`), tags, duration/start/bit rate, chapters, programs with
/// their streams, "No Program" when programs leave streams out, and every
/// stream not shown yet.
std::vector<std::string> BuildFileInfoLines(AVFormatContext* file, std::int64_t file_size_bytes);

/// The lines joined with "\r\n".
std::string BuildFileInfoText(AVFormatContext* file, std::int64_t file_size_bytes);

}  // namespace zentrova

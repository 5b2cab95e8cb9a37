// Whether a source's pictures are interlaced: its first video stream's field
// order says so, or, for a stream whose field order is unknown (MPEG-4 Part 2,
// Motion JPEG and others leave it so), one of its first decoded pictures is
// flagged interlaced.
//
// The thread of the decoder it is given (it uses the decoder component).
#pragma once

namespace zentrova {
class TCustomDecoder;
}

namespace zentrova::app {

/// How many pictures from the start are decoded to look for the flag.
inline constexpr int kInterlaceProbePictures = 50;

/// Reads the field order of `decoder`'s first video stream; only when that is
/// unknown, decodes up to kInterlaceProbePictures pictures of
/// the same file with a decoder of its own, so `decoder`'s position is left
/// alone. False for a source without video or one that cannot be decoded.
bool SourceLooksInterlaced(TCustomDecoder& decoder);

}  // namespace zentrova::app

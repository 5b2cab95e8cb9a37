// The sample clip of `zentrova-cli --demo`: test pictures and a tone made by
// the media libraries' own synthetic sources, so a first run needs no media
// of its own. (The test suite has a fuller generator; this one is part of
// the program, also in builds without tests.)
//
// Needs the encoder's media libraries loaded. Main thread or any other, one
// call at a time per file.
#pragma once

#include <string>

namespace zentrova::cli {

/// Writes an MP4 of `seconds` seconds to `path`: testsrc2 pictures (640x360,
/// 25 fps) in H.264 (MPEG-4 Part 2 when the library has no H.264 encoder)
/// and a 440 Hz stereo tone in MP3 (AAC without an MP3 encoder). The clip is
/// written to "<path>.partial" and renamed when complete. Throws
/// std::runtime_error naming the step and the library's error; nothing is
/// left behind then.
void MakeDemoClip(const std::string& path, double seconds);

}  // namespace zentrova::cli

// The streams of a clip being written (internal to tests/media).
//
// A track adds its stream to the output context when it is made (the
// encoder is opened then, so the header can be written), and later writes
// its packets in steps so that the writer can keep the streams interleaved
// by time. Ownership: a track owns its encoder and source; the stream
// belongs to the output context, which must outlive the track.
// Threads: one thread at a time.
#pragma once

#include <memory>

#include "media/ff.h"
#include "media/test_media.h"

namespace zentrova::test {

class ClipTrack {
 public:
  virtual ~ClipTrack() = default;
  /// Presentation time in seconds of what the next Step writes.
  virtual double NextTime() const = 0;
  /// True when everything, including the encoder's delayed packets, is written.
  virtual bool Finished() const = 0;
  /// Encodes the next frame or cue and writes the packets it yields; after
  /// the last frame also drains the encoder. Throws std::runtime_error.
  virtual void Step() = 0;
  /// The stream this track writes.
  virtual AVStream* Stream() const = 0;
};

/// testsrc2 pictures: round(duration_s * rate) frames.
std::unique_ptr<ClipTrack> MakeVideoTrack(AVFormatContext* oc, const VideoSpec& spec, double duration_s);
/// One testsrc2 picture in PNG, marked as the clip's attached picture.
std::unique_ptr<ClipTrack> MakeCoverArtTrack(AVFormatContext* oc);
/// One testsrc2 picture of the given size encoded as PNG (for attachments).
std::string EncodePngPicture(int width, int height);
/// Adds an attachment stream (extradata holds the bytes) to a Matroska output.
void AddAttachment(AVFormatContext* oc, const AttachmentSpec& attachment);
/// A sine tone: round(duration_s * sample_rate) samples.
std::unique_ptr<ClipTrack> MakeAudioTrack(AVFormatContext* oc, const AudioSpec& spec, double duration_s);
enum class TSubtitleKind { Text, Bitmap };
/// Cues, one per started second, each lasting up to one second: text
/// "Subtitle N", or a white 144x16 bar at (8, 88) of a 160x120 canvas as DVD subtitles.
std::unique_ptr<ClipTrack> MakeSubtitleTrack(AVFormatContext* oc, int number, double duration_s,
                                             TSubtitleKind kind);

}  // namespace zentrova::test

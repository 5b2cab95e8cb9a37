// Reading a converted file back with the decoder component: its streams as
// the demuxer the decoder opened reports them, and its playing time, from the
// container or measured by decoding every picture and sample.
#pragma once

#include <string>
#include <vector>

#include "media/ff.h"

namespace zentrova::test {

struct ReadStream {
  AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
  std::string codec;  ///< the codec's short name ("h264", "mp2", "png")
  int width = 0, height = 0;
  std::string pix_fmt;  ///< video: pixel format name
  AVRational sar{0, 1};
  int sample_rate = 0, channels = 0;
  bool attached_picture = false;
  std::string mimetype;  ///< the stream's "mimetype" tag (Matroska attachments)

  /// The display aspect (width x sample aspect / height); the storage aspect without a sample aspect.
  double DisplayAspect() const;
};

struct ReadFile {
  std::string format;  ///< the demuxer's short name list
  std::vector<ReadStream> streams;
  double container_duration_s = -1;  ///< -1: the container gives none

  /// The streams of `type`, attached pictures apart.
  std::vector<const ReadStream*> Moving(AVMediaType type) const;
  const ReadStream* AttachedPicture() const;
};

/// Opens `path` with the decoder component; fails the calling test (and
/// gives an empty record) when it cannot.
ReadFile ReadBack(const std::string& path);

/// The playing time of the first moving video stream (pictures decoded
/// times the frame duration), or of the first audio stream (samples
/// decoded), in seconds; -1 when nothing decodes.
double DecodedDuration(const std::string& path, AVMediaType type);

/// Whether any of the first `pictures` decoded pictures of `path` is flagged interlaced.
bool AnyPictureInterlaced(const std::string& path, int pictures);

}  // namespace zentrova::test

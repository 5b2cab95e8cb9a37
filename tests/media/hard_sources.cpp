// Sources that players and encoders find hard: 4:4:4 and 10-bit pictures,
// odd frame sizes, interlaced pictures, audio files with cover art.
#include "media/test_media.h"

namespace zentrova::test {
namespace {

VideoSpec SmallVideo(const std::string& codec, const std::string& pix_fmt) {
  VideoSpec video;
  video.codec = codec;
  video.pix_fmt = pix_fmt;
  video.width = 160;
  video.height = 120;
  return video;
}

ClipSpec WithAac(ClipSpec spec, double duration_s) {
  spec.duration_s = duration_s;
  spec.audio = {AudioSpec{}};
  return spec;
}

ClipSpec AudioWithCover(const std::string& format, const std::string& codec, int sample_rate,
                        double duration_s) {
  ClipSpec spec;
  spec.format = format;
  spec.duration_s = duration_s;
  AudioSpec audio;
  audio.codec = codec;
  audio.sample_rate = sample_rate;
  spec.audio = {audio};
  spec.cover_art = true;
  return spec;
}

}  // namespace

ClipSpec Mp4Yuv444(double duration_s) {
  ClipSpec spec;
  spec.format = "mp4";
  spec.video = SmallVideo("libx264", "yuv444p");
  return WithAac(spec, duration_s);
}

ClipSpec Mp4TenBit(double duration_s) {
  ClipSpec spec;
  spec.format = "mp4";
  spec.video = SmallVideo("libx264", "yuv420p10le");
  return WithAac(spec, duration_s);
}

ClipSpec MatroskaOddSize(const std::string& codec, const std::string& pix_fmt, double duration_s) {
  ClipSpec spec;
  spec.format = "matroska";
  spec.video = SmallVideo(codec, pix_fmt);
  spec.video->width = 853;
  spec.video->height = 479;
  spec.video->rate = AVRational{10, 1};
  return WithAac(spec, duration_s);
}

ClipSpec TsInterlaced(double duration_s) {
  ClipSpec spec;
  spec.format = "mpegts";
  spec.video = SmallVideo("libx264", "yuv420p");
  spec.video->height = 128;
  spec.video->interlaced = true;
  return WithAac(spec, duration_s);
}

ClipSpec Mp3WithCover(double duration_s) {
  return AudioWithCover("mp3", "libmp3lame", 44100, duration_s);
}

ClipSpec M4aWithCover(double duration_s) {
  return AudioWithCover("mp4", "aac", 44100, duration_s);
}

}  // namespace zentrova::test

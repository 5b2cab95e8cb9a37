// The ready-made clip specs.
#include <fmt/format.h>

#include <array>
#include <string_view>

#include "media/media_error.h"
#include "media/test_media.h"

namespace zentrova::test {
namespace {

AudioSpec Audio(const std::string& codec, int sample_rate) {
  AudioSpec audio;
  audio.codec = codec;
  audio.sample_rate = sample_rate;
  return audio;
}

}  // namespace

ClipSpec Mp4H264Aac(double duration_s) {
  ClipSpec spec;
  spec.format = "mp4";
  spec.duration_s = duration_s;
  spec.video = VideoSpec{};
  spec.audio = {AudioSpec{}};
  return spec;
}

ClipSpec AviMpeg4Mp3(double duration_s) {
  ClipSpec spec;
  spec.format = "avi";
  spec.duration_s = duration_s;
  spec.video = VideoSpec{};
  spec.video->codec = "mpeg4";
  spec.audio = {Audio("libmp3lame", 44100)};
  return spec;
}

ClipSpec MatroskaWithSubtitles(double duration_s) {
  ClipSpec spec = Mp4H264Aac(duration_s);
  spec.format = "matroska";
  spec.audio[0].language = "eng";
  spec.subtitle_streams = 1;
  spec.chapters = 2;
  spec.metadata = {{"title", "Generated clip"}};
  return spec;
}

ClipSpec TsTwoPrograms(double duration_s) {
  ClipSpec spec = Mp4H264Aac(duration_s);
  spec.format = "mpegts";
  spec.audio = {AudioSpec{}, AudioSpec{}};
  spec.audio[0].language = "eng";
  spec.audio[1].language = "fra";
  spec.programs = 2;
  return spec;
}

ClipSpec WavS16(double duration_s) {
  ClipSpec spec;
  spec.format = "wav";
  spec.duration_s = duration_s;
  spec.audio = {Audio("pcm_s16le", 44100)};
  return spec;
}

ClipSpec Flac(double duration_s) {
  ClipSpec spec;
  spec.format = "flac";
  spec.duration_s = duration_s;
  spec.audio = {Audio("flac", 44100)};
  return spec;
}

ClipSpec PngStill() {
  ClipSpec spec;
  spec.format = "image2";
  spec.video = VideoSpec{};
  spec.video->codec = "png";
  spec.video->pix_fmt = "rgb24";
  spec.duration_s = 1.0 / 25;  // one picture at 25 per second
  return spec;
}

ClipSpec Mp4Rotated(double rotation_degrees, double duration_s) {
  ClipSpec spec = Mp4H264Aac(duration_s);
  spec.video->rotation_degrees = rotation_degrees;
  return spec;
}

ClipSpec Mp4H264Hd(double duration_s) {
  ClipSpec spec;
  spec.format = "mp4";
  spec.duration_s = duration_s;
  spec.video = VideoSpec{};
  spec.video->width = 1920;
  spec.video->height = 1080;
  return spec;
}

namespace {

struct Preset {
  std::string_view name;
  ClipSpec (*make)(double duration_s);
};

constexpr std::array kPresets{
    Preset{"mp4", Mp4H264Aac},
    Preset{"avi", AviMpeg4Mp3},
    Preset{"mkv", MatroskaWithSubtitles},
    Preset{"ts", TsTwoPrograms},
    Preset{"wav", WavS16},
    Preset{"flac", Flac},
    Preset{"png", [](double) { return PngStill(); }},
    Preset{"rotated", [](double duration_s) { return Mp4Rotated(90, duration_s); }},
    Preset{"1080p", Mp4H264Hd},
    Preset{"yuv444", Mp4Yuv444},
    Preset{"10bit", Mp4TenBit},
    Preset{"odd", [](double duration_s) { return MatroskaOddSize("ffv1", "yuv420p", duration_s); }},
    Preset{"odd444", [](double duration_s) { return MatroskaOddSize("mjpeg", "yuvj444p", duration_s); }},
    Preset{"interlaced", TsInterlaced},
    Preset{"cover-mp3", Mp3WithCover},
    Preset{"cover-m4a", M4aWithCover},
};

}  // namespace

ClipSpec PresetByName(const std::string& name, double duration_s) {
  for (const Preset& preset : kPresets)
    if (preset.name == name) return preset.make(duration_s);
  Fail(fmt::format("Unknown test clip \"{}\"; known: {}", name, fmt::join(PresetNames(), ", ")));
}

std::vector<std::string> PresetNames() {
  std::vector<std::string> names;
  for (const Preset& preset : kPresets) names.emplace_back(preset.name);
  return names;
}

}  // namespace zentrova::test

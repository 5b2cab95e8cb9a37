// zentrova-direct-baseline: converts one file with the direct-API baseline.
//
//   zentrova-direct-baseline [--library-path DIR] [-f INPUT_FORMAT]
//                            [-c:v ENCODER] [-c:a ENCODER] INPUT OUTPUT
//
// The defaults are the engine's default conversion (libx264 1000k +
// libmp3lame 128k, two encoder threads).
// Prints one summary line; exit status 0 on success, 1 on failure (the
// message goes to stderr), 2 on a usage error.
#include <fmt/format.h>
#include <cstdio>
#include <string>
#include <vector>

#include "baseline/direct_transcoder.h"
#include "media/ff.h"
#include "media/library_loader.h"

int main(int argc, char** argv) {
  using namespace zentrova;
  std::vector<std::string> files;
  std::string library_path;
  bench::BaselineSettings settings;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--library-path" && has_value)
      library_path = argv[++i];
    else if (arg == "-f" && has_value)
      settings.input_format = argv[++i];
    else if (arg == "-c:v" && has_value)
      settings.video_encoder = argv[++i];
    else if (arg == "-c:a" && has_value)
      settings.audio_encoder = argv[++i];
    else
      files.push_back(arg);
  }
  if (files.size() != 2) {
    fmt::print(stderr,
               "usage: {} [--library-path DIR] [-f FORMAT] [-c:v ENCODER] [-c:a ENCODER] INPUT OUTPUT\n",
               argc > 0 ? argv[0] : "baseline");
    return 2;
  }
  TFFLoader& loader = FFLoader();
  loader.SetLibraryPath(library_path);
  loader.SetInstallLogger(false);  // the library's own log output on stderr
  if (!loader.Load(EncoderLibraries)) {
    fmt::print(stderr, "{}\n", loader.LastErrMsg());
    return 1;
  }
  ff::av_log_set_level(AV_LOG_ERROR);
  try {
    const bench::BaselineResult result = bench::TranscodeDirect(files[0], files[1], settings);
    fmt::print("{} -> {}: {} video frames, {} audio samples, {} packets, {} decoding errors\n", files[0],
               files[1], result.video_frames_encoded, result.audio_samples_encoded, result.packets_written,
               result.decode_errors);
  } catch (const std::exception& e) {
    fmt::print(stderr, "{}\n", e.what());
    return 1;
  }
  return 0;
}

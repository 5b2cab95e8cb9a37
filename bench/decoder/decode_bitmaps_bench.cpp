// Decodes a 1080p clip picture by picture into 32-bit bitmaps with the
// decoder component and reports the speed against real time.
//
//   zentrova-bench-decode-bitmaps [CLIP] [--seconds N] [--runs N]
//
// Without CLIP (and in builds with the test-media generator) a 1920x1080
// 25 fps H.264 clip of N seconds (default 10) is made in a temporary folder
// first. Prints one line per run and the best run; exits 1 on any failure.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

#include <fmt/format.h>

#include "decoder/ridarivir.h"
#include "media/library_loader.h"
#ifdef ZENTROVA_HAVE_TEST_MEDIA
#include "media/test_media.h"
#endif

namespace {

struct RunResult {
  int pictures = 0;
  double media_seconds = 0;
  double wall_seconds = 0;
};

RunResult DecodeAll(const std::string& clip) {
  zentrova::TRIDarivir decoder;
  if (!decoder.LoadFile(clip)) throw std::runtime_error(decoder.LastErrMsg());
  decoder.SetBitmapBitsPixel(32);
  zentrova::TBitmap bitmap;
  RunResult result;
  std::int64_t last_pts = 0;
  const auto start = std::chrono::steady_clock::now();
  while (decoder.Decode()) {
    if (!decoder.CopyToBitmap(bitmap)) throw std::runtime_error(decoder.LastErrMsg());
    last_pts = decoder.FrameInfo().PTS;
    ++result.pictures;
  }
  result.wall_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!decoder.Eof()) throw std::runtime_error(decoder.LastErrMsg());
  if (result.pictures == 0) throw std::runtime_error("no picture decoded from " + clip);
  const zentrova::TVideoStreamInfo info = decoder.FirstVideoStreamInfo();
  if (bitmap.Width() != info.Width || bitmap.Height() != info.Height || bitmap.BitsPerPixel() != 32)
    throw std::runtime_error("bitmap does not match the picture");
  const double frame_s =
      info.FrameRate.num > 0 ? static_cast<double>(info.FrameRate.den) / info.FrameRate.num : 0.04;
  result.media_seconds = static_cast<double>(last_pts) / 1e6 + frame_s;
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  std::string clip;
  double seconds = 10;
  int runs = 3;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--seconds" && i + 1 < argc) {
      seconds = std::stod(argv[++i]);
    } else if (arg == "--runs" && i + 1 < argc) {
      runs = std::stoi(argv[++i]);
    } else if (!arg.empty() && arg[0] != '-') {
      clip = arg;
    } else {
      std::fprintf(stderr, "usage: %s [CLIP] [--seconds N] [--runs N]\n", argv[0]);
      return 2;
    }
  }
  try {
    zentrova::TFFLoader& loader = zentrova::FFLoader();
    loader.SetLibraryPath("");
    if (!loader.Load(zentrova::EncoderLibraries)) throw std::runtime_error(loader.LastErrMsg());

    std::filesystem::path folder;
    if (clip.empty()) {
#ifdef ZENTROVA_HAVE_TEST_MEDIA
      folder = std::filesystem::temp_directory_path() / fmt::format("zentrova-bench-{}", ::getpid());
      std::filesystem::create_directories(folder);
      clip = (folder / "hd.mp4").string();
      std::printf("making a %.0f s 1920x1080 25 fps H.264 clip...\n", seconds);
      zentrova::test::MakeClip(clip, zentrova::test::Mp4H264Hd(seconds));
#else
      throw std::runtime_error("this build has no test-media generator: name a clip");
#endif
    }

    double best = 0;
    for (int run = 1; run <= runs; ++run) {
      const RunResult r = DecodeAll(clip);
      const double fps = r.pictures / r.wall_seconds;
      const double speed = r.media_seconds / r.wall_seconds;
      best = std::max(best, speed);
      std::printf("run %d: %d pictures (%.2f s of video) in %.2f s: %.1f pictures/s, %.2fx real time\n", run,
                  r.pictures, r.media_seconds, r.wall_seconds, fps, speed);
    }
    std::printf("best: %.2fx real time (%s)\n", best,
                best >= 1.0 ? "at least real time" : "SLOWER than real time");
    if (!folder.empty()) std::filesystem::remove_all(folder);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "error: %s\n", e.what());
    return 1;
  }
  return 0;
}

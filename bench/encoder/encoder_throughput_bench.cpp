// Converts the same clips with the encoder component one task at a time
// (Start(1)) and three at a time (Start(3)) and reports both wall times and
// their ratio (parallel / one after another; target: at most 1.0).
//
//   zentrova-bench-encoder-throughput [CLIP...] [--seconds N] [--threads N]
//
// Without clips (and in builds with the test-media generator) six 1280x720
// 25 fps H.264 + AAC clips of N seconds (default 4) are made in a temporary
// folder first. Outputs use the engine's default conversion for MP4.
// Exits 1 on any failure (a task that does not finish counts as one).
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "encoder/derodorir.h"
#include "log/main_thread.h"
#include "media/library_loader.h"
#ifdef ZENTROVA_HAVE_TEST_MEDIA
#include "media/test_media.h"
#endif

namespace {

// Converts every clip into `folder` with `thread_count` tasks at once; the
// wall time from Start to the end-of-run event, in seconds.
double ConvertAll(const std::vector<std::string>& clips, const std::filesystem::path& folder,
                  int thread_count) {
  zentrova::TDERodorir encoder;
  bool ended = false;
  std::string failure;
  encoder.SetOnTerminate([&](zentrova::TCustomEncoder*, const zentrova::TTerminateInfo& info) {
    if (info.TaskIndex < 0) {
      ended = true;
    } else if (!info.Finished && failure.empty()) {
      failure = fmt::format("task {} did not finish: {}", info.TaskIndex, info.ExceptionMsg);
    }
  });
  for (std::size_t i = 0; i < clips.size(); ++i) {
    const int index = encoder.AddTask(clips[i]);
    if (index < 0) throw std::runtime_error(encoder.LastErrMsg());
    const std::string output = (folder / fmt::format("out{}-{}.mp4", thread_count, i)).string();
    if (encoder.SetOutput(index, output, "-y", "") < 0) throw std::runtime_error(encoder.LastErrMsg());
  }
  const auto start = std::chrono::steady_clock::now();
  encoder.Start(thread_count);
  zentrova::MainThreadWait([&] { return ended; }, -1);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!failure.empty()) throw std::runtime_error(failure);
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> clips;
  double seconds = 4;
  int threads = 3;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--seconds" && i + 1 < argc) {
      seconds = std::stod(argv[++i]);
    } else if (arg == "--threads" && i + 1 < argc) {
      threads = std::stoi(argv[++i]);
    } else if (!arg.empty() && arg[0] != '-') {
      clips.push_back(arg);
    } else {
      std::fprintf(stderr, "usage: %s [CLIP...] [--seconds N] [--threads N]\n", argv[0]);
      return 2;
    }
  }
  std::filesystem::path folder;
  try {
    zentrova::TFFLoader& loader = zentrova::FFLoader();
    loader.SetLibraryPath("");
    if (!loader.Load(zentrova::EncoderLibraries)) throw std::runtime_error(loader.LastErrMsg());
    folder = std::filesystem::temp_directory_path() / fmt::format("zentrova-bench-encoder-{}", ::getpid());
    std::filesystem::create_directories(folder);
    if (clips.empty()) {
#ifdef ZENTROVA_HAVE_TEST_MEDIA
      std::printf("making six %.0f s 1280x720 25 fps H.264 + AAC clips...\n", seconds);
      zentrova::test::ClipSpec spec = zentrova::test::Mp4H264Aac(seconds);
      spec.video->width = 1280;
      spec.video->height = 720;
      for (int i = 0; i < 6; ++i) {
        clips.push_back((folder / fmt::format("in{}.mp4", i)).string());
        zentrova::test::MakeClip(clips.back(), spec);
      }
#else
      throw std::runtime_error("this build has no test-media generator: name the clips");
#endif
    }
    const double one_by_one = ConvertAll(clips, folder, 1);
    std::printf("%zu clips one after another (Start(1)): %.2f s\n", clips.size(), one_by_one);
    const double parallel = ConvertAll(clips, folder, threads);
    std::printf("%zu clips %d at a time (Start(%d)): %.2f s\n", clips.size(), threads, threads, parallel);
    const double ratio = parallel / one_by_one;
    std::printf("ratio: %.2f (%s)\n", ratio, ratio <= 1.0 ? "no slower than one after another" : "SLOWER");
    std::filesystem::remove_all(folder);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "error: %s\n", e.what());
    if (!folder.empty()) std::filesystem::remove_all(folder);
    return 1;
  }
  return 0;
}

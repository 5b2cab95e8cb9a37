// zentrova-make-test-media <out-file> [clip-name] [duration]
// Writes one of the generator's ready-made clips, for benchmarks and demos.
#include <fmt/format.h>

#include <charconv>
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

#include "media/library_loader.h"
#include "media/test_media.h"

namespace {

int Usage() {
  std::fprintf(stderr, "%s",
               fmt::format("usage: zentrova-make-test-media <out-file> [clip-name] [duration-seconds]\n"
                           "clip names: {} (default mp4); duration default 2\n",
                           fmt::join(zentrova::test::PresetNames(), ", "))
                   .c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) return Usage();
  const std::string path = argv[1];
  const std::string name = argc > 2 ? argv[2] : "mp4";
  double duration_s = 2.0;
  if (argc > 3) {
    std::string_view text = argv[3];
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), duration_s);
    if (error != std::errc() || end != text.data() + text.size() || !(duration_s > 0)) {
      std::fprintf(stderr, "Invalid duration \"%s\": a positive number of seconds is expected\n", argv[3]);
      return 2;
    }
  }
  try {
    zentrova::TFFLoader& loader = zentrova::FFLoader();
    if (!loader.Load(zentrova::EncoderLibraries)) {
      std::fprintf(stderr, "%s\n", loader.LastErrMsg().c_str());
      return 1;
    }
    zentrova::test::MakeClip(path, zentrova::test::PresetByName(name, duration_s));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}

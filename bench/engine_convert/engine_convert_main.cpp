// zentrova-engine-convert: one conversion by the engine on the calling
// thread, for the benchmark against the direct-API baseline.
//
//   zentrova-engine-convert [--library-path DIR] INPUT OUTPUT [OUTPUT_OPTIONS]
//
// OUTPUT_OPTIONS default to the engine's default conversion. Exit status 0
// when the conversion finished, 1 when it failed (message on stderr), 2 on
// a usage error.
#include <fmt/format.h>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/custom_ffmpeg.h"
#include "engine/options/file_options_scope.h"
#include "log/logger.h"
#include "media/library_loader.h"

int main(int argc, char** argv) {
  using namespace zentrova;
  std::vector<std::string> args;
  std::string library_path;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--library-path" && i + 1 < argc)
      library_path = argv[++i];
    else
      args.push_back(arg);
  }
  if (args.size() < 2 || args.size() > 3) {
    fmt::print(stderr, "usage: {} [--library-path DIR] INPUT OUTPUT [OUTPUT_OPTIONS]\n",
               argc > 0 ? argv[0] : "");
    return 2;
  }
  const std::string options =
      args.size() == 3 ? args[2] : " -b:a 128k -b:v 1000k -c:a libmp3lame -c:v libx264 -threads 2 -sn";
  TFFLoader& loader = FFLoader();
  loader.SetLibraryPath(library_path);
  if (!loader.Load(EncoderLibraries)) {
    fmt::print(stderr, "{}\n", loader.LastErrMsg());
    return 1;
  }
  TZOVuzodi logger;
  logger.SetTriggerEventInMainThread(false);
  logger.SetLogLevel(TLogLevel::llError);
  logger.SetOnLog(
      [](const void*, int, TLogLevel, const std::string& msg) { fmt::print(stderr, "{}\n", msg); });

  TCustomFFmpeg engine;
  auto open = [&](auto&& opener) {
    TFileOptionsScope scope(engine);
    try {
      return opener(scope.Context()) >= 0;
    } catch (const std::exception& e) {
      engine.FLastErrMsg = e.what();
      return false;
    }
  };
  if (!open([&](TFileOptionContext& o) { return engine.OpenInputFile(o, "", args[0], ""); }) ||
      !open([&](TFileOptionContext& o) {
        return engine.OpenOutputFile(o, options + " -y", false, args[1], "");
      })) {
    fmt::print(stderr, "{}\n", engine.FLastErrMsg);
    return 1;
  }
  engine.RunConversion();
  if (!engine.Finished()) {
    fmt::print(stderr, "{}\n", engine.FatalMessage());
    return 1;
  }
  fmt::print("{} -> {}: {} frames decoded, {} decoding errors\n", args[0], args[1],
             engine.Fdecode_error_stat[0], engine.Fdecode_error_stat[1]);
  return 0;
}

// zentrova-direct-probe: what a bare probe of media files costs, the yardstick
// for `zentrova-cli --info`.
//
//   zentrova-direct-probe [--library-path DIR] [--decoder-libraries] FILE...
//
// Binds only the libraries a probe needs (util, codec, format) through the
// same slots as the engine (with --decoder-libraries: the decoder
// component's whole set, to see what binding them costs), opens each file, reads its stream information
// and prints one line per file and per stream (container, duration, bit
// rate; codec and picture size or sample rate). Exit status 0 when every
// file was read, 1 otherwise.
#include <fmt/format.h>

#include <cstdio>
#include <string>
#include <vector>

#include "media/av_ptr.h"
#include "media/ff.h"
#include "media/library_loader.h"

namespace {

using namespace zentrova;

bool Describe(const std::string& file) {
  AVInputFormatContextPtr input;
  // The slot hands the opened context over at the end of the statement.
  const int opened = ff::avformat_open_input(InOutPtr(input), file.c_str(), nullptr, nullptr);
  if (opened < 0 || ff::avformat_find_stream_info(input.get(), nullptr) < 0) {
    fmt::print(stderr, "{}: cannot read\n", file);
    return false;
  }
  fmt::print("{}: {}, {} us, {} b/s\n", file, input->iformat->name, input->duration, input->bit_rate);
  for (unsigned i = 0; i < input->nb_streams; ++i) {
    const AVCodecParameters* par = input->streams[i]->codecpar;
    fmt::print("  #{} {} {}x{} {} Hz\n", i, ff::avcodec_get_name(par->codec_id), par->width, par->height,
               par->sample_rate);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> files;
  std::string library_path;
  TLibraries libraries{TLibrary::avUtil, TLibrary::avCodec, TLibrary::avFormat};
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--library-path" && i + 1 < argc)
      library_path = argv[++i];
    else if (arg == "--decoder-libraries")
      libraries = DecoderLibraries;
    else
      files.push_back(arg);
  }
  if (files.empty()) {
    fmt::print(stderr, "usage: {} [--library-path DIR] [--decoder-libraries] FILE...\n",
               argc > 0 ? argv[0] : "probe");
    return 2;
  }
  TFFLoader& loader = FFLoader();
  loader.SetLibraryPath(library_path);
  loader.SetInstallLogger(false);
  if (!loader.Load(libraries)) {
    fmt::print(stderr, "{}\n", loader.LastErrMsg());
    return 1;
  }
  ff::av_log_set_level(AV_LOG_ERROR);
  bool all_read = true;
  for (const std::string& file : files) all_read = Describe(file) && all_read;
  return all_read ? 0 : 1;
}

// libFuzzer target: any byte string as an input's or an output's option
// string (and, after a NUL byte, as its preset text) on an engine with no
// files. Nothing may crash, leak, hang or escape as anything but the
// engine's documented exceptions.
//
// Options whose handlers reach outside the process (-progress opens URLs,
// -cpuflags and -max_alloc change the whole process, script and preset
// options read named files) are left out: their handling is covered by the
// unit tests.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>

#include "engine/custom_ffmpeg_opt.h"
#include "log/logger.h"
#include "media/library_loader.h"
#include "options/option_split.h"

namespace {

using zentrova::TCustomFFmpegOpt;
using zentrova::TFileOptionContext;

class FuzzEngine : public TCustomFFmpegOpt {
 public:
  FuzzEngine() { InitOptionDefs(); }

 protected:
  int opt_VideoHookBitsPixel(Ctx*, Str, Str) override { return 0; }
};

bool ReachesOutside(std::string_view text) {
  for (std::string_view word :
       {"progress", "cpuflags", "max_alloc", "script", "apre", "vpre", "spre", "fpre"})
    if (text.find(word) != std::string_view::npos) return true;
  return false;
}

void Parse(FuzzEngine& engine, std::string_view options, std::string_view presets, bool input) {
  TFileOptionContext o;
  engine.InitFileOptions(o);
  try {
    engine.ParseOptions(o, options, input ? zentrova::OPTF_INPUT : zentrova::OPTF_OUTPUT,
                        input ? "in.mp4" : "out.mp4", input ? "input file" : "output file", presets);
  } catch (const std::runtime_error&) {
    // Value errors and engine failures are reported as exceptions by design.
  }
  engine.FreeFileOptions(o);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zentrova::TFFLoader& loader = zentrova::FFLoader();
  loader.SetLibraryPath("");
  if (!loader.Load(zentrova::EncoderLibraries)) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (ReachesOutside(bytes)) return -1;  // not added to the corpus
  // -loglevel and -debug in the input change the process-wide level.
  zentrova::DefaultLogger()->SetLogLevel(zentrova::TLogLevel::llQuiet);

  const std::size_t nul = bytes.find('\0');
  const std::string_view options = bytes.substr(0, nul);
  const std::string_view presets = nul == std::string_view::npos ? std::string_view() : bytes.substr(nul + 1);
  (void)zentrova::split_option_string(options);

  FuzzEngine engine;
  engine.HaltOnInvalidOption = size % 2 == 0;
  Parse(engine, options, presets, /*input=*/true);
  Parse(engine, options, presets, /*input=*/false);
  return 0;
}

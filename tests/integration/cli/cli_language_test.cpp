// zentrova-cli speaks English throughout: its help, its warnings for a still
// picture or a source without a bit rate, its reports of bad files and its
// summary carry no Chinese text (the desktop window's Chinese captions stay
// in the window).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli_process.h"
#include "media/test_media.h"
#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova::test {
namespace {

const std::string kCli = ZENTROVA_CLI_PROGRAM;

/// The first CJK character (U+2E80…U+9FFF, U+FF00…U+FFEF) of UTF-8 `text`, or empty.
std::string FirstChinese(const std::string& text) {
  for (std::size_t i = 0; i + 2 < text.size(); ++i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const auto next = static_cast<unsigned char>(text[i + 1]);
    const bool cjk = (lead >= 0xE4 && lead <= 0xE9) || (lead == 0xE2 && next >= 0xBA) ||
                     (lead == 0xE3 && next >= 0x80) || (lead == 0xEF && next >= 0xBC && next <= 0xBF);
    if (cjk) return text.substr(i, 3);
  }
  return {};
}

TEST(CliLanguage, HelpWarningsErrorsAndTheSummaryAreEnglish) {
  LoadMediaLibraries();
  TempDir dir;
  MakeClip(dir.File("still.png"), PngStill());
  MakeClip(dir.File("tone.wav"), WavS16(0.5));
  MakeClip(dir.File("clip.mkv"), MatroskaWithSubtitles(0.5));
  MakeGarbageFile(dir.File("garbage.mp4"), 2048);
  MakeEmptyFile(dir.File("empty.mp4"));

  const std::vector<std::vector<std::string>> runs = {
      {"--help"},
      {dir.File("still.png"), dir.File("tone.wav"), dir.File("clip.mkv"), dir.File("garbage.mp4"),
       dir.File("empty.mp4")},
  };
  for (const auto& args : runs) {
    const CliResult result = RunCli(kCli, args, 120000);
    EXPECT_NE(result.exit_code, -1);
    EXPECT_EQ(FirstChinese(result.out), "") << result.out;
    EXPECT_EQ(FirstChinese(result.err), "") << result.err;
    if (args.size() > 1) {
      // The still picture has no bit rate: the warning says so in English.
      EXPECT_NE((result.out + result.err).find("no video bit rate"), std::string::npos)
          << result.out << result.err;
    }
  }
}

}  // namespace
}  // namespace zentrova::test

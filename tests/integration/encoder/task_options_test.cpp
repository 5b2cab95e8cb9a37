// The task records and the hook words of output option texts.
#include "encoder/task_options.h"

#include <gtest/gtest.h>

#include <ostream>

#include <string>

namespace zentrova {
namespace {

TEST(InitOutputOptions, RestoresEveryDefault) {
  TOutputOptions options;
  options.FileName = "out.mp4";
  options.Options = "-c:v mpeg4";
  options.Presets = "b=1M";
  options.AudioInputHook = options.AudioOutputHook = options.VideoInputHook = options.VideoOutputHook = true;
  options.FrameInputHook = options.FrameOutputHook = options.Join = true;
  options.VideoHookBitsPixel = 8;
  options.Tag = 7;
  int data = 0;
  options.Data = &data;

  InitOutputOptions(options);

  EXPECT_TRUE(options.FileName.empty());
  EXPECT_TRUE(options.Options.empty());
  EXPECT_TRUE(options.Presets.empty());
  EXPECT_FALSE(options.AudioInputHook || options.AudioOutputHook || options.VideoInputHook ||
               options.VideoOutputHook || options.FrameInputHook || options.FrameOutputHook || options.Join);
  EXPECT_EQ(options.VideoHookBitsPixel, 32);
  EXPECT_EQ(options.Tag, 0);
  EXPECT_EQ(options.Data, nullptr);
}

TEST(InitInputOptions, RestoresEveryDefault) {
  TInputOptions options{"in.mp4", "-ss 10", "x=1", 3, &options};
  InitInputOptions(options);
  EXPECT_TRUE(options.FileName.empty() && options.Options.empty() && options.Presets.empty());
  EXPECT_EQ(options.Tag, 0);
  EXPECT_EQ(options.Data, nullptr);
}

struct HookWordCase {
  const char* text;
  const char* normalized;
  bool audio_in, audio_out, video_in, video_out, frame_in, frame_out, join;
};
// Test names show the text with only letters, digits and '-'.
void PrintTo(const HookWordCase& c, std::ostream* os) {
  for (const char* p = c.text; *p; ++p) {
    const bool plain =
        (*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z') || (*p >= '0' && *p <= '9') || *p == '-';
    *os << (plain ? *p : '_');
  }
}

class HookWords : public ::testing::TestWithParam<HookWordCase> {};

TEST_P(HookWords, SetFlagsAndSpellingFromSeparateWordsOnly) {
  const HookWordCase& c = GetParam();
  const TOutputOptions options = MakeOutputOptions("out.mp4", c.text, "p");
  EXPECT_EQ(options.AudioInputHook, c.audio_in);
  EXPECT_EQ(options.AudioOutputHook, c.audio_out);
  EXPECT_EQ(options.VideoInputHook, c.video_in);
  EXPECT_EQ(options.VideoOutputHook, c.video_out);
  EXPECT_EQ(options.FrameInputHook, c.frame_in);
  EXPECT_EQ(options.FrameOutputHook, c.frame_out);
  EXPECT_EQ(options.Join, c.join);
  EXPECT_EQ(options.Options, c.text);  // the record keeps the caller's text
  EXPECT_EQ(options.FileName, "out.mp4");
  EXPECT_EQ(options.VideoHookBitsPixel, 32);
  EXPECT_EQ(NormalizeHookWords(c.text), c.normalized);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HookWords,
    ::testing::Values(HookWordCase{"-videoinputhook -vcodec mpeg4", "-VideoInputHook -vcodec mpeg4", false,
                                   false, true, false, false, false, false},
                      HookWordCase{"  -vcodec mpeg4 -VIDEOOUTPUTHOOK\t", "-vcodec mpeg4 -VideoOutputHook",
                                   false, false, false, true, false, false, false},
                      // Adjacent hook words are each found.
                      HookWordCase{"-join -join -frameinputhook", "-Join -Join -FrameInputHook", false, false,
                                   false, false, true, false, true},
                      HookWordCase{"-AudioInputHook -audiooutputhook -FrameOutputHook",
                                   "-AudioInputHook -AudioOutputHook -FrameOutputHook", true, true, false,
                                   false, false, true, false},
                      // Part of a longer word, or inside a quoted value: not a hook word.
                      HookWordCase{"-joined 1 -videoinputhooks", "-joined 1 -videoinputhooks", false, false,
                                   false, false, false, false, false},
                      HookWordCase{"-metadata title=\"a -join b\" -c copy",
                                   "-metadata title=\"a -join b\" -c copy", false, false, false, false, false,
                                   false, false},
                      HookWordCase{"-metadata \"title=x \\\" -join\" -c copy",
                                   "-metadata \"title=x \\\" -join\" -c copy", false, false, false, false,
                                   false, false, false},
                      HookWordCase{"", "", false, false, false, false, false, false, false},
                      HookWordCase{" \t ", "", false, false, false, false, false, false, false}));

TEST(MakeInputOptions, FillsNameAndTextsOnADefaultRecord) {
  const TInputOptions options = MakeInputOptions("in.mkv", "-ss 2", "preset=1");
  EXPECT_EQ(options.FileName, "in.mkv");
  EXPECT_EQ(options.Options, "-ss 2");
  EXPECT_EQ(options.Presets, "preset=1");
  EXPECT_EQ(options.Tag, 0);
}

}  // namespace
}  // namespace zentrova

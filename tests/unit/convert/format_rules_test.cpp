#include "convert/format_rules.h"

#include <gtest/gtest.h>
#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

#include "builder_fixture.h"
#include "convert/build_env.h"
#include "convert/option_builder.h"
#include "convert/video_filter_chain.h"
#include "log/plain_text.h"
#include "media/ff.h"
#include "support/libraries.h"

namespace zentrova::app {
namespace {

TEST(TargetExtension, VcdAndDvdAreNamedForTheirNorm) {
  struct Case {
    TOutputFormat format;
    TNorm norm;
    const char* extension;
  } cases[] = {
      {TOutputFormat::VCD, TNorm::Auto, "_auto_vcd.mpg"},
      {TOutputFormat::VCD, TNorm::PAL, "_pal_vcd.mpg"},
      {TOutputFormat::DVD, TNorm::NTSC, "_ntsc_dvd.mpg"},
      {TOutputFormat::MP4, TNorm::PAL, ".mp4"},
      {TOutputFormat::VCD, static_cast<TNorm>(5), "_auto_vcd.mpg"},
  };
  for (const Case& c : cases) {
    const std::string extension = "." + LowerAscii(ItemText(c.format));
    EXPECT_EQ(TargetExtension(c.format, c.norm, extension), c.extension) << extension;
  }
}

// Auto stays where the engine guesses the norm itself (25, 29.97, 23.976 fps)
// or the rate is unknown; other rates take the nearest norm; a chosen norm stands.
TEST(TargetNorm, AutoTakesTheNormNearestTheSourceRate) {
  struct Case {
    TNorm chosen;
    double fps;
    TNorm expected;
  } cases[] = {
      {TNorm::Auto, 25, TNorm::Auto},
      {TNorm::Auto, 30000.0 / 1001, TNorm::Auto},
      {TNorm::Auto, 24000.0 / 1001, TNorm::Auto},
      {TNorm::Auto, 0, TNorm::Auto},
      {TNorm::Auto, -1, TNorm::Auto},
      {TNorm::Auto, 50, TNorm::PAL},
      {TNorm::Auto, 12.5, TNorm::PAL},
      {TNorm::Auto, 26, TNorm::PAL},
      {TNorm::Auto, 24, TNorm::NTSC},
      {TNorm::Auto, 30, TNorm::NTSC},
      {TNorm::Auto, 60000.0 / 1001, TNorm::NTSC},
      {TNorm::Auto, 60, TNorm::NTSC},
      {TNorm::Auto, 15, TNorm::NTSC},
      {TNorm::PAL, 30, TNorm::PAL},
      {TNorm::NTSC, 50, TNorm::NTSC},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TargetNorm(c.chosen, c.fps), c.expected) << ItemText(c.chosen) << " at " << c.fps << " fps";
}

TEST(IsAudioOnlyFormat, ExactlyTheAudioFormats) {
  for (int i = 0; i < static_cast<int>(kOutputFormatItems.size()); ++i) {
    const std::string_view name = kOutputFormatItems[static_cast<std::size_t>(i)];
    const bool audio =
        name == "AAC" || name == "AC3" || name == "MP2" || name == "MP3" || name == "WAV" || name == "WMA";
    EXPECT_EQ(IsAudioOnlyFormat(static_cast<TOutputFormat>(i)), audio) << name;
  }
}

std::vector<std::string> Arguments(const std::string& options) {
  std::istringstream in(options);
  std::vector<std::string> arguments;
  std::string argument;
  while (in >> std::quoted(argument)) arguments.push_back(argument);
  return arguments;
}

// What the engine will look up by name must exist in the library: every
// encoder after -c:a / -c:v, the muxers after -f, the muxer the output's file
// name selects, and every filter of the chain.
TEST(FormatRules, EveryEncoderMuxerAndFilterNamedExists) {
  test::LoadMediaLibraries();
  for (int format = 0; format < static_cast<int>(kOutputFormatItems.size()); ++format) {
    for (int video = 1; video < static_cast<int>(kVideoCodecItems.size()); ++video) {
      for (int audio = 1; audio < static_cast<int>(kAudioCodecItems.size()); ++audio) {
        BuilderFixture f;
        f.Settings.Format = static_cast<TOutputFormat>(format);
        f.Settings.VideoCodec = static_cast<TVideoCodec>(video);
        f.Settings.AudioCodec = static_cast<TAudioCodec>(audio);
        BuildEnv env = f.Env();
        env.HasEncoder = LibraryHasEncoder;
        const TOutputOptions output = BuildOutputOptions(f.Settings, f.Source, env);
        const std::vector<std::string> arguments = Arguments(output.Options);
        for (std::size_t i = 0; i + 1 < arguments.size(); ++i) {
          const std::string& value = arguments[i + 1];
          if (arguments[i] == "-c:a" || arguments[i] == "-c:v") {
            EXPECT_TRUE(LibraryHasEncoder(value)) << value;
          }
          if (arguments[i] == "-f") {
            EXPECT_NE(ff::av_guess_format(value.c_str(), nullptr, nullptr), nullptr) << value;
          }
        }
        EXPECT_NE(ff::av_guess_format(nullptr, output.FileName.c_str(), nullptr), nullptr) << output.FileName;
      }
    }
  }

  BuilderFixture f;
  f.Settings.Crop = f.Settings.Pad = f.Settings.VertFlip = f.Settings.HoriFlip = f.Settings.Deinterlace =
      true;
  f.Settings.Negate = f.Settings.Rotate = f.Settings.Brightness = true;
  f.Settings.CropEdges.Top = f.Settings.PadEdges.Top = "2";
  // An interlaced source of an odd size, made even: the deinterlace of the
  // interlaced frames, the scale and the sample aspect.
  f.Settings.Deinterlace = false;
  f.Source.Interlaced = true;
  f.Source.Width = 853;
  const std::string chain = BuildVideoFilterChain(f.Settings, f.Source, "", 2, nullptr);
  std::istringstream filters(chain);
  int count = 0;
  for (std::string filter; std::getline(filters, filter, ',');) {
    const std::string name = filter.substr(0, filter.find('='));
    EXPECT_NE(ff::avfilter_get_by_name(name.c_str()), nullptr) << name;
    ++count;
  }
  EXPECT_EQ(count, 10) << chain;
  EXPECT_EQ(chain.find("yadif=deint=interlaced,"), 0u) << chain;
  for (const char* name : {"movie", "overlay"}) EXPECT_NE(ff::avfilter_get_by_name(name), nullptr) << name;
}

}  // namespace
}  // namespace zentrova::app

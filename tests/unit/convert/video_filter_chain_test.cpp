#include "convert/video_filter_chain.h"

#include <gtest/gtest.h>
#include <functional>
#include <string>

#include "builder_fixture.h"

namespace zentrova::app {
namespace {

void CropTo(BuilderFixture& f, const char* top, const char* bottom, const char* left, const char* right) {
  f.Settings.Crop = true;
  f.Settings.CropEdges = {top, bottom, left, right};
}
void PadBy(BuilderFixture& f, const char* top, const char* bottom, const char* left, const char* right) {
  f.Settings.Pad = true;
  f.Settings.PadEdges = {top, bottom, left, right};
}
void Watermark(BuilderFixture& f, const char* file, bool exists = true) {
  f.Settings.WaterMark = true;
  f.Settings.WaterMarkFile = file;
  if (exists) f.Existing.insert(file);
}

const std::string kOverlay =
    "[watermark] [main] scale2ref=w=min(main_w\\,iw/4):h=ow/main_a [mark] [base]; "
    "[base] [mark] overlay=main_w-overlay_w-10:10 [out]";

struct Case {
  const char* name;
  std::function<void(BuilderFixture&)> change;
  const char* frame_size;
  std::string chain;
};

const Case kCases[] = {
    {"nothing", [](auto&) {}, "", ""},
    {"crop top and bottom", [](auto& f) { CropTo(f, "10", "10", "0", "0"); }, "", "crop=640:460:0:10"},
    {"crop all sides", [](auto& f) { CropTo(f, "1", "2", "3", "4"); }, "", "crop=633:477:3:1"},
    {"crop values trimmed", [](auto& f) { CropTo(f, " 10 ", "0", "0", "0"); }, "", "crop=640:470:0:10"},
    {"crop not a number counts 0", [](auto& f) { CropTo(f, "abc", "0", "0", "0"); }, "", ""},
    {"crop all zero", [](auto& f) { CropTo(f, "0", "0", "0", "0"); }, "", ""},
    {"crop unchecked", [](auto& f) { f.Settings.CropEdges.Top = "10"; }, "", ""},
    {"crop without video",
     [](auto& f) {
       CropTo(f, "10", "10", "0", "0");
       f.Source.VideoStreamIndex = -1;
     },
     "", ""},
    {"pad all sides", [](auto& f) { PadBy(f, "5", "5", "5", "5"); }, "", "pad=648:488:4:4:blue"},
    {"pad after crop",
     [](auto& f) {
       CropTo(f, "10", "10", "0", "0");
       PadBy(f, "5", "5", "5", "5");
     },
     "", "crop=640:460:0:10,pad=648:468:4:4:blue"},
    {"pad after a crop of zeros",
     [](auto& f) {
       CropTo(f, "0", "0", "0", "0");
       PadBy(f, "4", "0", "0", "0");
     },
     "", "pad=640:484:0:4:blue"},
    {"pad values made even toward zero", [](auto& f) { PadBy(f, "6", "0", "-3", "0"); }, "",
     "pad=638:486:-2:6:blue"},
    {"pad all at most zero", [](auto& f) { PadBy(f, "-3", "0", "1", "0"); }, "", ""},
    {"pad without video",
     [](auto& f) {
       PadBy(f, "4", "4", "4", "4");
       f.Source.VideoStreamIndex = -1;
     },
     "", ""},
    {"scale", [](auto&) {}, "320x240", "scale=320:240"},
    {"scale without video", [](auto& f) { f.Source.VideoStreamIndex = -1; }, "320x240", ""},
    {"flips, deinterlace, negate, rotate",
     [](auto& f) {
       f.Settings.VertFlip = f.Settings.HoriFlip = f.Settings.Deinterlace = f.Settings.Negate =
           f.Settings.Rotate = true;
     },
     "", "vflip,hflip,yadif,negate,rotate=0.785398163397448"},
    {"rotate not a number is 45",
     [](auto& f) {
       f.Settings.Rotate = true;
       f.Settings.RotateText = "x";
     },
     "", "rotate=0.785398163397448"},
    {"rotate trimmed",
     [](auto& f) {
       f.Settings.Rotate = true;
       f.Settings.RotateText = " 90 ";
     },
     "", "rotate=1.5707963267949"},
    {"rotate negative",
     [](auto& f) {
       f.Settings.Rotate = true;
       f.Settings.RotateText = "-90";
     },
     "", "rotate=-1.5707963267949"},
    {"rotate text without its box", [](auto& f) { f.Settings.RotateText = "90"; }, "", ""},
    {"brightness and saturation",
     [](auto& f) {
       f.Settings.Brightness = f.Settings.Saturation = true;
       f.Settings.BrightnessPosition = 5;
     },
     "", "hue=b=0.5:s=1"},
    {"hue alone",
     [](auto& f) {
       f.Settings.Hue = true;
       f.Settings.HuePosition = 50;
     },
     "", "hue=H=1.5707963267949"},
    {"hue at its minimum",
     [](auto& f) {
       f.Settings.Hue = true;
       f.Settings.HuePosition = -100;
     },
     "", "hue=H=-3.14159265358979"},
    {"all three adjustments",
     [](auto& f) {
       f.Settings.Brightness = f.Settings.Saturation = f.Settings.Hue = true;
       f.Settings.BrightnessPosition = -10;
       f.Settings.SaturationPosition = 0;
     },
     "", "hue=b=-1:s=0:H=0"},
    {"positions without their boxes", [](auto& f) { f.Settings.BrightnessPosition = 50; }, "", ""},
    {"order of all filters",
     [](auto& f) {
       CropTo(f, "10", "10", "0", "0");
       PadBy(f, "2", "2", "2", "2");
       f.Settings.HoriFlip = f.Settings.Negate = f.Settings.Saturation = true;
     },
     "320x240", "crop=640:460:0:10,pad=644:464:2:2:blue,scale=320:240,hflip,negate,hue=s=1"},
    {"watermark alone", [](auto& f) { Watermark(f, "/w/a.png"); }, "",
     "movie=file\\\\:/w/a.png:f=image2pipe [watermark]; [in] null [main]; " + kOverlay},
    {"watermark after vflip",
     [](auto& f) {
       Watermark(f, "/w/a.png");
       f.Settings.VertFlip = true;
     },
     "", "movie=file\\\\:/w/a.png:f=image2pipe [watermark]; [in] vflip [main]; " + kOverlay},
    {"watermark after two filters",
     [](auto& f) {
       Watermark(f, "/w/a.png");
       f.Settings.Negate = true;
     },
     "320x240",
     "movie=file\\\\:/w/a.png:f=image2pipe [watermark]; [in] scale=320:240,negate [main]; " + kOverlay},
    {"watermark path with a colon", [](auto& f) { Watermark(f, "/w/a:b.png"); }, "",
     "movie=file\\\\:/w/a\\\\:b.png:f=image2pipe [watermark]; [in] null [main]; " + kOverlay},
    {"watermark file missing", [](auto& f) { Watermark(f, "/w/a.png", false); }, "", ""},
    {"watermark box unchecked",
     [](auto& f) {
       Watermark(f, "/w/a.png");
       f.Settings.WaterMark = false;
     },
     "", ""},
    {"watermark without a file name", [](auto& f) { Watermark(f, ""); }, "", ""},
};

TEST(BuildVideoFilterChain, FiltersInTheirOrderWhenTheyApply) {
  for (const Case& c : kCases) {
    BuilderFixture f;
    c.change(f);
    const BuildEnv env = f.Env();
    EXPECT_EQ(BuildVideoFilterChain(f.Settings, f.Source, c.frame_size, 0, env.FileExists), c.chain)
        << c.name;
  }
}

TEST(BuildVideoFilterChain, NoExistenceCheckMeansNoWatermark) {
  BuilderFixture f;
  Watermark(f, "/w/a.png");
  EXPECT_EQ(BuildVideoFilterChain(f.Settings, f.Source, "", 0, nullptr), "");
}

}  // namespace
}  // namespace zentrova::app

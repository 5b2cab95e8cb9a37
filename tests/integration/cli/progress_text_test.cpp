#include "cli/progress_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zentrova::cli {
namespace {

TEST(FormatClock, ShowsHoursOnlyWhenNeeded) {
  const std::vector<std::pair<std::int64_t, std::string>> cases = {
      {-5, "0:00"},      {0, "0:00"},        {999, "0:00"},        {5000, "0:05"},
      {754000, "12:34"}, {3599999, "59:59"}, {3723004, "1:02:03"}, {360000000, "100:00:00"},
  };
  for (const auto& [ms, text] : cases) EXPECT_EQ(FormatClock(ms), text) << ms;
}

TEST(FormatBytes, UsesBinaryUnits) {
  const std::vector<std::pair<std::int64_t, std::string>> cases = {
      {-1, "0 B"},
      {0, "0 B"},
      {1023, "1023 B"},
      {1536, "1.5 KiB"},
      {12897485, "12.3 MiB"},
      {1288490189, "1.20 GiB"},
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(FormatBytes(bytes), text) << bytes;
}

TEST(ProgressBar, FillsCellsByFraction) {
  EXPECT_EQ(ProgressBar(0.5, 10), "[#####-----]");
  EXPECT_EQ(ProgressBar(0.99, 10), "[#########-]");
  EXPECT_EQ(ProgressBar(1.7, 4), "[####]");
  EXPECT_EQ(ProgressBar(-1, 4), "[----]");
  EXPECT_EQ(ProgressBar(0.5, 0), "[-]");
}

TEST(RemainingMs, ExtrapolatesThePaceSoFar) {
  EXPECT_EQ(RemainingMs(10000, 0.25), 30000);
  EXPECT_EQ(RemainingMs(10000, 1.0), 0);
  EXPECT_FALSE(RemainingMs(10000, 0).has_value());
  EXPECT_FALSE(RemainingMs(10000, -1).has_value());
  EXPECT_FALSE(RemainingMs(0, 0.5).has_value());
}

TEST(DisplayWidth, CountsTerminalColumns) {
  EXPECT_EQ(DisplayWidth("abc"), 3);
  EXPECT_EQ(DisplayWidth("视频文件"), 8);
  EXPECT_EQ(DisplayWidth("e\xcc\x81"), 1);  // e + combining acute accent
  EXPECT_EQ(DisplayWidth("\xff\xfe"), 2);   // malformed bytes count one each
  EXPECT_EQ(DisplayWidth("\xe4\xb8"), 2);   // a cut sequence too
  EXPECT_EQ(DisplayWidth("ｶ"), 1);          // half-width katakana
}

TEST(FitToWidth, CutsWithAnEllipsisAndPadsToTheWidth) {
  EXPECT_EQ(FitToWidth("abc", 5), "abc  ");
  EXPECT_EQ(FitToWidth("abcdef", 4), "abc…");
  EXPECT_EQ(FitToWidth("abc", 0), "");
  // A wide character never straddles the edge.
  const std::string cut = FitToWidth("视频文件", 6);
  EXPECT_EQ(cut, "视频… ");
  EXPECT_EQ(DisplayWidth(cut), 6);
  EXPECT_EQ(FitToWidth("ab\xff\xff\xff", 4), "ab?…");
}

TEST(LiveLine, FillsExactlyTheColumnsWhateverTheName) {
  TProgressLine p;
  p.Number = 2;
  p.Count = 5;
  p.Fraction = 0.45;
  p.FPS = 25;
  p.ElapsedMs = 12000;
  p.OutputBytes = 1258291;
  for (const std::string name :
       {"a.mov", "a very long file name that goes on and on and on.mov", "源视频文件.mkv"}) {
    p.Name = name;
    for (int columns : {20, 40, 60, 79, 120}) {
      SCOPED_TRACE(name + " @" + std::to_string(columns));
      const std::string line = LiveLine(p, columns);
      EXPECT_EQ(DisplayWidth(line), columns);
      if (columns >= 79) {
        EXPECT_NE(line.find("45%"), std::string::npos) << line;
        EXPECT_NE(line.find("25 fps"), std::string::npos) << line;
        EXPECT_NE(line.find("0:12"), std::string::npos) << line;
        EXPECT_NE(line.find("1.2 MiB"), std::string::npos) << line;
        EXPECT_NE(line.find("ETA"), std::string::npos) << line;
        EXPECT_NE(line.find("0:14"), std::string::npos) << line;  // 12 s x 55 / 45
        EXPECT_NE(line.find("[2/5]"), std::string::npos) << line;
      }
      // The bar gets its full 20 cells once there is room: 45% fills 9.
      if (columns >= 120) {
        EXPECT_NE(line.find(" [#########-----------] "), std::string::npos) << line;
      }
    }
  }
}

TEST(LiveLine, UnknownTotalShowsNoPercentageAndNoEta) {
  TProgressLine p;
  p.Name = "live.ts";
  p.ElapsedMs = 5000;
  const std::string line = LiveLine(p, 100);
  EXPECT_NE(line.find("--%"), std::string::npos) << line;
  EXPECT_NE(line.find("ETA   --:--"), std::string::npos) << line;
}

TEST(PlainLine, SaysEverythingOnOneLine) {
  TProgressLine p;
  p.Number = 1;
  p.Count = 3;
  p.Name = "clip.mov";
  p.Fraction = 0.5;
  p.FPS = 30;
  p.ElapsedMs = 4000;
  p.OutputBytes = 2048;
  EXPECT_EQ(PlainLine(p), "[1/3] clip.mov: 50% 30 fps, elapsed 0:04, 2.0 KiB, ETA 0:04");
  p.FPS = -1;  // audio only: no frame rate to tell
  EXPECT_EQ(PlainLine(p), "[1/3] clip.mov: 50%, elapsed 0:04, 2.0 KiB, ETA 0:04");
  EXPECT_EQ(LiveLine(p, 100).find("fps"), std::string::npos) << LiveLine(p, 100);
  EXPECT_EQ(LiveLine(p, 100).find("-1"), std::string::npos) << LiveLine(p, 100);
}

}  // namespace
}  // namespace zentrova::cli

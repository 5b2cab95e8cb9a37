#include "app/ui/conversion_list.h"

#include <gtest/gtest.h>

#include <limits>

namespace zentrova::ui {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

TEST(ProgressText, WholePercentOfTheTotalOrNA) {
  struct Case {
    std::int64_t current, total;
    const char* text;
  } cases[] = {
      {1500000, 2000000, "75%"},
      {1999999, 2000000, "99%"},
      {2000000, 2000000, "100%"},
      {2100000, 2000000, "105%"},
      {0, 2000000, "0%"},
      {1, 0, "N/A"},
      {1, -5, "N/A"},
      {3000000, -1, "N/A"},  // the engine's "no input states its duration"
      {kMax / 2, kMax, "49%"},
      {kMax, kMax, "100%"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ProgressText(c.current, c.total), QString::fromLatin1(c.text)) << c.current << "/" << c.total;
}

TEST(DurationText, WholeSecondsOrNA) {
  struct Case {
    std::int64_t duration;
    const char* text;
  } cases[] = {{2500000, "2"}, {999999, "0"}, {3723004000, "3723"}, {0, "N/A"}, {-1, "N/A"}, {kMin, "N/A"}};
  for (const Case& c : cases) EXPECT_EQ(DurationText(c.duration), QString::fromLatin1(c.text)) << c.duration;
}

TEST(TConversionList, ShowsTheNamesWithoutFoldersAndIgnoresRowsThatDoNotExist) {
  TConversionList list;
  TConversionRow row;
  row.InputFile = "/videos/夏天/clip.mov";
  row.InputDuration = 61500000;
  row.InputSize = 12345;
  row.OutputFile = "/out/clip_(new).mp4";
  list.Append(row);
  EXPECT_EQ(list.Text(0, 0), QStringLiteral("clip.mov"));
  EXPECT_EQ(list.Text(0, 1), QStringLiteral("61"));
  EXPECT_EQ(list.Text(0, 2), QStringLiteral("12345"));
  EXPECT_EQ(list.Text(0, 3), QStringLiteral("clip_(new).mp4"));
  list.SetProgress(1, {30, 1, 1, 1});
  list.SetFinished(-1);
  list.SetMarker(5);
  list.Remove(3);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_TRUE(list.Text(0, 4).isEmpty());
  EXPECT_FALSE(list.Row(0).Marker);
  EXPECT_TRUE(list.Text(4, 0).isEmpty());
}

}  // namespace
}  // namespace zentrova::ui

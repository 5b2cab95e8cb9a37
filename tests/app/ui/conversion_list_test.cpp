#include "app/ui/conversion_list.h"

#include <gtest/gtest.h>

#include <limits>

#include "app/ui/batch_status.h"
#include "app/ui/list_texts.h"

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
      {2100000, 2000000, "100%"},  // a report past the stated total
      {-5, 2000000, "0%"},
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

TEST(DurationText, HoursMinutesSecondsOrNA) {
  struct Case {
    std::int64_t duration;
    const char* text;
  } cases[] = {{2500000, "0:00:02"},
               {999999, "0:00:00"},
               {3723004000, "1:02:03"},
               {59999999, "0:00:59"},
               {360000000000, "100:00:00"},
               {0, "N/A"},
               {-1, "N/A"},
               {kMin, "N/A"}};
  for (const Case& c : cases) EXPECT_EQ(DurationText(c.duration), QString::fromLatin1(c.text)) << c.duration;
}

TEST(ListTexts, SizesInBinaryUnitsWithTheExactBytesInTheTip) {
  struct Case {
    std::int64_t bytes;
    const char* text;
  } cases[] = {{0, "0 B"},
               {1023, "1023 B"},
               {1024, "1.0 KiB"},
               {1536, "1.5 KiB"},
               {1048575, "1024.0 KiB"},
               {1048576, "1.0 MiB"},
               {12897485, "12.3 MiB"},
               {1342177280, "1.25 GiB"},
               {-7, "0 B"}};
  for (const Case& c : cases) EXPECT_EQ(SizeText(c.bytes), QString::fromLatin1(c.text)) << c.bytes;
  EXPECT_EQ(SizeTip(12897485), QStringLiteral("12897485 bytes"));
  EXPECT_EQ(MediaTimeTip(9999999), QStringLiteral("9.999 s"));
  EXPECT_EQ(MediaTimeTip(61005000), QStringLiteral("61.005 s"));
}

TEST(ProgressColumnText, SaysWhatBecameOfTheRow) {
  struct Case {
    const char* name;
    bool ran;
    int percent;
    bool stopping;
    TRowOutcome outcome;
    const char* text;
    int bar;
  } cases[] = {
      {"waiting", false, -1, false, TRowOutcome::Waiting, "", -1},
      {"running", true, 42, false, TRowOutcome::Waiting, "42%", 42},
      {"running, total unknown", true, -1, false, TRowOutcome::Waiting, "N/A", -1},
      {"stopping", true, 42, true, TRowOutcome::Waiting, "Stopping", 42},
      {"stopping before it ran", false, -1, true, TRowOutcome::Waiting, "Stopping", -1},
      {"converted", true, 99, false, TRowOutcome::Converted, "Converted", 100},
      {"stopped", true, 42, false, TRowOutcome::Stopped, "Stopped at 42%", 42},
      {"stopped, total unknown", true, -1, false, TRowOutcome::Stopped, "Stopped", -1},
      {"stopped before it ran", false, -1, false, TRowOutcome::Stopped, "Stopped before it started", -1},
      {"failed", true, 30, false, TRowOutcome::Failed, "Failed", -1},
      {"incomplete", true, 85, false, TRowOutcome::Incomplete, "Incomplete at 85%", 85},
  };
  for (const Case& c : cases) {
    TConversionList list;
    TConversionRow row;
    row.Ran = c.ran;
    row.Percent = c.percent;
    row.Stopping = c.stopping;
    row.Outcome = c.outcome;
    list.Append(row);
    EXPECT_EQ(list.Text(0, 4), QString::fromLatin1(c.text)) << c.name;
    EXPECT_EQ(list.data(list.index(0, 4), TConversionList::kPercentRole).toInt(), c.bar) << c.name;
  }
}

TEST(BatchStatusText, CountsFilesDoneThePercentageAndTheTimeLeft) {
  TConversionList list;
  EXPECT_EQ(BatchStatusText(list, -1, TBatchRun::Ended), QStringLiteral("No files in the list"));
  TConversionRow row;
  row.InputDuration = 10000000;
  list.Append(row);
  row.InputDuration = 30000000;
  list.Append(row);
  EXPECT_EQ(BatchStatusText(list, -1, TBatchRun::Ended), QStringLiteral("2 files ready to convert"));
  // 10 s done of 40 s in 20 s of wall time: 60 s left.
  list.SetOutcome(0, TRowOutcome::Converted, {});
  EXPECT_DOUBLE_EQ(BatchFraction(list), 0.25);
  EXPECT_EQ(BatchStatusText(list, 20000, TBatchRun::Going),
            QStringLiteral("1 of 2 files done · 25% · 0:01:00 left"));
  EXPECT_EQ(BatchStatusText(list, 20000, TBatchRun::Held), QStringLiteral("1 of 2 files done · 25%"));
  list.SetProgress(1,
                   {.FPS = 25, .CurrentSize = 1000, .CurrentDuration = 15000000, .TotalDuration = 30000000});
  EXPECT_DOUBLE_EQ(BatchFraction(list), 0.625);
  list.SetOutcome(1, TRowOutcome::Stopped, {});
  EXPECT_EQ(BatchStatusText(list, 65000, TBatchRun::Ended),
            QStringLiteral("2 of 2 files done · 100% · 1 converted · 1 stopped · took 0:01:05"));
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
  EXPECT_EQ(list.Text(0, 1), QStringLiteral("0:01:01"));
  EXPECT_EQ(list.Text(0, 2), QStringLiteral("12.1 KiB"));
  EXPECT_EQ(list.data(list.index(0, 1), Qt::ToolTipRole).toString(), QStringLiteral("61.500 s"));
  EXPECT_EQ(list.data(list.index(0, 2), Qt::ToolTipRole).toString(), QStringLiteral("12345 bytes"));
  EXPECT_EQ(list.Text(0, 3), QStringLiteral("clip_(new).mp4"));
  list.SetProgress(1, {.FPS = 30, .CurrentSize = 1, .CurrentDuration = 1, .TotalDuration = 1});
  list.SetOutcome(-1, TRowOutcome::Converted, {});
  list.SetMarker(5);
  list.Remove(3);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_TRUE(list.Text(0, 4).isEmpty());
  EXPECT_FALSE(list.Row(0).Marker);
  EXPECT_TRUE(list.Text(4, 0).isEmpty());
}

}  // namespace
}  // namespace zentrova::ui

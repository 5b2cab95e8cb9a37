#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "cli/json_events.h"
#include "cli/progress_text.h"
#include "cli/summary_table.h"

namespace zentrova::cli {
namespace {

using std::chrono::milliseconds;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Three rows: converted (CJK name), failed with a two-line engine message,
// and one that was never added.
struct EndedBatch {
  TBatchState batch;
  TClock::time_point t0 = TClock::now();
  EndedBatch() {
    batch.AddTask("/m/源视频.mov", "/m/源视频_(new).mp4", 0, 62000000);
    batch.AddTask("/m/b.mkv", "/m/b_(new).mp4", 1, 3000000);
    batch.AddFailed("/m/c.bin", "/m/c.bin: Invalid data found when processing input");
    batch.Begin(2, t0);
    batch.Progress({.TaskIndex = 0,
                    .FrameNumber = 10,
                    .FPS = 25,
                    .CurrentSize = 700000,
                    .CurrentDuration = 62000000,
                    .TotalDuration = 62000000});
    batch.Terminate({0, true, false, "", false, "", 0}, t0 + milliseconds(65000));
    batch.Terminate({1, false, true, "Error while decoding stream #0:0\r\nConversion failed!", false, "", 0},
                    t0 + milliseconds(2000));
    batch.Terminate({-1, true, false, "", false, "", 0}, t0 + milliseconds(65000));
  }
};

TEST(FormatSummaryTable, OneAlignedLinePerFileThenErrorsAndCounts) {
  EndedBatch e;
  const std::vector<std::string> lines = Lines(FormatSummaryTable(e.batch, e.t0 + milliseconds(70000)));
  ASSERT_GE(lines.size(), 8u);
  EXPECT_EQ(lines[0].substr(0, 4), "File");
  // The "Result" column starts at the same screen column on every line.
  const auto result_column = [](const std::string& line, const std::string& word) {
    return DisplayWidth(line.substr(0, line.find(word)));
  };
  const int column = result_column(lines[0], "Result");
  EXPECT_EQ(result_column(lines[1], "converted"), column) << lines[1];
  EXPECT_EQ(result_column(lines[2], "failed"), column) << lines[2];
  EXPECT_EQ(result_column(lines[3], "not added"), column) << lines[3];
  EXPECT_NE(lines[1].find("源视频_(new).mp4"), std::string::npos);
  EXPECT_NE(lines[1].find("1:02"), std::string::npos);       // source duration
  EXPECT_NE(lines[1].find("683.6 KiB"), std::string::npos);  // output size
  EXPECT_NE(lines[1].find("1:05"), std::string::npos);       // conversion time
  EXPECT_NE(lines[3].find("N/A"), std::string::npos);
  EXPECT_EQ(lines[4], "Errors:");
  EXPECT_EQ(lines[5], "  /m/b.mkv: Error while decoding stream #0:0");
  EXPECT_EQ(lines[6], "    Conversion failed!");
  EXPECT_EQ(lines[7], "  /m/c.bin: Invalid data found when processing input");
  EXPECT_EQ(lines.back(), "1 converted, 1 failed, 1 not added");
}

TEST(JsonEvents, EachEventIsOneParsableLine) {
  EndedBatch e;
  const TClock::time_point now = e.t0 + milliseconds(70000);
  const std::vector<nlohmann::json> events = {AddedEvent(e.batch, 0),    AddedEvent(e.batch, 2),
                                              StartedEvent(e.batch, 1),  ProgressEvent(e.batch, 0, now),
                                              EndEvent(e.batch, 1, now), SummaryEvent(e.batch, now)};
  for (const nlohmann::json& event : events) {
    const std::string line = JsonLine(event);
    EXPECT_EQ(line.find('\n'), std::string::npos) << line;
    EXPECT_EQ(nlohmann::json::parse(line), event);
  }
  EXPECT_EQ(events[0]["event"], "added");
  EXPECT_EQ(events[0]["output"], "/m/源视频_(new).mp4");
  EXPECT_EQ(events[1]["event"], "not_added");
  EXPECT_EQ(events[1]["message"], "/m/c.bin: Invalid data found when processing input");
  EXPECT_EQ(events[3]["percent"], 100.0);
  EXPECT_EQ(events[3]["size"], 700000);
  EXPECT_EQ(events[4]["result"], "failed");
  EXPECT_EQ(events[4]["elapsed_ms"], 2000);
  const nlohmann::json& summary = events[5];
  EXPECT_EQ(summary["exit_code"], 1);
  EXPECT_EQ(summary["converted"], 1);
  EXPECT_EQ(summary["failed"], 1);
  EXPECT_EQ(summary["not_added"], 1);
  ASSERT_EQ(summary["files"].size(), 3u);
  EXPECT_EQ(summary["files"][0]["duration_us"], 62000000);
}

TEST(JsonEvents, AnIncompleteTaskKeepsItsShareIsCountedApartAndFailsTheExitCode) {
  TBatchState batch;
  batch.AddTask("/m/cut.mkv", "/m/cut_(new).mp4", 0, 20000000);
  batch.AddTask("/m/whole.mkv", "/m/whole_(new).mp4", 1, 2000000);
  const TClock::time_point t0 = TClock::now();
  batch.Begin(2, t0);
  batch.Progress({.TaskIndex = 0,
                  .FrameNumber = 250,
                  .FPS = 25,
                  .CurrentSize = 1000,
                  .CurrentDuration = 9900000,
                  .TotalDuration = 20000000});
  batch.Terminate({0, true, false, "", true, "/m/cut.mkv: input ended at 0:09.9 of 0:20.0", 3}, t0);
  batch.Terminate({1, true, false, "", false, "", 0}, t0);
  batch.Terminate({-1, true, false, "", false, "", 0}, t0);

  const TTaskRow& cut = batch.Rows()[0];
  EXPECT_EQ(cut.Result, TTaskResult::trIncomplete);
  EXPECT_DOUBLE_EQ(cut.Fraction, 0.495);  // the share reached, not 100 %
  EXPECT_EQ(batch.ExitCode(), 1);
  EXPECT_EQ(ResultCounts(batch), "1 converted, 1 incomplete");

  const nlohmann::json end = EndEvent(batch, 0, t0);
  EXPECT_EQ(end["result"], "incomplete");
  EXPECT_EQ(end["message"], "/m/cut.mkv: input ended at 0:09.9 of 0:20.0");
  EXPECT_EQ(end["decode_errors"], 3);
  const nlohmann::json summary = SummaryEvent(batch, t0);
  EXPECT_EQ(summary["incomplete"], 1);
  EXPECT_EQ(summary["converted"], 1);
  EXPECT_EQ(summary["exit_code"], 1);

  const std::vector<std::string> lines = Lines(FormatSummaryTable(batch, t0));
  EXPECT_NE(std::find(lines.begin(), lines.end(), "  /m/cut.mkv: input ended at 0:09.9 of 0:20.0"),
            lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "  /m/cut.mkv: 3 decoding errors"), lines.end());
}

TEST(JsonEvents, UnknownTotalGivesNullPercentAndBadBytesAreReplaced) {
  TBatchState batch;
  batch.AddTask("/m/\xff\xfe.ts", "/m/x_(new).mp4", 0, -1);
  batch.Begin(1, TClock::now());
  batch.Progress({.TaskIndex = 0, .CurrentDuration = 100});  // the engine's "no input states its duration"
  const nlohmann::json event = ProgressEvent(batch, 0, TClock::now());
  EXPECT_TRUE(event["percent"].is_null());
  EXPECT_TRUE(event["total_us"].is_null());
  EXPECT_EQ(event["time_us"], 100);
  EXPECT_TRUE(event["eta_ms"].is_null());
  EXPECT_EQ(event["fps"], 0);
  batch.Progress({.TaskIndex = 0,
                  .FrameNumber = -1,
                  .FPS = -1,
                  .CurrentDuration = 100});  // audio only: no frame rate, no frame number
  const nlohmann::json audio = ProgressEvent(batch, 0, TClock::now());
  EXPECT_FALSE(audio.contains("fps")) << audio.dump();
  EXPECT_FALSE(audio.contains("frame")) << audio.dump();
  const nlohmann::json back = nlohmann::json::parse(JsonLine(event));
  EXPECT_EQ(back["file"], "/m/\xef\xbf\xbd\xef\xbf\xbd.ts");  // U+FFFD twice
}

}  // namespace
}  // namespace zentrova::cli

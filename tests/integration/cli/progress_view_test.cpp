#include "cli/progress_view.h"

#include <gtest/gtest.h>

#include <cctype>
#include <csignal>
#include <sstream>
#include <string>
#include <vector>

#include "cli/interrupt.h"
#include "cli/json_events.h"
#include "cli/progress_text.h"

namespace zentrova::cli {
namespace {

using std::chrono::milliseconds;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The text a terminal shows: control sequences "ESC [ ... letter" removed.
std::string WithoutEscapes(const std::string& line) {
  std::string shown;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '\x1b') {
      shown += line[i];
      continue;
    }
    while (i < line.size() && !std::isalpha(static_cast<unsigned char>(line[i]))) ++i;
  }
  return shown;
}

// Drives a view through a small batch: two files added, one not, one task
// reports progress, logs a line, and both end.
struct Drive {
  TBatchState batch;
  std::ostringstream out, err;
  TProgressView view;
  explicit Drive(TProgressMode mode, bool terminal) : view(mode, terminal, 120, out, err) {
    const TClock::time_point t0 = TClock::now();
    batch.SetPlanned(3);
    view.Added(batch, batch.AddTask("/m/a.mov", "/m/a_(new).mp4", 0, 2000000));
    view.Added(batch, batch.AddFailed("/m/bad.bin", "Invalid data found when processing input"));
    view.Added(batch, batch.AddTask("/m/c.mov", "/m/c_(new).mp4", 1, 2000000));
    batch.Begin(2, t0);
    view.Started(batch, 0);
    view.Started(batch, 2);
    view.Progress(batch,
                  batch.Progress({.TaskIndex = 0,
                                  .FrameNumber = 25,
                                  .FPS = 25,
                                  .CurrentSize = 1000,
                                  .CurrentDuration = 1000000,
                                  .TotalDuration = 2000000}),
                  t0 + milliseconds(500));
    view.LogLine("[libx264 @ 0x1] using cpu capabilities");
    view.Ended(batch, batch.Terminate({0, true, false, "", false, "", 0}, t0 + milliseconds(900)),
               t0 + milliseconds(900));
    view.Ended(batch,
               batch.Terminate({1, false, true, "Conversion failed!", false, "", 0}, t0 + milliseconds(950)),
               t0 + milliseconds(950));
    batch.Terminate({-1, true, false, "", false, "", 0}, t0 + milliseconds(950));
    view.Finish(batch, t0 + milliseconds(1000));
  }
};

TEST(TProgressView, PlainModeWritesLinesAndTheTableWithoutEscapes) {
  Drive d(TProgressMode::pmAuto, false);
  EXPECT_FALSE(d.view.Live());
  const std::string out = d.out.str();
  EXPECT_EQ(out.find('\x1b'), std::string::npos);
  EXPECT_NE(out.find("[1/3] a.mov: 50% 25 fps, elapsed 0:00, 1000 B, ETA 0:00"), std::string::npos) << out;
  EXPECT_NE(out.find("[1/3] a.mov: converted in 0:00, 1000 B -> /m/a_(new).mp4"), std::string::npos) << out;
  EXPECT_NE(out.find("1 converted, 1 failed, 1 not added"), std::string::npos) << out;
  const std::string err = d.err.str();
  EXPECT_NE(err.find("[2/3] /m/bad.bin: not added: Invalid data found"), std::string::npos) << err;
  EXPECT_NE(err.find("[3/3] /m/c.mov: failed: Conversion failed!"), std::string::npos) << err;
  EXPECT_NE(err.find("using cpu capabilities"), std::string::npos) << err;
}

TEST(TProgressView, LiveModeRedrawsTheRunningLinesInPlace) {
  Drive d(TProgressMode::pmAuto, true);
  EXPECT_TRUE(d.view.Live());
  const std::string out = d.out.str();
  // Two running tasks drawn, then taken away (cursor up two lines, erase).
  EXPECT_NE(out.find("\x1b[2F\x1b[J"), std::string::npos);
  EXPECT_NE(out.find("[1/3] a.mov"), std::string::npos);
  EXPECT_NE(out.find("[##########----------]"), std::string::npos) << out;
  // Live lines stay one column short of the terminal so that they never wrap.
  int live_lines = 0;
  for (const std::string& line : Lines(out)) {
    const std::string shown = WithoutEscapes(line);
    if (shown.find("ETA") == std::string::npos) continue;
    EXPECT_EQ(DisplayWidth(shown), 119) << shown;
    ++live_lines;
  }
  EXPECT_GE(live_lines, 4);                        // two lines, drawn again after the log line
  EXPECT_NE(out.find("File"), std::string::npos);  // the summary table follows
}

TEST(TProgressView, JsonModeWritesOnlyJsonLinesOnStdout) {
  Drive d(TProgressMode::pmJson, true);
  std::vector<std::string> events;
  for (const std::string& line : Lines(d.out.str())) {
    const nlohmann::json event = nlohmann::json::parse(line);  // throws on anything else
    events.push_back(event["event"]);
  }
  EXPECT_EQ(events, (std::vector<std::string>{"added", "not_added", "added", "started", "started", "progress",
                                              "end", "end", "summary"}));
  EXPECT_NE(d.err.str().find("using cpu capabilities"), std::string::npos);
}

TEST(TProgressView, QuietModeShowsOnlyErrors) {
  Drive d(TProgressMode::pmQuiet, true);
  EXPECT_EQ(d.out.str(), "");
  EXPECT_NE(d.err.str().find("not added"), std::string::npos);
  EXPECT_NE(d.err.str().find("Conversion failed!"), std::string::npos);
}

TEST(TInterruptGuard, FirstInterruptAsksForAStop) {
  TInterruptGuard guard;
  EXPECT_FALSE(TInterruptGuard::StopRequested());
  std::raise(SIGINT);
  EXPECT_TRUE(TInterruptGuard::StopRequested());
}

TEST(TInterruptGuardDeathTest, SecondInterruptAbortsAtOnce) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        TInterruptGuard guard;
        std::raise(SIGINT);
        std::raise(SIGINT);
        std::_Exit(0);  // not reached
      },
      testing::ExitedWithCode(kAbortExitCode), "aborted");
}

TEST(TInterruptGuard, RestoresThePreviousHandler) {
  struct sigaction before {};
  sigaction(SIGINT, nullptr, &before);
  { TInterruptGuard guard; }
  struct sigaction after {};
  sigaction(SIGINT, nullptr, &after);
  EXPECT_EQ(before.sa_handler, after.sa_handler);
}

}  // namespace
}  // namespace zentrova::cli

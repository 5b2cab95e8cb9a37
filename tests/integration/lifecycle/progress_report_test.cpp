// Progress of a running task: rate-limited events, the final report, the
// status line and the -progress target.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <mutex>
#include <sstream>
#include <vector>

#include "lifecycle_fixture.h"

namespace zentrova::test {
namespace {

using Clock = std::chrono::steady_clock;

struct Report {
  Clock::time_point at;
  int file_index;
  int frame_number;
  std::int64_t size;
  std::int64_t duration;
  std::int64_t total;
};

class ProgressReport : public LifecycleTest {
 protected:
  // Runs `task` to its end, recording every progress event.
  std::vector<Report> Run(TFFmpegTask& task) {
    std::mutex mutex;
    std::vector<Report> reports;
    task.OnProgress = [&](TFFmpegTask*, int file_index, int frame_number, int, float, float,
                          std::int64_t size, std::int64_t duration, std::int64_t total) {
      std::lock_guard lock(mutex);
      reports.push_back({Clock::now(), file_index, frame_number, size, duration, total});
    };
    task.StartConvert();
    EXPECT_TRUE(WaitFor([&] { return task.Terminated(); }, 180000));
    std::lock_guard lock(mutex);
    return reports;
  }
  // Status lines: "frame=... size=... time=..." as logged.
  int StatusLines() const {
    int n = 0;
    for (const std::string& line : log_.Lines())
      if (line.rfind("frame=", 0) == 0 && line.find(" time=") != std::string::npos) ++n;
    return n;
  }
};

TEST_F(ProgressReport, EventsComeAnIntervalApartAndTheLastOneCarriesTheTotals) {
  const std::string input = Clip("ten.mp4", Mp4H264Aac(10));
  const std::string output = dir_.File("out.mp4");
  auto task = MakeTask(input, "", output, "-c:v libx264 -c:a aac");
  task->FReportInterval = 500000;
  const std::vector<Report> reports = Run(*task);
  ASSERT_GE(reports.size(), 1u);
  for (std::size_t i = 0; i + 1 < reports.size(); ++i) {
    EXPECT_EQ(reports[i].file_index, 0);
    if (i > 0) {
      EXPECT_GE(reports[i].at - reports[i - 1].at, std::chrono::milliseconds(495));
    }
  }
  const Report& last = reports.back();
  EXPECT_EQ(last.file_index, -1);
  EXPECT_EQ(last.frame_number, 250);
  EXPECT_NEAR(last.duration / 1e6, 10.0, 0.2);
  EXPECT_EQ(last.total, ProbeFile(input).duration_us);
  EXPECT_EQ(last.size, FileSize(output));
  EXPECT_EQ(StatusLines(), 1);  // with a handler: only the last line
}

TEST_F(ProgressReport, WithoutAHandlerTheStatusLineIsLoggedAtEveryReport) {
  auto task = MakeTask(Clip("four.mp4", Mp4H264Aac(4)), "", dir_.File("out.mp4"), "-c:v libx264 -c:a aac");
  task->FReportInterval = 1;
  task->StartConvert();
  ASSERT_TRUE(WaitFor([&] { return task->Terminated(); }, 180000));
  EXPECT_GE(StatusLines(), 3);
  const std::vector<std::string> lines = log_.Lines();
  bool last_marked = false;
  for (const std::string& line : lines)
    if (line.rfind("frame=  100", 0) == 0 && line.find(" L") != std::string::npos) last_marked = true;
  EXPECT_TRUE(last_marked) << "the last line is marked with L after the quality";
}

// A raw elementary stream states no duration: the total is -1 (unknown),
// never 0, so that no caller divides by it; an output -t gives the total.
TEST_F(ProgressReport, TotalIsMinusOneWhenNoInputStatesItsDuration) {
  const std::string raw = dir_.File("raw.h264");
  {
    auto remux = MakeTask(Clip("one.mp4", Mp4H264Aac(1)), "", raw, "-c:v copy -an -f h264");
    Run(*remux);
    ASSERT_TRUE(remux->Finished());
  }
  ASSERT_EQ(ProbeFile(raw).duration_us, 0) << "the raw stream should state no duration";
  struct Case {
    const char* output_options;
    std::int64_t total;
  };
  for (const Case& c : {Case{"-c:v mpeg4", -1}, Case{"-c:v mpeg4 -t 0.6", 600000}}) {
    SCOPED_TRACE(c.output_options);
    auto task = MakeTask(raw, "", dir_.File("out.mp4"), c.output_options);
    const std::vector<Report> reports = Run(*task);
    ASSERT_FALSE(reports.empty());
    for (const Report& report : reports) EXPECT_EQ(report.total, c.total);
    EXPECT_GT(reports.back().duration, 0);
  }
}

TEST_F(ProgressReport, ProgressTargetGetsKeyValueBlocksEndingWithEnd) {
  const std::string target = dir_.File("progress.txt");
  auto task = MakeTask(Clip("two.mp4", Mp4H264Aac(2)), "", dir_.File("out.mp4"),
                       "-c:v libx264 -c:a aac -progress " + target);
  task->FReportInterval = 1;
  task->StartConvert();
  ASSERT_TRUE(WaitFor([&] { return task->Terminated(); }, 180000));
  std::ifstream in(target);
  std::stringstream text;
  text << in.rdbuf();
  const std::string content = text.str();
  EXPECT_NE(content.find("frame=50\n"), std::string::npos) << content;
  EXPECT_NE(content.find("out_time_ms="), std::string::npos);
  EXPECT_NE(content.find("total_size="), std::string::npos);
  ASSERT_GE(content.size(), 13u);
  EXPECT_EQ(content.substr(content.size() - 13), "progress=end\n");
}

}  // namespace
}  // namespace zentrova::test

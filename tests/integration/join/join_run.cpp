#include "join/join_run.h"

#include <mutex>

#include "engine/custom_ffmpeg.h"
#include "log/logger.h"
#include "support/engine_open.h"

namespace zentrova::test {
namespace {

// Records every progress report; stops the run when told to.
class ObservedEngine : public TCustomFFmpeg {
 public:
  ObservedEngine(JoinRun& run, int stop_in_file) : run_(run), stop_in_file_(stop_in_file) {}

 protected:
  void report_progress(int file_index, bool is_last, std::int64_t cur_time,
                       std::int64_t timer_start) override {
    TCustomFFmpeg::report_progress(file_index, is_last, cur_time, timer_start);
    if (is_last) return;
    JoinProgress p;
    p.file_index = file_index;
    p.total_duration_us = FOutputDuration;
    for (int i = Fost_from_idx; i <= Fost_to_idx; ++i) {
      const TOutputStream& ost = *Foutput_streams[static_cast<std::size_t>(i)];
      if (ost.st && ost.st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
        p.frame_number = ost.frame_number;
        break;
      }
    }
    run_.progress.push_back(p);
    // Stop once the input has really started to give frames.
    if (file_index == stop_in_file_ && p.frame_number > 140) Stop();
  }

 private:
  JoinRun& run_;
  int stop_in_file_;
};

}  // namespace

std::string JoinRun::LogText() const {
  std::string text;
  for (const std::string& line : log) text += line + "\n";
  return text;
}

JoinRun RunJoin(const std::vector<JoinInput>& inputs, const std::string& output, const std::string& options,
                const JoinControl& control) {
  JoinRun run;
  std::mutex lines_lock;
  TZOVuzodi logger;
  logger.SetTriggerEventInMainThread(false);
  logger.SetLogLevel(TLogLevel::llVerbose);
  logger.SetOnLog([&](const void*, int, TLogLevel, const std::string& msg) {
    std::lock_guard guard(lines_lock);
    run.log.push_back(msg);
  });
  {
    ObservedEngine engine(run, control.stop_in_file);
    auto open = [&](const std::function<int(TFileOptionContext&)>& opener) {
      return OpenEngineFile(engine, opener, run.message) >= 0;
    };
    run.opened = true;
    for (const JoinInput& input : inputs)
      run.opened = run.opened && open([&](TFileOptionContext& o) {
                     return engine.OpenInputFile(o, input.options, input.file, "");
                   });
    run.opened = run.opened && open([&](TFileOptionContext& o) {
                   return engine.OpenOutputFile(o, options, true, output, "");
                 });
    if (run.opened && !control.second_output.empty())
      run.opened = open([&](TFileOptionContext& o) {
        return engine.OpenOutputFile(o, options, true, control.second_output, "");
      });
    if (run.opened) {
      engine.RunConversion();
      run.finished = engine.Finished();
      run.fatal = engine.FatalException();
      run.message = engine.FatalMessage();
    }
  }
  logger.SetOnLog(nullptr);
  return run;
}

}  // namespace zentrova::test

#include "transcode/engine_run.h"

#include <chrono>
#include <mutex>
#include <thread>

#include "log/logger.h"
#include "support/engine_open.h"

namespace zentrova::test {
namespace {

// The hooks of a real task are assigned events; here only whether they are.
class HookedEngine : public TCustomFFmpeg {
 public:
  explicit HookedEngine(EngineHooks hooks) : hooks_(hooks) {}

 protected:
  bool AudioHookAssigned() const override { return hooks_.audio_hook; }
  bool VideoHookAssigned() const override { return hooks_.video_hook; }
  bool PostHooksRequested() const override { return hooks_.preview; }

 private:
  EngineHooks hooks_;
};

}  // namespace

bool EngineRun::Logged(const std::string& text) const {
  for (const std::string& line : log)
    if (line.find(text) != std::string::npos) return true;
  return false;
}

std::string EngineRun::LogText() const {
  std::string text;
  for (const std::string& line : log) text += line + "\n";
  return text;
}

EngineRun RunEngine(const std::vector<EngineInput>& inputs, const std::string& output,
                    const std::string& output_options, TLogLevel level, EngineHooks hooks,
                    const EngineControl& control) {
  EngineRun run;
  std::mutex lines_lock;
  TZOVuzodi logger;
  logger.SetTriggerEventInMainThread(false);
  logger.SetLogLevel(level);
  logger.SetOnLog([&](const void*, int, TLogLevel, const std::string& msg) {
    std::lock_guard guard(lines_lock);
    run.log.push_back(msg);
  });
  {
    HookedEngine engine(hooks);
    auto open = [&](const std::function<int(TFileOptionContext&)>& opener) {
      return OpenEngineFile(engine, opener, run.message) >= 0;
    };
    run.opened = true;
    for (const EngineInput& input : inputs) {
      run.opened = run.opened && open([&](TFileOptionContext& o) {
                     return engine.OpenInputFile(o, input.options, input.file, "");
                   });
    }
    run.opened = run.opened && open([&](TFileOptionContext& o) {
                   return engine.OpenOutputFile(o, output_options, false, output, "");
                 });
    if (run.opened) {
      std::thread controller;
      if (control) controller = std::thread([&] { control(engine); });
      const auto start = std::chrono::steady_clock::now();
      engine.RunConversion();
      run.wall_s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      if (controller.joinable()) controller.join();
      run.finished = engine.Finished();
      run.fatal = engine.FatalException();
      run.message = engine.FatalMessage();
      run.frames_dup = engine.Fnb_frames_dup;
      run.frames_drop = engine.Fnb_frames_drop;
      run.frames_decoded = engine.Fdecode_error_stat[0];
      run.decode_errors = engine.Fdecode_error_stat[1];
    }
  }
  logger.SetOnLog(nullptr);
  return run;
}

}  // namespace zentrova::test

// Filter commands from the task's owner to the filter graphs of a run.
//
// The owner's thread calls these while the run's thread uses the graphs:
// both take `FGraphLock` around their library graph calls only (never
// across hooks or events, which may wait for the owner's thread). Once the
// run has freed its graphs the commands answer false.
#include <fmt/format.h>
#include <mutex>

#include "engine/run/ffmpeg_task.h"
#include "engine/filters/filter_graph.h"
#include "log/logger.h"
#include "media/error_text.h"

namespace zentrova {

namespace {

constexpr const char* kGraphsFreed =
    "The filter graphs of this task are released; no command can reach them.";

// Runs `command(graph, i)` on every graph the run still has, under `lock`; a
// failed graph puts `failure` followed by its number into FLastErrMsg. False
// when the graphs are freed or any graph failed.
template <typename Command>
bool CommandEachGraph(TFFmpegTask& task, std::mutex& lock, const bool& graphs_freed, const char* failure,
                      Command command) {
  std::lock_guard guard(lock);
  if (graphs_freed) {
    task.FLastErrMsg = kGraphsFreed;
    task.Log(TLogLevel::llError, task.FLastErrMsg);
    return false;
  }
  bool ok = true;
  for (std::size_t i = 0; i < task.Ffiltergraphs.size(); ++i) {
    AVFilterGraph* graph = task.Ffiltergraphs[i]->graph.get();
    if (!graph) continue;
    const int ret = command(graph, i);
    if (ret < 0) {
      task.FLastErrMsg = error_code_text(ret, fmt::format("{}{}", failure, i));
      task.Log(TLogLevel::llError, task.FLastErrMsg);
      ok = false;
    }
  }
  return ok;
}

}  // namespace

bool TFFmpegTask::SendFilterCommand(const std::string& target, const std::string& command,
                                    const std::string& argument, int flags) {
  Log(TLogLevel::llVerbose, fmt::format("Sending filter command target:{} cmd:{} arg:{} flags:{}", target,
                                        command, argument, flags));
  return CommandEachGraph(
      *this, FGraphLock, FGraphsFreed, "avfilter_graph_send_command() failed for stream ",
      [&](AVFilterGraph* graph, std::size_t i) {
        char response[4096] = {};
        const int ret = ff::avfilter_graph_send_command(graph, target.c_str(), command.c_str(),
                                                        argument.c_str(), response, sizeof(response), flags);
        if (ret < 0 || response[0])
          Log(TLogLevel::llInfo,
              fmt::format("Command reply for stream {}: ret:{} response:{}", i, ret, response));
        return ret;
      });
}

bool TFFmpegTask::QueueFilterCommand(const std::string& target, const std::string& command,
                                     const std::string& argument, int flags, double time_s) {
  Log(TLogLevel::llVerbose,
      fmt::format("Queueing filter command target:{} cmd:{} arg:{} time:{:.2f} flags:{}", target, command,
                  argument, time_s, flags));
  return CommandEachGraph(*this, FGraphLock, FGraphsFreed, "Queing command failed with error for stream #",
                          [&](AVFilterGraph* graph, std::size_t) {
                            return ff::avfilter_graph_queue_command(graph, target.c_str(), command.c_str(),
                                                                    argument.c_str(), flags, time_s);
                          });
}

}  // namespace zentrova

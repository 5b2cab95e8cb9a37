#include "engine/run/convert_thread.h"

#include <exception>
#include <future>
#include <stdexcept>
#include <string>
#include <utility>

#include "log/logger.h"

namespace zentrova {

void TConvertThread::Start(std::function<void()> work, TThreadPriority priority) {
  if (FThread.joinable()) throw std::logic_error("TConvertThread started twice");
  std::promise<unsigned> started;
  std::future<unsigned> id = started.get_future();
  std::promise<void> go;
  std::shared_future<void> may_run = go.get_future().share();
  FThread = std::thread([started = std::move(started), may_run, work = std::move(work), priority]() mutable {
    started.set_value(CurrentThreadId());
    may_run.wait();
    if (priority != TThreadPriority::tpNormal) SetCurrentThreadPriority(priority);
    try {
      work();
    } catch (const std::exception& e) {
      Log(TLogLevel::llError, std::string("Unhandled error on a conversion thread: ") + e.what());
    } catch (...) {
      Log(TLogLevel::llError, "Unhandled error on a conversion thread.");
    }
    FlushThreadLogText();
  });
  FThreadID = id.get();
  go.set_value();  // the last touch of this object by Start
}

bool TConvertThread::IsCurrent() const {
  const unsigned id = FThreadID.load();
  return id != 0 && id == CurrentThreadId();
}

TConvertThread::~TConvertThread() {
  if (!FThread.joinable()) return;
  if (IsCurrent())
    FThread.detach();
  else
    FThread.join();
}

}  // namespace zentrova

#include "app/ui/file_prober.h"

#include <exception>
#include <utility>

#include "convert/library_names.h"
#include "convert/source_probe_of_decoder.h"
#include "decoder/ridarivir.h"
#include "log/threads.h"

namespace zentrova::ui {

TFileProber::TFileProber(QStringList names, TInputPolicy policy, std::function<void()> wake)
    : names_(std::move(names)), wake_(std::move(wake)), worker_([this, policy] { Run(policy); }) {}

TFileProber::~TFileProber() {
  Stop();
  worker_.join();
}

void TFileProber::Stop() {
  stop_ = true;
}

std::optional<TProbedFile> TFileProber::TakeNext() {
  std::lock_guard lock(lock_);
  if (results_.empty()) return std::nullopt;
  TProbedFile file = std::move(results_.front());
  results_.pop_front();
  return file;
}

bool TFileProber::Finished() {
  std::lock_guard lock(lock_);
  return ended_ && results_.empty();
}

void TFileProber::Put(TProbedFile file) {
  bool first = false;
  {
    std::lock_guard lock(lock_);
    first = results_.empty();
    results_.push_back(std::move(file));
  }
  if (first) wake_();
}

void TFileProber::Run(TInputPolicy policy) {
  // Probing yields to the GUI thread: this thread and the decoding threads it
  // starts (they inherit its nice value) run below normal priority.
  SetCurrentThreadPriority(TThreadPriority::tpLowest);
  ProbeAll(policy);
  // The last thing this thread does: the joiner hardly waits once it has seen the end.
  {
    std::lock_guard lock(lock_);
    ended_ = true;
  }
  wake_();
}

void TFileProber::ProbeAll(TInputPolicy policy) {
  // The decoder lives and works on this thread only.
  TRIDarivir decoder;
  decoder.SetInputPolicy(policy);
  // An open that waits (a pipe, a slow mount) ends when the batch is stopped.
  decoder.SetStopCheck([this] { return stop_.load(); });
  for (const QString& name : names_) {
    if (stop_) return;
    TProbedFile file;
    file.Name = name;
    try {
      file.Loaded = decoder.LoadFile(app::InputUrl(name.toStdString()));
      if (file.Loaded) {
        file.Probe = app::ProbeOfDecoder(decoder);
        file.Size = decoder.FileSize();
      } else {
        file.Error = decoder.LastErrMsg();
      }
    } catch (const std::exception& error) {
      // No exception leaves the thread: the file is reported as not loaded.
      file.Loaded = false;
      file.Error = error.what();
    }
    decoder.CloseFile();
    if (stop_) return;
    Put(std::move(file));
  }
}

}  // namespace zentrova::ui

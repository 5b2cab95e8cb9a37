// Probing the files of a batch off the GUI thread: a worker with a decoder
// of its own opens each name in order and copies out what adding it needs
// (the source's facts, its duration and size, or why it cannot be opened).
//
// The GUI thread takes the results in the order of the names while the
// worker goes on. The worker never waits for the GUI thread: it tells that
// results wait through `wake` (called on the worker; it must only post), once
// each time the queue becomes non-empty, and once more when it has ended.
//
// Ownership: the prober owns its worker and the worker's decoder; the
// destructor stops the worker (between two files, or inside an open that
// waits) and joins it. Threads: construction, `TakeNext`, `Finished`,
// `Stop` and destruction on one thread (the GUI thread); `wake` on the worker.
#pragma once

#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "convert/source_state.h"
#include "log/base_component.h"

namespace zentrova::ui {

/// What the worker found out about one name of the batch.
struct TProbedFile {
  QString Name;             ///< as given
  bool Loaded = false;      ///< the decoder opened it
  app::TSourceProbe Probe;  ///< when loaded
  std::int64_t Size = 0;    ///< bytes, when loaded
  std::string Error;        ///< the decoder's message, when not loaded
};

class TFileProber {
 public:
  /// Starts probing `names` at once, opening only what `policy` allows.
  /// Needs the media libraries loaded.
  TFileProber(QStringList names, TInputPolicy policy, std::function<void()> wake);
  /// Stops and joins the worker; results not taken are dropped.
  ~TFileProber();
  TFileProber(const TFileProber&) = delete;
  TFileProber& operator=(const TFileProber&) = delete;

  /// The next result in the order of the names; nothing while the worker
  /// has not probed it yet (or after the last one).
  std::optional<TProbedFile> TakeNext();
  /// Every name has been probed (or the worker was stopped) and taken.
  bool Finished();
  /// Names in the batch.
  int Total() const { return static_cast<int>(names_.size()); }
  /// Asks the worker to end after (or inside) the file it is probing.
  void Stop();

 private:
  void Run(TInputPolicy policy);
  void ProbeAll(TInputPolicy policy);
  void Put(TProbedFile file);

  const QStringList names_;
  const std::function<void()> wake_;
  std::atomic<bool> stop_{false};
  // Guarded by lock_: results not taken yet, and whether the worker has ended.
  std::mutex lock_;
  std::deque<TProbedFile> results_;
  bool ended_ = false;
  std::thread worker_;  // last: starts once the members above exist
};

}  // namespace zentrova::ui

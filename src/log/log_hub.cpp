#include "log/log_hub.h"

#include <new>

#include "log/av_log_callback.h"
#include "log/logger_core.h"
#include "media/ff.h"
#include "media/library_loader.h"

namespace zentrova::detail {
namespace {

// Trivially destructible, so it stays readable while static objects die.
std::atomic<bool> hub_gone{false};

// Storage for the hub that is never handed back.
template <class T>
class NeverDestroyed {
 public:
  NeverDestroyed() { ::new (static_cast<void*>(storage_)) T(); }
  T& Get() { return *std::launder(reinterpret_cast<T*>(storage_)); }

 private:
  alignas(T) unsigned char storage_[sizeof(T)];
};

// Closes the hub when static objects are destroyed at exit.
struct HubCloser {
  LogHub& hub;
  ~HubCloser() { hub.Close(); }
};

// From now on the loader installs the library log callback whenever it binds
// avutil; when avutil is bound already, the callback goes in now.
void HookLibraryLog() {
  TFFLoader& loader = FFLoader();
  loader.SetAVUtilBoundHook(&InstallAVLogCallback);
  if (loader.InstallLogger() && loader.Loaded(TLibrary::avUtil)) InstallAVLogCallback();
}

}  // namespace

LogHub& LogHub::Instance() {
  static NeverDestroyed<LogHub> hub;
  static HubCloser closer{hub.Get()};
  // Set before hooking: installing the callback comes back here.
  static std::atomic<bool> library_log_hooked{false};
  if (!library_log_hooked.load() && !library_log_hooked.exchange(true)) HookLibraryLog();
  return hub.Get();
}

bool LogHub::Gone() {
  return hub_gone.load();
}

void LogHub::Close() {
  if (hub_gone.exchange(true)) return;
  // The libraries may log while the loader unloads them after this point.
  if (ff::av_log_set_callback && ff::av_log_default_callback)
    ff::av_log_set_callback(ff::av_log_default_callback);
  {
    std::lock_guard lock(default_mutex);
    default_logger = nullptr;
    default_core.reset();
  }
  auto_created.reset();
  file.Close();
}

std::shared_ptr<LoggerCore> LogHub::DefaultCore() {
  std::lock_guard lock(default_mutex);
  return default_core;
}

}  // namespace zentrova::detail

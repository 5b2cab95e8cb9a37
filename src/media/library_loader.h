// Loading and binding of the media libraries.
//
// One process-wide `TFFLoader` (see `FFLoader()`) finds the libraries, binds
// every entry point into its slot in namespace `ff` (media/ff.h), runs each
// library's one-time initialisation and, for avutil, calls the hook the
// logger hands in (it installs the library log callback). Load failures
// never end the process: they are a false result and a text in `LastErrMsg()`.
//
// Threads: every operation is for the main thread; nothing here takes a lock.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

namespace zentrova {

/// The libraries, in the order every set operation walks them.
enum class TLibrary : int {
  avCodec,
  avDevice,
  avFilter,
  avFormat,
  avUtil,
  swResample,
  swScale,
  myUtil,
  libSoundTouch,
  libMFX,
};
inline constexpr int kLibraryCount = 10;

/// A set of libraries, held as a 16-bit mask (bit n is ordinal n).
class TLibraries {
 public:
  constexpr TLibraries() = default;
  constexpr TLibraries(std::initializer_list<TLibrary> members) {
    for (TLibrary l : members) mask_ |= Bit(l);
  }
  constexpr bool Contains(TLibrary l) const { return (mask_ & Bit(l)) != 0; }
  constexpr bool Empty() const { return mask_ == 0; }
  constexpr std::uint16_t Mask() const { return mask_; }
  constexpr TLibraries operator+(TLibraries other) const { return FromMask(mask_ | other.mask_); }
  constexpr bool operator==(const TLibraries&) const = default;

 private:
  static constexpr std::uint16_t Bit(TLibrary l) {
    return static_cast<std::uint16_t>(1u << static_cast<int>(l));
  }
  static constexpr TLibraries FromMask(std::uint16_t mask) {
    TLibraries s;
    s.mask_ = mask;
    return s;
  }
  std::uint16_t mask_ = 0;
};

inline constexpr TLibraries DecoderLibraries{TLibrary::avCodec, TLibrary::avFilter,   TLibrary::avFormat,
                                             TLibrary::avUtil,  TLibrary::swResample, TLibrary::swScale,
                                             TLibrary::myUtil};
/// What a conversion calls; the device library only adds capture and
/// playback devices as formats (and some 40 more libraries to load).
inline constexpr TLibraries ConversionLibraries = DecoderLibraries;
inline constexpr TLibraries EncoderLibraries = ConversionLibraries + TLibraries{TLibrary::avDevice};
inline constexpr TLibraries AllLibraries =
    EncoderLibraries + TLibraries{TLibrary::libSoundTouch, TLibrary::libMFX};

/// A row of the constant library table.
struct TLibraryItem {
  TLibrary Lib;
  const char* Name;                                           ///< base name, used in messages ("avcodec")
  bool SysLib;                                                ///< never taken from the library folder
  int Version;                                                ///< major version of the file name; -1: none
  const char* FileName;                                       ///< the shared object's name on this platform
  void (*Fixup)(const std::string& file_name, void* handle);  ///< binds slots, then initialises
  void (*Unfix)();                                            ///< shuts down, then empties slots
};

/// The library table, indexed by `TLibrary`.
const TLibraryItem& LibraryItem(TLibrary library);

/// Load state of one library.
struct TLibraryStatus {
  TLibrary Lib = TLibrary::avCodec;
  std::string Name;        ///< file-name override; empty: the table's file name
  void* Handle = nullptr;  ///< dlopen handle; null when not loaded
  bool Fixuped = false;    ///< all entry points bound
};

class TFFLoader {
 public:
  TFFLoader();
  ~TFFLoader();
  TFFLoader(const TFFLoader&) = delete;
  TFFLoader& operator=(const TFFLoader&) = delete;

  /// Loads and binds one library; a loaded one is not bound again.
  bool Load(TLibrary library);
  /// Loads the members in ordinal order. At the first failure, unloads the
  /// members this call loaded (libraries loaded before stay: other
  /// components may use them) and returns false.
  bool Load(TLibraries libraries);
  bool Loaded(TLibrary library) const;
  bool Loaded(TLibraries libraries) const;
  /// Throws std::runtime_error "Library %s not loaded." for the first member
  /// in ordinal order that is not loaded.
  void CheckLibAV(TLibraries libraries) const;
  void Unload(TLibrary library);
  void Unload(TLibraries libraries);

  /// The file name a library is loaded from (override or table name).
  std::string LibraryFileName(TLibrary library) const;

  const std::string& LibraryPath() const { return library_path_; }
  void SetLibraryPath(std::string path) { library_path_ = std::move(path); }
  const std::string& LastErrMsg() const { return last_err_msg_; }
  /// Whether the avutil hook runs (default true; false leaves the
  /// libraries' own log output on stderr).
  bool InstallLogger() const { return install_logger_; }
  void SetInstallLogger(bool value) { install_logger_ = value; }
  /// Called right after avutil is bound, when `InstallLogger()` is true. The
  /// logger hands in its library log callback's installer here when it
  /// starts (log/log_hub.cpp), so that the binding does not depend on the
  /// logger. Null: nothing is called.
  using TAVUtilBoundHook = void (*)();
  TAVUtilBoundHook AVUtilBoundHook() const { return avutil_bound_hook_; }
  void SetAVUtilBoundHook(TAVUtilBoundHook hook) { avutil_bound_hook_ = hook; }
  /// The status row of a library (for tests and diagnostics).
  const TLibraryStatus& Status(TLibrary library) const { return status_[static_cast<int>(library)]; }
  TLibraryStatus& MutableStatus(TLibrary library) { return status_[static_cast<int>(library)]; }

 private:
  TLibraryStatus status_[kLibraryCount];
  std::string library_path_;
  std::string last_err_msg_;
  bool install_logger_ = true;
  TAVUtilBoundHook avutil_bound_hook_ = nullptr;
};

/// The process-wide loader, created on first use and unloading everything at exit.
TFFLoader& FFLoader();

}  // namespace zentrova

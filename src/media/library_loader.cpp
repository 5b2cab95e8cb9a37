#include "media/library_loader.h"

#include <dlfcn.h>
#include <fmt/format.h>
#include <cassert>
#include <filesystem>
#include <stdexcept>

#include "media/ff.h"
#include "media/library_file.h"

namespace zentrova {
namespace {

#define ZENTROVA_BIND_SLOT(name) BindSlot(file_name, handle, #name, ff::name);
#define ZENTROVA_EMPTY_SLOT(name) ff::name = nullptr;

void FixupAvCodec(const std::string& file_name, void* handle) {
  ZENTROVA_AVCODEC_ENTRY_POINTS(ZENTROVA_BIND_SLOT)
}
void UnfixAvCodec() {
  ZENTROVA_AVCODEC_ENTRY_POINTS(ZENTROVA_EMPTY_SLOT)
}

void FixupAvDevice(const std::string& file_name, void* handle) {
  ZENTROVA_AVDEVICE_ENTRY_POINTS(ZENTROVA_BIND_SLOT)
  ff::avdevice_register_all();
}
void UnfixAvDevice() {
  ZENTROVA_AVDEVICE_ENTRY_POINTS(ZENTROVA_EMPTY_SLOT)
}

void FixupAvFilter(const std::string& file_name, void* handle) {
  ZENTROVA_AVFILTER_ENTRY_POINTS(ZENTROVA_BIND_SLOT)
}
void UnfixAvFilter() {
  ZENTROVA_AVFILTER_ENTRY_POINTS(ZENTROVA_EMPTY_SLOT)
}

void FixupAvFormat(const std::string& file_name, void* handle) {
  ZENTROVA_AVFORMAT_ENTRY_POINTS(ZENTROVA_BIND_SLOT)
  ff::avformat_network_init();
}
void UnfixAvFormat() {
  if (ff::avformat_network_deinit) ff::avformat_network_deinit();
  ZENTROVA_AVFORMAT_ENTRY_POINTS(ZENTROVA_EMPTY_SLOT)
}

void FixupAvUtil(const std::string& file_name, void* handle) {
  ZENTROVA_AVUTIL_ENTRY_POINTS(ZENTROVA_BIND_SLOT)
}
void UnfixAvUtil() {
  ZENTROVA_AVUTIL_ENTRY_POINTS(ZENTROVA_EMPTY_SLOT)
}

void FixupSwResample(const std::string& file_name, void* handle) {
  ZENTROVA_SWRESAMPLE_ENTRY_POINTS(ZENTROVA_BIND_SLOT)
}
void UnfixSwResample() {
  ZENTROVA_SWRESAMPLE_ENTRY_POINTS(ZENTROVA_EMPTY_SLOT)
}

void FixupSwScale(const std::string& file_name, void* handle) {
  ZENTROVA_SWSCALE_ENTRY_POINTS(ZENTROVA_BIND_SLOT)
}
void UnfixSwScale() {
  ZENTROVA_SWSCALE_ENTRY_POINTS(ZENTROVA_EMPTY_SLOT)
}

#undef ZENTROVA_BIND_SLOT
#undef ZENTROVA_EMPTY_SLOT

// The C runtime and SoundTouch bind nothing: the project calls the C and C++
// standard libraries directly, and nothing uses SoundTouch.
void FixupNothing(const std::string&, void*) {}
void UnfixNothing() {}

void FixupMFX(const std::string& file_name, void* handle) {
  BindSlot(file_name, handle, "MFXInit", ff::MFXInit);
}
void UnfixMFX() {
  ff::MFXInit = nullptr;
}

constexpr TLibraryItem kLibraryTable[kLibraryCount] = {
    {TLibrary::avCodec, "avcodec", false, LIBAVCODEC_VERSION_MAJOR, "libavcodec.so.59", FixupAvCodec,
     UnfixAvCodec},
    {TLibrary::avDevice, "avdevice", false, LIBAVDEVICE_VERSION_MAJOR, "libavdevice.so.59", FixupAvDevice,
     UnfixAvDevice},
    {TLibrary::avFilter, "avfilter", false, LIBAVFILTER_VERSION_MAJOR, "libavfilter.so.8", FixupAvFilter,
     UnfixAvFilter},
    {TLibrary::avFormat, "avformat", false, LIBAVFORMAT_VERSION_MAJOR, "libavformat.so.59", FixupAvFormat,
     UnfixAvFormat},
    {TLibrary::avUtil, "avutil", false, LIBAVUTIL_VERSION_MAJOR, "libavutil.so.57", FixupAvUtil, UnfixAvUtil},
    {TLibrary::swResample, "swresample", false, LIBSWRESAMPLE_VERSION_MAJOR, "libswresample.so.4",
     FixupSwResample, UnfixSwResample},
    {TLibrary::swScale, "swscale", false, LIBSWSCALE_VERSION_MAJOR, "libswscale.so.6", FixupSwScale,
     UnfixSwScale},
    {TLibrary::myUtil, "libc", true, -1, "libc.so.6", FixupNothing, UnfixNothing},
    {TLibrary::libSoundTouch, "SoundTouch", false, -1, "libSoundTouchDll.so.1", FixupNothing, UnfixNothing},
    {TLibrary::libMFX, "libmfx", false, 1, "libmfx.so.1", FixupMFX, UnfixMFX},
};

static_assert(LIBAVCODEC_VERSION_MAJOR == 59 && LIBAVUTIL_VERSION_MAJOR == 57 &&
                  LIBAVFILTER_VERSION_MAJOR == 8,
              "file names of the library table follow the installed generation");

template <typename Fn>
void ForEachMember(TLibraries libraries, Fn fn) {
  assert(!libraries.Empty() && "a library set operation needs members");
  for (int i = 0; i < kLibraryCount; ++i) {
    const auto library = static_cast<TLibrary>(i);
    if (libraries.Contains(library) && !fn(library)) return;
  }
}

}  // namespace

const TLibraryItem& LibraryItem(TLibrary library) {
  return kLibraryTable[static_cast<int>(library)];
}

TFFLoader::TFFLoader() {
  for (int i = 0; i < kLibraryCount; ++i) status_[i].Lib = static_cast<TLibrary>(i);
}

TFFLoader::~TFFLoader() {
  Unload(AllLibraries);
}

std::string TFFLoader::LibraryFileName(TLibrary library) const {
  const TLibraryStatus& status = Status(library);
  return status.Name.empty() ? LibraryItem(library).FileName : status.Name;
}

bool TFFLoader::Load(TLibrary library) {
  TLibraryStatus& status = MutableStatus(library);
  const TLibraryItem& item = LibraryItem(library);
  const std::string file = LibraryFileName(library);
  if (!status.Handle) {
    std::string folder;
    std::string name = file;
    if (const auto slash = file.rfind('/'); slash != std::string::npos) {
      folder = file.substr(0, slash + 1);
      name = file.substr(slash + 1);
    }
    if (folder.empty() && !library_path_.empty() && !item.SysLib) {
      folder = library_path_;
      if (folder.back() != '/') folder += '/';
    }
    int error_code = 0;
    std::string error_text;
    status.Handle = LoadLibraryFromFolder(folder, name, error_code, error_text);
    if (!status.Handle) {
      // A file that is not in the folder was looked for by its bare name.
      const bool bare = error_code == 8 && !folder.empty() && !std::filesystem::exists(folder + name);
      last_err_msg_ =
          fmt::format("Load library {} error(#{}): {}", bare ? name : folder + name, error_code, error_text);
      return false;
    }
  }
  if (!status.Fixuped) {
    try {
      item.Fixup(file, status.Handle);
      status.Fixuped = true;
    } catch (const std::exception& e) {
      last_err_msg_ = e.what();
    }
  }
  if (!status.Fixuped) {
    Unload(library);
    return false;
  }
  if (library == TLibrary::avUtil && install_logger_ && avutil_bound_hook_) avutil_bound_hook_();
  return true;
}

bool TFFLoader::Load(TLibraries libraries) {
  bool loaded_before[kLibraryCount];
  for (int i = 0; i < kLibraryCount; ++i) loaded_before[i] = Loaded(static_cast<TLibrary>(i));
  bool ok = true;
  ForEachMember(libraries, [&](TLibrary library) {
    try {
      ok = Load(library);
    } catch (const std::exception& e) {
      // A throwing initialisation call does not stop the walk.
      last_err_msg_ = e.what();
      ok = true;
    }
    return ok;
  });
  if (ok) return true;
  // Unload only what this call loaded: the rest may serve another component.
  ForEachMember(libraries, [&](TLibrary library) {
    if (!loaded_before[static_cast<int>(library)]) Unload(library);
    return true;
  });
  return false;
}

bool TFFLoader::Loaded(TLibrary library) const {
  const TLibraryStatus& status = Status(library);
  return status.Handle && status.Fixuped;
}

bool TFFLoader::Loaded(TLibraries libraries) const {
  bool all = true;
  ForEachMember(libraries, [&](TLibrary library) { return all = Loaded(library); });
  return all;
}

void TFFLoader::CheckLibAV(TLibraries libraries) const {
  ForEachMember(libraries, [&](TLibrary library) {
    if (!Loaded(library))
      throw std::runtime_error(fmt::format("Library {} not loaded.", LibraryItem(library).Name));
    return true;
  });
}

void TFFLoader::Unload(TLibrary library) {
  TLibraryStatus& status = MutableStatus(library);
  if (status.Fixuped) {
    LibraryItem(library).Unfix();
    status.Fixuped = false;
  }
  if (status.Handle) {
    dlclose(status.Handle);
    status.Handle = nullptr;
  }
}

void TFFLoader::Unload(TLibraries libraries) {
  ForEachMember(libraries, [&](TLibrary library) {
    Unload(library);
    return true;
  });
}

TFFLoader& FFLoader() {
  static TFFLoader loader;
  return loader;
}

}  // namespace zentrova

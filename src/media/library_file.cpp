#include "media/library_file.h"

#include <dlfcn.h>
#include <fmt/format.h>
#include <stdexcept>
#include <sys/stat.h>

namespace zentrova {
namespace {

// The dynamic loader's last message, without trailing blanks and full stops.
std::string TrimmedLoaderError() {
  const char* raw = dlerror();
  std::string text = raw ? raw : "unknown error";
  while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.'))
    text.pop_back();
  return text;
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

void* LoadLibraryFromFolder(const std::string& folder, const std::string& file_name, int& error_code,
                            std::string& error_text) {
  std::string path = file_name;
  if (!folder.empty()) {
    std::string in_folder = folder;
    if (in_folder.back() != '/') in_folder += '/';
    in_folder += file_name;
    if (IsRegularFile(in_folder)) path = in_folder;
  }
  dlerror();
  // Kept mapped after dlclose: the libraries' one-time state (codec tables,
  // network set-up) must not dangle when a library is loaded again.
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (handle) {
    error_code = 0;
    error_text.clear();
    return handle;
  }
  error_text = TrimmedLoaderError();
  const bool missing = error_text.find("No such file or directory") != std::string::npos;
  error_code = missing ? 2 : 8;
  return nullptr;
}

void* BindEntryPoint(const std::string& library_file_name, void* handle, const char* entry_name,
                     bool allow_missing) {
  dlerror();
  void* address = dlsym(handle, entry_name);
  if (!address && !allow_missing)
    throw std::runtime_error(
        fmt::format("Load function {}@{} error: {}", entry_name, library_file_name, TrimmedLoaderError()));
  return address;
}

}  // namespace zentrova

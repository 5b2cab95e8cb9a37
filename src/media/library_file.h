// Opening shared objects and binding their exports, for the loader.
#pragma once

#include <string>

namespace zentrova {

/// Opens Folder/FileName when that file exists, else FileName through the
/// system's search order. Returns the handle, or null with `error_code` 2
/// (missing) or 8 (not loadable) and `error_text` from the dynamic loader.
void* LoadLibraryFromFolder(const std::string& folder, const std::string& file_name, int& error_code,
                            std::string& error_text);

/// Looks up `entry_name` in `handle`. A missing required entry point throws
/// std::runtime_error "Load function %s@%s error: %s"; a missing optional
/// one returns null.
void* BindEntryPoint(const std::string& library_file_name, void* handle, const char* entry_name,
                     bool allow_missing);

/// Binds `slot` (a function pointer of any type) to the export of its name.
template <typename Fn>
void BindSlot(const std::string& library_file_name, void* handle, const char* entry_name, Fn& slot,
              bool allow_missing = false) {
  slot = reinterpret_cast<Fn>(BindEntryPoint(library_file_name, handle, entry_name, allow_missing));
}

}  // namespace zentrova

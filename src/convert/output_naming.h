// Output file names: "<folder>/<source name>_(new)<extension>", and
// "_(new_n)" when that name is taken.
//
// A name is taken when another task of the batch already writes or reads it
// (so no two tasks ever share an output, and no output ever replaces an
// input), or when the file exists and "Overwrite Existing File" is off.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <string_view>

namespace zentrova::app {

/// The files the conversion list's tasks read and write. The caller (the
/// conversion list, the command line) claims every task's inputs and output
/// as the task is added and releases them when it is removed. Paths compare
/// after making them absolute and resolving symbolic links of existing parts.
/// Not thread-safe: one thread (the main thread) owns it.
class TClaimedNames {
 public:
  void Claim(const std::string& path);
  void Release(const std::string& path);
  bool Contains(const std::string& path) const;
  bool Empty() const { return names_.empty(); }

 private:
  std::multiset<std::string> names_;  ///< one entry per claim; a file may be read by several tasks
};

/// The output's name without "_(new)" and extension: the source's full name
/// without its extension when `out_path` is the placeholder (or empty),
/// otherwise `out_path` followed by the source's file name without folder and
/// extension. The extension is the last '.' part of the file-name component
/// only ("/m/v1.0/clip" has none).
std::string OutputBaseName(std::string_view source_file_name, std::string_view out_path);

/// The first free name of base + "_(new)" + extension, then
/// base + "_(new_1)" + extension and so on. `overwrite` keeps an existing
/// file's name (the conversion replaces it); `name_claimed` says whether a
/// name is used by another task. Null functions answer false. A file name
/// longer than file systems allow (255 bytes, less the writer's ".part")
/// loses bytes of the base at a UTF-8 character boundary; the suffix and
/// the extension stay.
std::string ChooseOutputFileName(std::string_view base, std::string_view extension, bool overwrite,
                                 const std::function<bool(const std::string&)>& file_exists,
                                 const std::function<bool(const std::string&)>& name_claimed);

}  // namespace zentrova::app

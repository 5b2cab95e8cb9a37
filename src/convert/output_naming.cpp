#include "convert/output_naming.h"

#include <filesystem>
#include <fmt/format.h>
#include <system_error>

#include "convert/option_items.h"

namespace zentrova::app {
namespace {

// A file name's limit on Linux file systems (bytes), less the ".part" the
// writer adds to the temporary file.
constexpr std::size_t kMaxOutputNameBytes = 255 - std::string_view(".part").size();

// `base` + `tail` ("_(new).mp4"), the file-name part of `base` shortened at
// a UTF-8 character boundary when the name would not fit.
std::string FittedName(std::string_view base, std::string_view tail) {
  const std::size_t slash = base.rfind('/');
  const std::size_t name_start = slash == std::string_view::npos ? 0 : slash + 1;
  const std::size_t room = kMaxOutputNameBytes > tail.size() ? kMaxOutputNameBytes - tail.size() : 0;
  std::size_t end = base.size();
  if (end - name_start > room) {
    end = name_start + room;
    while (end > name_start && (static_cast<unsigned char>(base[end]) & 0xC0) == 0x80) --end;
  }
  std::string name(base.substr(0, end));
  name += tail;
  return name;
}

// The comparable form of a path: absolute, with symbolic links of its
// existing leading part resolved, "." and ".." removed.
std::string ComparablePath(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path result = fs::weakly_canonical(fs::path(path), error);
  if (error) {
    result = fs::absolute(fs::path(path), error);
    if (error) result = fs::path(path);
    result = result.lexically_normal();
  }
  return result.string();
}

}  // namespace

void TClaimedNames::Claim(const std::string& path) {
  names_.insert(ComparablePath(path));
}

void TClaimedNames::Release(const std::string& path) {
  const auto it = names_.find(ComparablePath(path));
  if (it != names_.end()) names_.erase(it);
}

bool TClaimedNames::Contains(const std::string& path) const {
  return names_.count(ComparablePath(path)) != 0;
}

std::string OutputBaseName(std::string_view source_file_name, std::string_view out_path) {
  const auto slash = source_file_name.rfind('/');
  const std::size_t name_start = slash == std::string_view::npos ? 0 : slash + 1;
  const auto dot = source_file_name.rfind('.');
  // A leading dot names a hidden file; it starts no extension.
  const bool has_extension = dot != std::string_view::npos && dot > name_start;
  const std::string_view without_extension =
      has_extension ? source_file_name.substr(0, dot) : source_file_name;
  if (out_path.empty() || out_path == kOutputFolderPlaceholder) return std::string(without_extension);
  std::string base(out_path);
  if (base.back() != '/') base += '/';
  base += without_extension.substr(name_start);
  return base;
}

std::string ChooseOutputFileName(std::string_view base, std::string_view extension, bool overwrite,
                                 const std::function<bool(const std::string&)>& file_exists,
                                 const std::function<bool(const std::string&)>& name_claimed) {
  auto taken = [&](const std::string& name) {
    if (name_claimed && name_claimed(name)) return true;
    return !overwrite && file_exists && file_exists(name);
  };
  std::string name = FittedName(base, fmt::format("_(new){}", extension));
  for (long long n = 1; taken(name); ++n) name = FittedName(base, fmt::format("_(new_{}){}", n, extension));
  return name;
}

}  // namespace zentrova::app

#include "app/options/output_naming.h"

#include <filesystem>
#include <fmt/format.h>
#include <system_error>

#include "app/options/option_items.h"

namespace zentrova::app {
namespace {

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
  std::string name = fmt::format("{}_(new){}", base, extension);
  for (long long n = 1; taken(name); ++n) name = fmt::format("{}_(new_{}){}", base, n, extension);
  return name;
}

}  // namespace zentrova::app

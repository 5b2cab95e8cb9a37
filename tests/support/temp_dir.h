// A temporary folder per test, removed with everything in it.
#pragma once

#include <filesystem>
#include <string>

namespace zentrova::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  /// Path of `name` inside the folder, as UTF-8 text.
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

/// Writes `bytes` to `path`, replacing it.
void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace zentrova::test

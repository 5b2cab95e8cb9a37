#include "support/temp_dir.h"

#include <fstream>
#include <stdexcept>
#include <stdlib.h>

namespace zentrova::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "zentrova-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace zentrova::test

// Files that are not what their names promise.
#include <fmt/format.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>
#include <vector>

#include "media/media_error.h"
#include "media/test_media.h"

namespace zentrova::test {
namespace {

void WriteBytes(const std::string& path, const char* data, size_t size) {
  std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
  if (!out) Fail(fmt::format("Cannot create \"{}\"", path));
  out.write(data, static_cast<std::streamsize>(size));
  out.close();
  if (!out) Fail(fmt::format("Cannot write \"{}\"", path));
}

}  // namespace

void MakeEmptyFile(const std::string& path) {
  WriteBytes(path, nullptr, 0);
}

void MakeTruncatedCopy(const std::string& source, const std::string& target, double fraction) {
  if (!(fraction >= 0 && fraction <= 1))
    Fail(fmt::format("The kept fraction of \"{}\" must lie in 0..1, not {}", source, fraction));
  std::error_code same_error;
  if (std::filesystem::equivalent(std::filesystem::path(source), std::filesystem::path(target), same_error))
    Fail(fmt::format("A truncated copy must not replace its source \"{}\"", source));
  std::ifstream in(std::filesystem::path(source), std::ios::binary);
  if (!in) Fail(fmt::format("Cannot open \"{}\"", source));
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) Fail(fmt::format("Cannot read \"{}\"", source));
  const auto kept = static_cast<size_t>(std::floor(static_cast<double>(bytes.size()) * fraction));
  WriteBytes(target, bytes.data(), kept);
}

void MakeGarbageFile(const std::string& path, size_t bytes, unsigned seed) {
  std::mt19937 generator(seed);
  std::uniform_int_distribution<int> byte(0, 255);
  std::vector<char> data(bytes);
  for (char& c : data) c = static_cast<char>(byte(generator));
  WriteBytes(path, data.data(), data.size());
}

}  // namespace zentrova::test

#include "convert/library_names.h"

#include <sys/stat.h>

#include "options/input_guard.h"

namespace zentrova::app {
namespace {

constexpr std::string_view kFilePrefix = "file:";

}  // namespace

std::string LocalFileUrl(std::string_view file_name) {
  std::string url(kFilePrefix);
  url += file_name;
  return url;
}

bool IsNetworkAddress(std::string_view name) {
  const std::string_view protocol = TInputGuard::ProtocolOf(name);
  if (!TInputGuard::IsNetworkProtocol(protocol) || name.substr(protocol.size(), 3) != "://") return false;
  struct stat status {};
  return ::stat(std::string(name).c_str(), &status) != 0;
}

std::string InputUrl(std::string_view name) {
  return IsNetworkAddress(name) ? std::string(name) : LocalFileUrl(name);
}

}  // namespace zentrova::app

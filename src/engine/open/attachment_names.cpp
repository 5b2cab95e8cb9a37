#include "engine/open/attachment_names.h"

namespace zentrova {

std::string AttachmentTagName(std::string_view path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) slash = path.rfind('\\');
  if (slash == std::string_view::npos) return std::string(path);
  return std::string(path.substr(slash + 1));
}

std::optional<std::string> SafeDumpFileName(std::string_view tag) {
  const std::size_t separator = tag.find_last_of("/\\");
  const std::string_view base = separator == std::string_view::npos ? tag : tag.substr(separator + 1);
  if (base.empty() || base == "." || base == "..") return std::nullopt;
  return std::string(base);
}

}  // namespace zentrova

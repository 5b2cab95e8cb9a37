#include "log/base_component.h"

#include <fmt/format.h>
#include <string_view>

namespace zentrova {

void TFFBaseComponent::SetReadTimeout(int value_ms) {
  FReadTimeout = value_ms;
}

void TFFBaseComponent::SetWriteTimeout(int value_ms) {
  FWriteTimeout = value_ms;
}

std::string TFFBaseComponent::AboutText() const {
  std::string_view name = ClassName();
  if (!name.empty()) name.remove_prefix(1);
  return fmt::format("{} {}", name, FVersion);
}

}  // namespace zentrova

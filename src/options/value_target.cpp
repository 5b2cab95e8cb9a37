#include "options/value_target.h"

#include <variant>

namespace zentrova {

TValueType ValueTypeOf(std::int32_t flags) {
  if (flags & OPTF_STRING) return TValueType::String;
  if (flags & (OPTF_BOOLEAN | OPTF_INT32)) return TValueType::Int32;
  if (flags & (OPTF_INT64 | OPTF_DURATION)) return TValueType::Int64;
  if (flags & OPTF_FLOAT) return TValueType::Float;
  if (flags & OPTF_DOUBLE) return TValueType::Double;
  return TValueType::None;
}

TTargetShape ShapeOf(const TValueRef& ref) {
  return std::visit(
      [](const auto& target) -> TTargetShape {
        using Target = std::remove_cvref_t<decltype(target)>;
        if constexpr (std::is_same_v<Target, std::monostate>) {
          return {};
        } else {
          using Slot = std::remove_pointer_t<Target>;
          if constexpr (detail::IsSpecifierList<Slot>::value)
            return {TypeOfValue<typename Slot::value_type::value_type>(), true};
          else
            return {TypeOfValue<Slot>(), false};
        }
      },
      ref);
}

}  // namespace zentrova

// How a row's flags and its destination fit together (option machinery
// internals, shared by the table check and the value store).
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

#include "options/option_def.h"

namespace zentrova {

/// The value type a row's flags select, by the first matching flag in the
/// order values are stored: string, 32-bit (boolean or integer), 64-bit
/// (integer or duration), float, double.
enum class TValueType { None, String, Int32, Int64, Float, Double };

TValueType ValueTypeOf(std::int32_t flags);

template <typename T>
constexpr TValueType TypeOfValue() {
  if constexpr (std::is_same_v<T, std::string>)
    return TValueType::String;
  else if constexpr (std::is_same_v<T, std::int32_t>)
    return TValueType::Int32;
  else if constexpr (std::is_same_v<T, std::int64_t>)
    return TValueType::Int64;
  else if constexpr (std::is_same_v<T, float>)
    return TValueType::Float;
  else if constexpr (std::is_same_v<T, double>)
    return TValueType::Double;
  else
    return TValueType::None;
}

/// What a value reference points at.
struct TTargetShape {
  TValueType type = TValueType::None;
  bool is_list = false;
};

TTargetShape ShapeOf(const TValueRef& ref);

}  // namespace zentrova

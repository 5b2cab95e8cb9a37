#include "options/option_apply.h"

#include <fmt/format.h>
#include <stdexcept>
#include <variant>

#include "media/error_text.h"
#include "options/library_log.h"
#include "options/value_parsers.h"
#include "options/value_target.h"

namespace zentrova {

std::string& last_error_text() {
  thread_local std::string text;
  return text;
}
namespace {

// The value of `arg` for a slot of type T under the row's flags.
template <typename T>
T ParseValue(std::int32_t flags, const std::string& opt, const std::string& arg) {
  if constexpr (std::is_same_v<T, std::string>) {
    return arg;
  } else if constexpr (std::is_same_v<T, std::int32_t>) {
    return parse_int_value(opt, arg);
  } else if constexpr (std::is_same_v<T, std::int64_t>) {
    if (flags & OPTF_INT64) return parse_int64_value(opt, arg);
    return parse_time_value(opt, arg, TTimeKind::Duration);
  } else if constexpr (std::is_same_v<T, float>) {
    return parse_float_value(opt, arg);
  } else {
    return parse_double_value(opt, arg);
  }
}

// Stores into the slot `destination` points at. The value is parsed before
// the slot changes, so a parser that throws leaves the slot as it was.
void StoreValue(const TValueRef& destination, const TOptionDef& row, const std::string& opt,
                const std::string& arg) {
  const TTargetShape shape = ShapeOf(destination);
  if (shape.type == TValueType::None || shape.type != ValueTypeOf(row.flags) ||
      shape.is_list != ((row.flags & OPTF_PER_STREAM) != 0))
    throw std::logic_error(
        fmt::format("Option \"{}\": the destination does not fit flags 0x{:x}", row.name, row.flags));
  std::visit(
      [&](auto slot) {
        using Target = decltype(slot);
        if constexpr (!std::is_same_v<Target, std::monostate>) {
          using Slot = std::remove_pointer_t<Target>;
          if constexpr (detail::IsSpecifierList<Slot>::value) {
            using T = typename Slot::value_type::value_type;
            T value = ParseValue<T>(row.flags, opt, arg);
            const std::size_t colon = opt.find(':');
            slot->push_back(
                {colon == std::string::npos ? std::string() : opt.substr(colon + 1), std::move(value)});
          } else {
            *slot = ParseValue<Slot>(row.flags, opt, arg);
          }
        }
      },
      destination);
}

int CallHandler(const Tfunc_arg& handler, TOptionContext optctx, const std::string& opt,
                const std::string& arg) {
  last_error_text().clear();
  const int r = handler(optctx, opt, arg);
  if (r >= 0) return 0;
  const std::string message =
      fmt::format("Failed to set value \"{}\" for option \"{}\": {}", arg, opt, error_code_text(r));
  std::string& text = last_error_text();
  text = text.empty() ? message : text + "\r\n" + message;
  LibraryLog(kLibraryError, message + "\n");
  return r;
}

int Refuse(std::string message) {
  LibraryLog(kLibraryError, message + "\n");
  last_error_text() = std::move(message);
  return AVERROR(EINVAL);
}

}  // namespace

int store_option_value(TOptionContext optctx, const TOptionDef& row, const std::string& opt,
                       const std::string& arg) {
  if (const Tfunc_arg* handler = row.u.func_arg()) return CallHandler(*handler, optctx, opt, arg);
  if (const TValueRef* variable = row.u.dst_ptr()) {
    StoreValue(*variable, row, opt, arg);
  } else if (const TContextField* field = row.u.off()) {
    if (!optctx)
      throw std::logic_error(
          fmt::format("Option \"{}\" was applied without a file options context", row.name));
    if (*optctx.Type() != *field->context_type)
      throw std::logic_error(
          fmt::format("Option \"{}\" was applied to an options context of another type", row.name));
    StoreValue(field->resolve(optctx.Object()), row, opt, arg);
  }
  return 0;
}

int apply_option_group(TOptionContext optctx, TOptionGroup& group, std::string_view group_name,
                       std::string_view file_name, std::int32_t file_kind_flags) {
  LibraryLog(kLibraryDebug, fmt::format("Parsing a group of options: {}.\n", group_name));
  for (const TOption& o : group.opts) {
    if (file_kind_flags != 0 && !(o.opt->flags & file_kind_flags))
      return Refuse(fmt::format(
          "Option {} ({}) cannot be applied to {} {} -- you are trying to apply an input option to an output "
          "file or vice versa. Move this option before the file it belongs to.",
          o.key, o.opt->help, group_name, file_name));
    LibraryLog(kLibraryDebug,
               fmt::format("Applying option {} ({}) with argument {}.\n", o.key, o.opt->help, o.val));
    const int r = store_option_value(optctx, *o.opt, o.key, o.val);
    if (r < 0) return r;
  }
  LibraryLog(kLibraryDebug, "Successfully parsed a group of options.\n");
  return 0;
}

int apply_option(TOptionContext optctx, std::string_view opt, std::optional<std::string_view> arg,
                 TOptionTable options) {
  const TOptionDef* row = lookup_option(options, opt);
  std::optional<std::string> value = arg ? std::optional<std::string>(*arg) : std::nullopt;
  bool takes_arg = true;  // false when the value is implied by the name
  if (!row && opt.starts_with("no")) {
    // Only boolean rows take the "no" prefix, as in a parsed option string.
    row = lookup_option(options, opt.substr(2));
    if (row && !(row->flags & OPTF_BOOLEAN)) row = nullptr;
    if (row) {
      value = "0";
      takes_arg = false;
    }
  } else if (row && (row->flags & OPTF_BOOLEAN) && !(row->flags & OPTF_TAKES_ARG)) {
    value = "1";
  }
  if (!row) row = lookup_option(options, "default");
  if (!row) return Refuse(fmt::format("Unrecognized option \"{}\"", opt));
  takes_arg = takes_arg && (row->flags & OPTF_TAKES_ARG) != 0;
  if (takes_arg && !value) return Refuse(fmt::format("Missing argument for option \"{}\"", opt));
  const int r = store_option_value(optctx, *row, std::string(opt), value.value_or(std::string()));
  if (r < 0) return r;
  return takes_arg ? 1 : 0;
}

}  // namespace zentrova

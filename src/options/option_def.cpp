#include "options/option_def.h"

#include <fmt/format.h>

#include "options/value_target.h"

namespace zentrova {
namespace {

[[noreturn]] void BadRow(const TOptionDef& row, std::string_view problem) {
  throw std::logic_error(
      fmt::format("Option table row \"{}\" (flags 0x{:x}): {}", row.name, row.flags, problem));
}

// The destination must be what the flags promise, so that a value is never
// stored with the wrong width or into the wrong kind of slot.
void CheckDestination(const TOptionDef& row) {
  const TValueType type = ValueTypeOf(row.flags);
  const bool in_context = (row.flags & (OPTF_CONTEXT_OFFSET | OPTF_PER_STREAM)) != 0;
  const TValueRef* variable = row.u.dst_ptr();
  const TContextField* field = row.u.off();
  if (!variable && !field) {
    // A handler or nothing: the handler gets the argument as text.
    if (row.u.func_arg() && !*row.u.func_arg()) BadRow(row, "empty handler");
    if (!row.u.func_arg() && type != TValueType::None) BadRow(row, "a value type without a destination");
    return;
  }
  if (type == TValueType::None) BadRow(row, "a destination without a value type flag");
  if (variable && in_context) BadRow(row, "a per-file option needs a context field, not an engine variable");
  if (field && !in_context) BadRow(row, "a context field needs OPTF_CONTEXT_OFFSET or OPTF_PER_STREAM");
  if (field && !field->resolve) BadRow(row, "empty context field");
  const TTargetShape shape = ShapeOf(variable ? *variable : field->kind);
  if (shape.type != type) BadRow(row, "the destination's value type does not fit the flags");
  const bool per_stream = (row.flags & OPTF_PER_STREAM) != 0;
  if (shape.is_list != per_stream)
    BadRow(row, per_stream ? "a per-stream option needs a TSpecifierList field"
                           : "a list field needs OPTF_PER_STREAM");
}

}  // namespace

void TOptionContext::ThrowTypeMismatch(const std::type_info& wanted) const {
  throw std::logic_error(fmt::format("An options context of type {} was given where {} is expected",
                                     type_->name(), wanted.name()));
}

const TOptionDef* lookup_option(TOptionTable options, std::string_view name) {
  const std::string_view base = name.substr(0, name.find(':'));
  for (const TOptionDef& row : options)
    if (!row.name.empty() && row.name == base) return &row;
  return nullptr;
}

int find_option_index(std::span<const std::string> args, TOptionTable options, std::string_view name) {
  std::size_t i = 0;
  while (i < args.size()) {
    const std::string& arg = args[i];
    if (arg.empty() || arg.front() != '-') {
      ++i;
      continue;
    }
    const std::string_view text = std::string_view(arg).substr(1);
    const TOptionDef* row = lookup_option(options, text);
    if (!row && text.starts_with("no")) {
      // Only boolean rows take the "no" prefix (as the parse does).
      row = lookup_option(options, text.substr(2));
      if (row && !(row->flags & OPTF_BOOLEAN)) row = nullptr;
    }
    if ((!row && text == name) || (row && row->name == name)) return static_cast<int>(i);
    ++i;
    // An unknown name is taken for a library option with an argument.
    if (!row || (row->flags & OPTF_TAKES_ARG)) ++i;
  }
  return -1;
}

void check_option_table(TOptionTable options) {
  for (const TOptionDef& row : options) {
    if (row.name.empty()) BadRow(row, "a row without a name");
    if ((row.flags & OPTF_FILE_GROUP) && !(row.flags & (OPTF_INPUT | OPTF_OUTPUT)))
      BadRow(row, "a file-group option must be allowed for input or output files");
    CheckDestination(row);
  }
}

}  // namespace zentrova

// Option tables: the rows that say what each option of a task's option
// string means, where its value goes, and the groups a parse produces.
//
// A table is a span of `TOptionDef` rows (no end row: the span's end ends
// it). A row names an option without its '-', carries its `OPTF_*` flags and
// a destination `u` of exactly one of three kinds:
//
//   * an engine variable: `Variable(engine_field)` - the row points at a
//     field of the object that owns the table (the table is built per
//     instance, never shared between tasks);
//   * a field of the per-file options context: `Field(&TFileOptionContext::ss)`
//     for a per-file value (`OPTF_CONTEXT_OFFSET`) or
//     `Field(&TFileOptionContext::codec)` for a per-stream list
//     (`OPTF_PER_STREAM`, the member is a `TSpecifierList<T>`);
//   * a handler: `Handler(this, &Engine::opt_map)` for a method
//     `int opt_map(Ctx* o, const std::string& opt, const std::string& arg)`,
//     or `Handler<Ctx>(lambda)` for a callable with that signature. `o` is
//     null for global rows (no `OPTF_FILE_GROUP`/`OPTF_CONTEXT_OFFSET`/
//     `OPTF_PER_STREAM`); a negative result is a library error code.
//
// Value types: `OPTF_STRING` -> std::string, `OPTF_BOOLEAN`/`OPTF_INT32` ->
// std::int32_t, `OPTF_INT64`/`OPTF_DURATION` -> std::int64_t, `OPTF_FLOAT` ->
// float, `OPTF_DOUBLE` -> double. `check_option_table` verifies every row's
// destination against its flags, so a wrongly typed row fails at once (a
// programming error: std::logic_error) instead of writing the wrong width.
//
// Example rows, as the engine writes them:
//   using O = TFileOptionContext;
//   {"c", OPTF_TAKES_ARG | OPTF_STRING | OPTF_PER_STREAM | OPTF_INPUT | OPTF_OUTPUT,
//    Field(&O::codec), "codec name", "codec"},
//   {"ss", OPTF_TAKES_ARG | OPTF_DURATION | OPTF_CONTEXT_OFFSET | OPTF_INPUT | OPTF_OUTPUT,
//    Field(&O::ss), "start time offset", "time_off"},
//   {"y", OPTF_BOOLEAN, Variable(Ffile_overwrite), "overwrite output files", ""},
//   {"vsync", OPTF_TAKES_ARG | OPTF_EXPERT, Handler(this, &TCustomFFmpegOpt::opt_vsync),
//    "video sync method", ""},
//
// Threads: a table and the contexts it writes belong to one engine instance
// and are used by one thread at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <variant>
#include <vector>

#include "media/av_deleters.h"

namespace zentrova {

/// Option flags. The values are fixed: they are the numbers of the option
/// language, and a row's flags are these names or-ed together.
inline constexpr std::int32_t OPTF_TAKES_ARG = 0x1;          ///< takes the next argument
inline constexpr std::int32_t OPTF_BOOLEAN = 0x2;            ///< implicit "1"; "no" prefix gives "0"
inline constexpr std::int32_t OPTF_EXPERT = 0x4;             ///< classification only
inline constexpr std::int32_t OPTF_STRING = 0x8;             ///< copied text value
inline constexpr std::int32_t OPTF_VIDEO = 0x10;             ///< classification only
inline constexpr std::int32_t OPTF_AUDIO = 0x20;             ///< classification only
inline constexpr std::int32_t OPTF_INT32 = 0x80;             ///< 32-bit signed integer value
inline constexpr std::int32_t OPTF_FLOAT = 0x100;            ///< single-precision value
inline constexpr std::int32_t OPTF_SUBTITLE = 0x200;         ///< classification only
inline constexpr std::int32_t OPTF_INT64 = 0x400;            ///< 64-bit signed integer value
inline constexpr std::int32_t OPTF_INFO = 0x800;             ///< classification only
inline constexpr std::int32_t OPTF_DATA = 0x1000;            ///< classification only
inline constexpr std::int32_t OPTF_FILE_GROUP = 0x2000;      ///< belongs to the file group
inline constexpr std::int32_t OPTF_CONTEXT_OFFSET = 0x4000;  ///< destination is a per-file context field
inline constexpr std::int32_t OPTF_PER_STREAM = 0x8000;      ///< value list with stream specifiers
inline constexpr std::int32_t OPTF_DURATION = 0x10000;       ///< duration, stored as 64-bit microseconds
inline constexpr std::int32_t OPTF_DOUBLE = 0x20000;         ///< double-precision value
inline constexpr std::int32_t OPTF_INPUT = 0x40000;          ///< may be applied to an input file
inline constexpr std::int32_t OPTF_OUTPUT = 0x80000;         ///< may be applied to an output file

/// The flags that select a stored value type (rows without any use a handler).
inline constexpr std::int32_t OPTF_VALUE_TYPES =
    OPTF_STRING | OPTF_BOOLEAN | OPTF_INT32 | OPTF_INT64 | OPTF_DURATION | OPTF_FLOAT | OPTF_DOUBLE;

/// One entry of a per-stream value list: the stream specifier as written
/// after the first ':' of the option name ("" when none) and the value.
template <typename T>
struct TSpecifierValue {
  using value_type = T;
  std::string specifier;
  T value{};
};

/// A per-stream value list; entries are appended in the order the options
/// appear (the last entry matching a stream wins when read).
template <typename T>
using TSpecifierList = std::vector<TSpecifierValue<T>>;

/// A typed reference to one value slot (a single value or a per-stream list).
using TValueRef =
    std::variant<std::monostate, std::string*, std::int32_t*, std::int64_t*, float*, double*,
                 TSpecifierList<std::string>*, TSpecifierList<std::int32_t>*, TSpecifierList<std::int64_t>*,
                 TSpecifierList<float>*, TSpecifierList<double>*>;

/// The per-file options context a group is applied to: a borrowed pointer to
/// the caller's context object plus its type, or empty (global options).
/// Fields and handlers check the type, so a context of the wrong kind is a
/// std::logic_error instead of a write through a wrong pointer.
class TOptionContext {
 public:
  TOptionContext() = default;
  TOptionContext(std::nullptr_t) {}
  template <typename T>
  TOptionContext(T* object) : object_(object), type_(object ? &typeid(T) : nullptr) {}

  explicit operator bool() const { return object_ != nullptr; }
  const std::type_info* Type() const { return type_; }
  void* Object() const { return object_; }

  /// The object as a `T*`; null when empty; std::logic_error when the
  /// context holds another type.
  template <typename T>
  T* As() const {
    if (!object_) return nullptr;
    if (*type_ != typeid(T)) ThrowTypeMismatch(typeid(T));
    return static_cast<T*>(object_);
  }

 private:
  [[noreturn]] void ThrowTypeMismatch(const std::type_info& wanted) const;

  void* object_ = nullptr;
  const std::type_info* type_ = nullptr;
};

/// A handler row's operation: (file context or empty, option name as written,
/// argument) -> 0 or a negative library error code. It may throw; the parse
/// releases everything it holds on the way out.
using Tfunc_arg = std::function<int(TOptionContext o, const std::string& opt, const std::string& arg)>;

/// A field of the per-file options context: its context type and how to
/// reach it in a given context object (never null when called).
struct TContextField {
  const std::type_info* context_type = nullptr;
  TValueRef kind;  ///< a null pointer of the field's type (for the table check)
  std::function<TValueRef(void* context)> resolve;
};

/// Where a row's value goes: nothing, an engine variable (`dst_ptr`), a
/// per-file context field (`off`) or a handler (`func_arg`).
struct TOptionDefUnion {
  std::variant<std::monostate, TValueRef, TContextField, Tfunc_arg> target;

  const TValueRef* dst_ptr() const { return std::get_if<TValueRef>(&target); }
  const TContextField* off() const { return std::get_if<TContextField>(&target); }
  const Tfunc_arg* func_arg() const { return std::get_if<Tfunc_arg>(&target); }
};

namespace detail {
template <typename T>
inline constexpr bool kIsOptionValue =
    std::is_same_v<T, std::string> || std::is_same_v<T, std::int32_t> || std::is_same_v<T, std::int64_t> ||
    std::is_same_v<T, float> || std::is_same_v<T, double>;
template <typename T>
struct IsSpecifierList : std::false_type {};
template <typename T>
struct IsSpecifierList<TSpecifierList<T>> : std::bool_constant<kIsOptionValue<T>> {};
}  // namespace detail

/// Destination: a variable of the table's owner (it must outlive the table).
template <typename T>
requires detail::kIsOptionValue<T> TOptionDefUnion Variable(T& variable) {
  return {TValueRef{&variable}};
}

/// Destination: a per-file value or a per-stream list in a context of type `Ctx`.
template <typename Ctx, typename T>
requires(detail::kIsOptionValue<T> || detail::IsSpecifierList<T>::value) TOptionDefUnion
    Field(T Ctx::*member) {
  return {TContextField{
      &typeid(Ctx), TValueRef{static_cast<T*>(nullptr)},
      [member](void* context) -> TValueRef { return TValueRef{&(static_cast<Ctx*>(context)->*member)}; }}};
}

/// Handler: a callable `int(Ctx* o, const std::string& opt, const std::string& arg)`;
/// `o` is null for global rows.
template <typename Ctx, typename F>
TOptionDefUnion Handler(F function) {
  return {Tfunc_arg{[function = std::move(function)](TOptionContext o, const std::string& opt,
                                                     const std::string& arg) -> int {
    return function(o.As<Ctx>(), opt, arg);
  }}};
}

/// Handler: a method of the table's owner (which must outlive the table); the
/// method may be declared by a base class of the owner (virtual calls dispatch).
template <typename Owner, typename Base, typename Ctx>
requires std::is_base_of_v<Base, Owner> TOptionDefUnion Handler(Owner* owner,
                                                                int (Base::*method)(Ctx*, const std::string&,
                                                                                    const std::string&)) {
  return Handler<Ctx>([owner, method](Ctx* o, const std::string& opt, const std::string& arg) {
    return (static_cast<Base*>(owner)->*method)(o, opt, arg);
  });
}

/// One row of an option table.
struct TOptionDef {
  std::string_view name;     ///< option name without the leading '-'
  std::int32_t flags = 0;    ///< OPTF_* bits
  TOptionDefUnion u;         ///< where the value goes
  std::string_view help;     ///< one-line description (log lines, messages)
  std::string_view argname;  ///< name of the argument (descriptive only)
};

/// An option table: rows in order, the first matching name wins.
using TOptionTable = std::span<const TOptionDef>;

/// One parsed option: the row, the name as written after '-' (with any
/// stream specifier, or with the "no" prefix) and the argument. Owns its texts.
struct TOption {
  const TOptionDef* opt = nullptr;
  std::string key;
  std::string val;
};

/// The options of one group and the library options collected for it.
/// Owns the dictionaries (freed with the group).
struct TOptionGroup {
  std::vector<TOption> opts;
  AVDictionaryPtr codec_opts;
  AVDictionaryPtr format_opts;
  AVDictionaryPtr resample_opts;
  AVDictionaryPtr sws_dict;
  AVDictionaryPtr swr_opts;

  int nb_opts() const { return static_cast<int>(opts.size()); }
};

/// The groups of the file being parsed: global options (applied without a
/// file context) and the file's own options.
struct TOptionParseContext {
  TOptionGroup global_opts;
  TOptionGroup file_opts;
};

/// The row whose name equals `name` up to its first ':' (the whole name when
/// there is none), compared case-sensitively over exactly that length: `s`
/// never matches `ss`. Null when no row matches.
const TOptionDef* lookup_option(TOptionTable options, std::string_view name);

/// The index of the first argument of `args` that names option `name`
/// (directly, or through the "no" prefix of a boolean row), or -1. Arguments
/// of rows that take one are skipped, as are those of unknown options.
int find_option_index(std::span<const std::string> args, TOptionTable options, std::string_view name);

/// Checks every row: a file-group row may be applied to an input or an
/// output, and the destination fits the flags (value type, per-stream list,
/// per-file field or engine variable). Throws std::logic_error naming the row.
void check_option_table(TOptionTable options);

}  // namespace zentrova

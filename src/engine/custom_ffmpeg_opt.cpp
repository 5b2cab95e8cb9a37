#include "engine/custom_ffmpeg_opt.h"

#include <fmt/format.h>
#include <limits>

#include "engine/filters/filter_graph.h"
#include "engine/open/input_file.h"
#include "log/logger.h"
#include "options/dictionary.h"
#include "options/option_apply.h"
#include "options/parse_options.h"

namespace zentrova {
namespace {

// The library calls these while it waits in a read or a write; no exception
// may cross back into C.
int ReadInterruptTrampoline(void* opaque) noexcept {
  try {
    return static_cast<TCustomFFmpegOpt*>(opaque)->ReadInterruptCheck();
  } catch (...) {
    return 1;
  }
}

int WriteInterruptTrampoline(void* opaque) noexcept {
  try {
    return static_cast<TCustomFFmpegOpt*>(opaque)->WriteInterruptCheck();
  } catch (...) {
    return 1;
  }
}

// Each entry of `dict` in order (the library keeps insertion order).
template <typename F>
void ForEachEntry(const AVDictionary* dict, F&& f) {
  const AVDictionaryEntry* e = nullptr;
  while ((e = ff::av_dict_get(dict, "", e, AV_DICT_IGNORE_SUFFIX)) != nullptr) f(*e);
}

}  // namespace

TCustomFFmpegOpt::TCustomFFmpegOpt() {
  FReadCallback.callback = &ReadInterruptTrampoline;
  FReadCallback.opaque = this;
  FWriteCallback.callback = &WriteInterruptTrampoline;
  FWriteCallback.opaque = this;
}

// Out of line: the file and graph records are complete only here.
TCustomFFmpegOpt::~TCustomFFmpegOpt() = default;

void TCustomFFmpegOpt::InitFileOptions(TFileOptionContext& o) {
  o = TFileOptionContext{};
  FOptions.init_parse_context();
  o.group = &FOptions.OptionParseContext().file_opts;
}

void TCustomFFmpegOpt::FreeFileOptions(TFileOptionContext& o) {
  o = TFileOptionContext{};
  FOptions.uninit_parse_context();
}

int TCustomFFmpegOpt::ParseOptions(TFileOptionContext& o, std::string_view option_text,
                                   std::int32_t file_kind_flags, std::string_view file_name,
                                   std::string_view kind_text, std::string_view presets) {
  InitOptionDefs();
  TParseOptionsEngine engine{
      .options = FOptions,
      .table = FOptionDef,
      .HaltOnInvalidOption = HaltOnInvalidOption,
      .FLastErrMsg = FLastErrMsg,
      .ParsePresets =
          [this](TOptionContext optctx, std::string_view text, std::string_view group_name) {
            return ParsePresets(optctx.As<TFileOptionContext>(), text, group_name);
          },
      .sender = this,
  };
  return ::zentrova::ParseOptions(engine, TOptionContext(&o), option_text, presets, kind_text,
                                  file_kind_flags, file_name);
}

void TCustomFFmpegOpt::GetTypeValue(const TFileOptionContext& o, std::string_view type, std::string& name) {
  for (const TSpecifierValue<std::string>& entry : o.codec)
    if (entry.specifier == type) name = entry.value;
}

const AVCodec* TCustomFFmpegOpt::FindCodec(const std::string& name, AVMediaType type, TCodecWanted wanted) {
  const bool encoder = wanted == TCodecWanted::Encoder;
  const char* kind = encoder ? "encoder" : "decoder";
  const AVCodec* codec = encoder ? ff::avcodec_find_encoder_by_name(name.c_str())
                                 : ff::avcodec_find_decoder_by_name(name.c_str());
  if (!codec) {
    if (const AVCodecDescriptor* desc = ff::avcodec_descriptor_get_by_name(name.c_str())) {
      codec = encoder ? ff::avcodec_find_encoder(desc->id) : ff::avcodec_find_decoder(desc->id);
      if (codec)
        Log(TLogLevel::llVerbose,
            fmt::format("Matched {} \"{}\" for codec \"{}\".", kind, codec->name, desc->name));
    }
  }
  if (!codec) RaiseErrorFmt("Unknown {} \"{}\"", kind, name);
  if (codec->type != type) RaiseErrorFmt("Invalid {} type \"{}\"", kind, name);
  return codec;
}

void TCustomFFmpegOpt::RemoveOptions(AVDictionaryPtr& a, const AVDictionary* b) {
  ForEachEntry(b, [&](const AVDictionaryEntry& e) { ff::av_dict_set(InOutPtr(a), e.key, nullptr, 0); });
}

void TCustomFFmpegOpt::CheckUnusedOptions(const AVDictionary* d) {
  const AVDictionaryEntry* e = ff::av_dict_get(d, "", nullptr, AV_DICT_IGNORE_SUFFIX);
  if (!e) return;
  const std::string text = fmt::format("Option {} not found.", e->key);
  if (HaltOnInvalidOption) RaiseError(text);
  FLastErrMsg = text;
}

AVDictionaryPtr TCustomFFmpegOpt::StripSpecifiers(const AVDictionary* d) {
  AVDictionaryPtr result;
  ForEachEntry(d, [&](const AVDictionaryEntry& e) {
    const std::string key(e.key);
    if (DictSet(result, key.substr(0, key.find(':')), e.value) < 0) throw std::bad_alloc();
  });
  return result;
}

std::optional<std::string> TCustomFFmpegOpt::ReadTextFile(const std::string& file_name) {
  AVIOContextPtr pb;
  if (ff::avio_open2(OutPtr(pb), file_name.c_str(), AVIO_FLAG_READ, nullptr, nullptr) < 0) {
    Log(TLogLevel::llError, fmt::format("Error opening file {}.", file_name));
    return std::nullopt;
  }
  std::string text;
  unsigned char buffer[1024];
  for (;;) {
    const int n = ff::avio_read(pb.get(), buffer, sizeof buffer);
    if (n == AVERROR_EOF || n == 0) break;
    if (n < 0) {
      Log(TLogLevel::llError, error_code_text(n, fmt::format("Error reading file {}", file_name)));
      return std::nullopt;
    }
    if (text.size() + static_cast<std::size_t>(n) > kMaxTextFileBytes) {
      Log(TLogLevel::llError, fmt::format("File {} is too large.", file_name));
      return std::nullopt;
    }
    text.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(n));
  }
  return text;
}

void TCustomFFmpegOpt::RaiseError(const std::string& msg) {
  FLastErrMsg = msg;
  Log(TLogLevel::llFatal, msg);
  throw FFmpegException(msg);
}

void TCustomFFmpegOpt::AbortExperimentalCodec() {
  RaiseError("abort codec experimental");
}

void TCustomFFmpegOpt::Log(TLogLevel level, const std::string& msg) const {
  DefaultLogger()->Log(this, level, msg);
}

int TCustomFFmpegOpt::ReadInterruptCheck() {
  if (FBroken) {
    Log(TLogLevel::llInfo, "reading/writing broken");
    return 1;
  }
  const std::int64_t last = FLastRead;
  if (last == std::numeric_limits<std::int64_t>::max() || FReadTimeout <= 0) return 0;
  if (ff::av_gettime_relative() - last <= std::int64_t{FReadTimeout} * 1000) return 0;
  Log(TLogLevel::llInfo, last == 0 ? "connecting/reading canceled" : "connecting/reading timeout");
  return 1;
}

int TCustomFFmpegOpt::WriteInterruptCheck() {
  const std::int64_t last = FLastWrite;
  if (last == std::numeric_limits<std::int64_t>::max() || FWriteTimeout <= 0) return 0;
  if (ff::av_gettime_relative() - last <= std::int64_t{FWriteTimeout} * 1000) return 0;
  Log(TLogLevel::llInfo, last == 0 ? "connecting/writing canceled" : "connecting/writing timeout");
  return 1;
}

int TCustomFFmpegOpt::ApplyOption(Ctx* o, std::string_view name, std::string_view arg) {
  InitOptionDefs();
  return apply_option(TOptionContext(o), name, std::optional<std::string_view>(arg), FOptionDef);
}

int TCustomFFmpegOpt::SetGroupCodecOption(Ctx* o, const std::string& key, const std::string& value) {
  TOptionGroup& group = (o && o->group) ? *o->group : FOptions.OptionParseContext().file_opts;
  return DictSet(group.codec_opts, key, value);
}

}  // namespace zentrova

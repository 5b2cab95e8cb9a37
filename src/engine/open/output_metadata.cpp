// Metadata, chapters and programs of the output being opened.
#include <algorithm>
#include <fmt/format.h>
#include <string_view>

#include "engine/options/c_integer.h"
#include "engine/options/metadata_specifier.h"
#include "engine/open/output_opener.h"

namespace zentrova {

namespace {

// Sets (or, for an empty value, removes) a tag.
void SetTag(AVDictionary** metadata, const std::string& key, const std::string& value) {
  ff::av_dict_set(metadata, key.c_str(), value.empty() ? nullptr : value.c_str(), 0);
}

std::optional<TMetadataSpecifier> ParseSpecifier(TCustomFFmpegOpt& engine, const std::string& text) {
  TMetadataSpecifier spec = ParseMetadataSpecifier(text);
  if (!spec.error.empty()) {
    engine.FLastErrMsg = spec.error;
    engine.Log(TLogLevel::llFatal, spec.error);
    return std::nullopt;
  }
  return spec;
}

// The dictionary a 'g', 'c' or 'p' specifier names in `s`, or null with the
// reason in `error` when the index is out of range.
AVDictionary** FileLevelMetadata(AVFormatContext* s, const TMetadataSpecifier& spec, std::string& error) {
  switch (spec.type) {
    case 'g':
      return &s->metadata;
    case 'c':
      if (spec.index < 0 || static_cast<unsigned>(spec.index) >= s->nb_chapters) {
        error = fmt::format("Invalid chapter index {} while processing metadata maps.", spec.index);
        return nullptr;
      }
      return &s->chapters[spec.index]->metadata;
    case 'p':
      if (spec.index < 0 || static_cast<unsigned>(spec.index) >= s->nb_programs) {
        error = fmt::format("Invalid program index {} while processing metadata maps.", spec.index);
        return nullptr;
      }
      return &s->programs[spec.index]->metadata;
    default:
      error = fmt::format("Invalid metadata specifier {}.", spec.type);
      return nullptr;
  }
}

// Splits "key=value:key=value" of -program into its pairs.
std::vector<std::string> ProgramPairs(std::string_view text) {
  std::vector<std::string> pairs;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t colon = text.find(':', pos);
    if (colon == std::string_view::npos) colon = text.size();
    pairs.emplace_back(text.substr(pos, colon - pos));
    pos = colon + 1;
  }
  return pairs;
}

}  // namespace

int CopyMetadata(TCustomFFmpegOpt& engine, const std::string& outspec, const std::string& inspec,
                 TFileOptionContext& o, AVFormatContext* ic, AVFormatContext* oc) {
  const std::optional<TMetadataSpecifier> in = ParseSpecifier(engine, inspec);
  if (!in) return -1;
  const std::optional<TMetadataSpecifier> out = ParseSpecifier(engine, outspec);
  if (!out) return -1;
  if (!ic) {
    // "-map_metadata -1": nothing is copied, and nothing is copied by default either.
    if (out->type == 'g' || outspec.empty()) o.global_metadata_set = 1;
    if (out->type == 's' || outspec.empty()) o.stream_metadata_set = 1;
    if (out->type == 'c' || outspec.empty()) o.chapter_metadata_set = 1;
    return 0;
  }
  if (in->type == 'g' || out->type == 'g') o.global_metadata_set = 1;
  if (in->type == 's' || out->type == 's') o.stream_metadata_set = 1;
  if (in->type == 'c' || out->type == 'c') o.chapter_metadata_set = 1;

  AVDictionary** meta_in = nullptr;
  if (in->type == 's') {
    for (unsigned i = 0; i < ic->nb_streams; ++i) {
      const int ret = ff::avformat_match_stream_specifier(ic, ic->streams[i], in->stream_spec.c_str());
      if (ret > 0) {
        meta_in = &ic->streams[i]->metadata;
        break;
      }
      if (ret < 0) {
        engine.FLastErrMsg = error_code_text(ret, "check_stream_specifier");
        return ret;
      }
    }
    if (!meta_in) {
      engine.FLastErrMsg = fmt::format("Stream specifier {} does not match  any streams.", in->stream_spec);
      return -1;
    }
  } else {
    meta_in = FileLevelMetadata(ic, *in, engine.FLastErrMsg);
    if (!meta_in) return -1;
  }

  if (out->type == 's') {
    for (unsigned i = 0; i < oc->nb_streams; ++i) {
      const int ret = ff::avformat_match_stream_specifier(oc, oc->streams[i], out->stream_spec.c_str());
      if (ret > 0) {
        ff::av_dict_copy(&oc->streams[i]->metadata, *meta_in, AV_DICT_DONT_OVERWRITE);
      } else if (ret < 0) {
        engine.FLastErrMsg = error_code_text(ret, "check_stream_specifier");
        return ret;
      }
    }
  } else {
    AVDictionary** meta_out = FileLevelMetadata(oc, *out, engine.FLastErrMsg);
    if (!meta_out) return -1;
    ff::av_dict_copy(meta_out, *meta_in, AV_DICT_DONT_OVERWRITE);
  }
  return 0;
}

int CopyChapters(const TInputFile& ifile, TOutputFile& of, bool copy_metadata) {
  const AVFormatContext* is = ifile.ctx.get();
  AVFormatContext* os = of.ctx.get();
  if (!is->nb_chapters) return 0;
  void* grown = ff::av_realloc_array(os->chapters, is->nb_chapters + os->nb_chapters, sizeof(*os->chapters));
  if (!grown) return AVERROR(ENOMEM);
  os->chapters = static_cast<AVChapter**>(grown);

  const std::int64_t start = of.start_time == AV_NOPTS_VALUE ? 0 : of.start_time;
  for (unsigned i = 0; i < is->nb_chapters; ++i) {
    const AVChapter* in_ch = is->chapters[i];
    const std::int64_t ts_off = ff::av_rescale_q(start - ifile.ts_offset, AV_TIME_BASE_Q, in_ch->time_base);
    const std::int64_t rt = of.recording_time == INT64_MAX
                                ? INT64_MAX
                                : ff::av_rescale_q(of.recording_time, AV_TIME_BASE_Q, in_ch->time_base);
    if (in_ch->end < ts_off) continue;
    if (rt != INT64_MAX && in_ch->start > rt + ts_off) break;
    auto* out_ch = static_cast<AVChapter*>(ff::av_mallocz(sizeof(AVChapter)));
    if (!out_ch) return AVERROR(ENOMEM);
    out_ch->id = in_ch->id;
    out_ch->time_base = in_ch->time_base;
    out_ch->start = std::max<std::int64_t>(0, in_ch->start - ts_off);
    out_ch->end = rt == INT64_MAX ? in_ch->end - ts_off : std::min(rt, in_ch->end - ts_off);
    if (copy_metadata) ff::av_dict_copy(&out_ch->metadata, in_ch->metadata, 0);
    os->chapters[os->nb_chapters++] = out_ch;
  }
  return 0;
}

void MapMetadata(TOutputOpen& open) {
  TCustomFFmpegOpt& engine = open.engine;
  for (const TSpecifierValue<std::string>& entry : open.o.map_metadata) {
    std::size_t consumed = 0;
    const int in_file_index = ReadCInt(entry.value, &consumed);
    if (in_file_index >= static_cast<int>(engine.Finput_files.size())) {
      throw TOutputOpenError(
          fmt::format("Invalid input file index {} while processing metadata maps", in_file_index));
    }
    std::string_view rest = std::string_view(entry.value).substr(consumed);
    if (!rest.empty()) rest.remove_prefix(1);  // the ':' before the input specifier
    AVFormatContext* ic = in_file_index >= 0
                              ? engine.Finput_files[static_cast<std::size_t>(in_file_index)]->ctx.get()
                              : nullptr;
    if (CopyMetadata(engine, entry.specifier, std::string(rest), open.o, ic, open.oc) < 0) {
      throw TOutputOpenError(engine.FLastErrMsg);
    }
  }
}

void MapChapters(TOutputOpen& open) {
  TCustomFFmpegOpt& engine = open.engine;
  int source = open.o.map_chapters;
  if (source >= static_cast<int>(engine.Finput_files.size())) {
    if (source != INT32_MAX) {
      throw TOutputOpenError(fmt::format("Invalid input file index {} in chapter mapping.", source));
    }
    source = -1;
    for (std::size_t i = 0; i < engine.Finput_files.size(); ++i) {
      if (engine.Finput_files[i]->ctx->nb_chapters) {
        source = static_cast<int>(i);
        break;
      }
    }
  }
  if (source < 0) return;
  if (CopyChapters(*engine.Finput_files[static_cast<std::size_t>(source)], open.of,
                   !open.o.chapter_metadata_set) < 0) {
    throw TOutputOpenError("Could not allocate memory for the chapters of the output.");
  }
}

void CopyDefaultMetadata(TOutputOpen& open) {
  TCustomFFmpegOpt& engine = open.engine;
  if (!open.o.global_metadata_set && !engine.Finput_files.empty()) {
    ff::av_dict_copy(&open.oc->metadata, engine.Finput_files[0]->ctx->metadata, AV_DICT_DONT_OVERWRITE);
    if (open.o.t != INT64_MAX) ff::av_dict_set(&open.oc->metadata, "duration", nullptr, 0);
    ff::av_dict_set(&open.oc->metadata, "creation_time", nullptr, 0);
  }
  if (open.o.stream_metadata_set) return;
  for (const std::unique_ptr<TOutputStream>& ost : open.Streams()) {
    if (ost->source_index < 0) continue;
    const TInputStream& ist = *engine.Finput_streams.at(static_cast<std::size_t>(ost->source_index));
    ff::av_dict_copy(&ost->st->metadata, ist.st->metadata, AV_DICT_DONT_OVERWRITE);
    if (!ost->stream_copy) {
      ff::av_dict_set(&ost->st->metadata, "encoder", nullptr, 0);
      if (ist.autorotate) ff::av_dict_set(&ost->st->metadata, "rotate", nullptr, 0);
    }
  }
}

void CreatePrograms(TOutputOpen& open) {
  for (std::size_t m = 0; m < open.o.program.size(); ++m) {
    const std::vector<std::string> pairs = ProgramPairs(open.o.program[m].value);
    int program_number = static_cast<int>(m) + 1;
    for (const std::string& pair : pairs) {
      const std::size_t equals = pair.find('=');
      if (equals == std::string::npos || equals + 1 == pair.size()) break;
      if (pair.compare(0, equals, "program_num") == 0) program_number = ReadCInt(pair.substr(equals + 1));
    }
    AVProgram* program = ff::av_new_program(open.oc, program_number);
    if (!program) throw TOutputOpenError(fmt::format("Could not create program {}.", program_number));
    for (const std::string& pair : pairs) {
      const std::size_t equals = pair.find('=');
      if (equals == std::string::npos) {
        throw TOutputOpenError(fmt::format("No \"=\" character in program string {}.", pair));
      }
      const std::string key = pair.substr(0, equals);
      const std::string value = pair.substr(equals + 1);
      if (value.empty()) throw TOutputOpenError("program string is empty.");
      if (key == "title") {
        ff::av_dict_set(&program->metadata, "title", value.c_str(), 0);
      } else if (key == "program_num") {
        continue;
      } else if (key == "st") {
        ff::av_program_add_stream_index(open.oc, program_number, static_cast<unsigned>(ReadCInt(value)));
      } else {
        throw TOutputOpenError(fmt::format("Unknown program key {}.", key));
      }
    }
  }
}

void ApplyMetadataOptions(TOutputOpen& open) {
  TCustomFFmpegOpt& engine = open.engine;
  AVFormatContext* oc = open.oc;
  for (const TSpecifierValue<std::string>& entry : open.o.metadata) {
    const std::size_t equals = entry.value.find('=');
    if (equals == std::string::npos) {
      throw TOutputOpenError(fmt::format("No \"=\" character in metadata string {}.", entry.value));
    }
    const std::string key = entry.value.substr(0, equals);
    const std::string value = entry.value.substr(equals + 1);
    const std::optional<TMetadataSpecifier> spec = ParseSpecifier(engine, entry.specifier);
    if (!spec) throw TOutputOpenError(engine.FLastErrMsg);
    AVDictionary** target = nullptr;
    switch (spec->type) {
      case 's':
        for (unsigned j = 0; j < oc->nb_streams; ++j) {
          const int ret = ff::avformat_match_stream_specifier(oc, oc->streams[j], spec->stream_spec.c_str());
          if (ret < 0) throw TOutputOpenError(error_code_text(ret, "check_stream_specifier"));
          if (ret == 0) continue;
          SetTag(&oc->streams[j]->metadata, key, value);
          if (key == "rotate") {
            engine.Foutput_streams.at(static_cast<std::size_t>(open.of.ost_index) + j)->rotate_overridden = 1;
          }
        }
        continue;
      case 'g':
        target = &oc->metadata;
        break;
      case 'c':
        if (spec->index < 0 || static_cast<unsigned>(spec->index) >= oc->nb_chapters) {
          throw TOutputOpenError(fmt::format("Invalid chapter index {} in metadata specifier.", spec->index));
        }
        target = &oc->chapters[spec->index]->metadata;
        break;
      case 'p':
        if (spec->index < 0 || static_cast<unsigned>(spec->index) >= oc->nb_programs) {
          throw TOutputOpenError(fmt::format("Invalid program index {} in metadata specifier.", spec->index));
        }
        target = &oc->programs[spec->index]->metadata;
        break;
      default:
        throw TOutputOpenError(fmt::format("Invalid metadata specifier {}.", entry.specifier));
    }
    SetTag(target, key, value);
  }
}

}  // namespace zentrova

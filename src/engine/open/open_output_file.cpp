// OpenOutputFile: creating the task's output, its streams, metadata and
// file, and AbortOutputFile, which undoes all of it on failure.
//
// A failed open leaves the engine without the output record and without the
// stream records made for it. Opening an output creates no file (the run
// does, OpenOutputWriter). An existing input is never named as an output,
// whatever -y says.
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fmt/format.h>
#include <optional>

#include "engine/options/c_numeric_scope.h"
#include "engine/filters/build_filter_graphs.h"
#include "engine/options/option_dictionaries.h"
#include "engine/open/output_opener.h"
#include "engine/open/new_output_streams.h"
#include "engine/open/output_target.h"
#include "options/dictionary.h"
#include "options/file_name_text.h"

namespace zentrova {

namespace {

// -t and -to: -t wins; -to alone becomes a duration from the start.
void ResolveRecordingTime(TCustomFFmpegOpt& engine, TFileOptionContext& o) {
  if (o.t != INT64_MAX && o.to != INT64_MAX) {
    o.to = INT64_MAX;
    engine.Log(TLogLevel::llWarning, "-t and -to cannot be used together; using -t.");
  } else if (o.to != INT64_MAX) {
    const std::int64_t start = o.ss == AV_NOPTS_VALUE ? 0 : o.ss;
    if (start >= o.to) throw TOutputOpenError("-to value smaller than -ss; aborting.");
    o.t = o.to - start;
  }
}

// -flags given for the file reaches the stream copies and attachments too.
void ApplyFlagsToCopies(TOutputOpen& open) {
  const AVDictionaryEntry* e =
      ff::av_dict_get(open.o.group->codec_opts.get(), "flags", nullptr, AV_DICT_IGNORE_SUFFIX);
  if (!e) return;
  const std::string_view key = e->key;
  if (key != "flags" && !key.starts_with("flags:")) return;
  for (const std::unique_ptr<TOutputStream>& ost : open.Streams()) {
    if (!ost->stream_copy && ost->attachment_filename.empty()) continue;
    if (key != "flags" && ff::avformat_match_stream_specifier(open.oc, ost->st, e->key + 6) == 0) continue;
    if (ff::av_opt_set(ost->enc_ctx.get(), "flags", e->value, 0) < 0)
      throw TOutputOpenError("failed to set flags");
  }
}

// Codec options no output stream used: an option only decoders know fails
// the open, any other is a warning.
void CheckUnusedEncoderOptions(TOutputOpen& open) {
  AVDictionaryPtr unused = TCustomFFmpegOpt::StripSpecifiers(open.o.group->codec_opts.get());
  for (const std::unique_ptr<TOutputStream>& ost : open.Streams())
    TCustomFFmpegOpt::RemoveOptions(unused, ost->encoder_opts.get());
  ForEachUnusedCodecOption(unused.get(), [&](const char* key, const char* help, int flags) {
    if (!(flags & AV_OPT_FLAG_ENCODING_PARAM)) {
      throw TOutputOpenError(
          fmt::format("Codec AVOption {} ({}) specified for output file #{} ({}) is not an encoding option.",
                      key, help, open.file_index, open.file_name));
    }
    if (std::string_view(key) == "gop_timecode") return true;
    open.engine.Log(
        TLogLevel::llWarning,
        fmt::format("Codec AVOption {} ({}) specified for output file #{} ({}) has not been used for any "
                    "stream. The most likely reason is either wrong type (e.g. a video option with no video "
                    "streams) or that it is a private option of some encoder which was not actually used "
                    "for any stream.",
                    key, help, open.file_index, open.file_name));
    return true;
  });
}

void MarkCodingNeeds(TOutputOpen& open) {
  for (const std::unique_ptr<TOutputStream>& ost : open.Streams()) {
    ost->encoding_needed = !ost->stream_copy;
    if (ost->encoding_needed && ost->source_index >= 0) {
      TInputStream& source = *open.engine.Finput_streams.at(static_cast<std::size_t>(ost->source_index));
      source.decoding_needed.for_output = true;
    }
  }
}

// The checks of an output's name when it is added; its file is created only
// when the run starts (OpenOutputWriter).
void CheckOutputName(TOutputOpen& open, const std::string& library_name) {
  TCustomFFmpegOpt& engine = open.engine;
  for (std::size_t i = 0; i < engine.Finput_files.size(); ++i) {
    const char* input_name = engine.Finput_files[i]->ctx->url;
    if (input_name && SameLocalFile(library_name, input_name)) {
      throw TOutputOpenError(
          fmt::format("Output file \"{}\" is input file #{} (\"{}\"); an input is never overwritten.",
                      open.file_name, i, input_name));
    }
  }
  if (engine.Fno_file_overwrite && !engine.CheckFileOverwrite(library_name)) {
    throw TOutputOpenError(engine.FLastErrMsg);
  }
  // A folder the run could not write in is told now, although nothing is created yet.
  if (const std::optional<std::filesystem::path> path = TOutputTarget::PlainLocalPath(library_name)) {
    const std::filesystem::path folder = path->has_parent_path() ? path->parent_path() : ".";
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
      throw TOutputOpenError(error_code_text(AVERROR(errno), open.file_name));
  }
}

}  // namespace

// Undoes a failed open of output `file_index`: its stream records (and the
// graph outputs bound to them) and its record. Nothing was written yet.
static void AbortOutputFile(TCustomFFmpegOpt& engine, std::size_t file_index) {
  TOutputFile& of = *engine.Foutput_files.at(file_index);
  const std::size_t first = static_cast<std::size_t>(of.ost_index);
  for (const std::unique_ptr<TFilterGraph>& fg : engine.Ffiltergraphs) {
    for (const std::unique_ptr<TOutputFilter>& ofilter : fg->outputs) {
      for (std::size_t i = first; i < engine.Foutput_streams.size(); ++i) {
        if (ofilter->ost == engine.Foutput_streams[i].get()) ofilter->ost = nullptr;
      }
    }
  }
  if (first < engine.Foutput_streams.size()) {
    engine.Foutput_streams.erase(engine.Foutput_streams.begin() + static_cast<std::ptrdiff_t>(first),
                                 engine.Foutput_streams.end());
  }
  engine.Foutput_files.erase(engine.Foutput_files.begin() + static_cast<std::ptrdiff_t>(file_index));
}

int TCustomFFmpegOpt::OpenOutputFile(TFileOptionContext& o, const std::string& option_text, bool join,
                                     const std::string& file_name, const std::string& presets) {
  const TCNumericScope c_numbers;  // option values such as "-aspect 1.85" are parsed by the library
  int ret = ParseOptions(o, option_text, OPTF_OUTPUT, file_name, "output file", presets);
  if (ret < 0) return ret;
  const std::string library_name = library_file_name(file_name);

  ret = InitComplexFilters(*this);
  if (ret < 0) {
    FLastErrMsg = error_code_text(ret, "Error initializing complex filters");
    return ret;
  }
  if (FJoinMode || (join && Finput_files.size() > 1 && !Foutput_files.empty())) {
    FLastErrMsg = "Cannot join more than one output file.";
    return -1;
  }
  const bool join_active = join && Finput_files.size() > 1;
  try {
    ResolveRecordingTime(*this, o);
  } catch (const TOutputOpenError& error) {
    FLastErrMsg = error.what();
    return -1;
  }

  AVOutputFormatContextPtr muxer;
  ret = ff::avformat_alloc_output_context2(OutPtr(muxer), nullptr, o.f.empty() ? nullptr : o.f.c_str(),
                                           library_name.c_str());
  if (!muxer) {
    FLastErrMsg = error_code_text(ret < 0 ? ret : AVERROR(EINVAL), displayed_file_name(file_name));
    return -1;
  }
  auto of = std::make_unique<TOutputFile>();
  of->ctx = std::move(muxer);
  of->ost_index = static_cast<int>(Foutput_streams.size());
  of->recording_time = o.t;
  of->start_time = o.ss;
  of->limit_filesize = o.fs;
  of->shortest = o.shortest;
  of->opts = CopyDictionary(o.group->format_opts.get());
  Foutput_files.push_back(std::move(of));
  const std::size_t file_index = Foutput_files.size() - 1;
  TOutputFile& output = *Foutput_files.back();
  AVFormatContext* oc = output.ctx.get();

  TOutputOpen open{
      *this, o, oc, output, static_cast<int>(file_index), join_active, displayed_file_name(file_name)};
  try {
    if (o.t != INT64_MAX) {
      oc->duration = o.t;
      if (o.t > FOutputDuration) FOutputDuration = o.t;
    }
    oc->interrupt_callback = FWriteCallback;

    BindUnlabelledGraphOutputs(open);
    if (o.map.empty()) {
      SelectStreamsAutomatically(open);
    } else {
      MapStreams(open);
    }
    AddAttachments(open);
    ApplyFlagsToCopies(open);

    if (oc->nb_streams == 0 && !(oc->oformat->flags & AVFMT_NOSTREAMS)) {
      ff::av_dump_format(oc, static_cast<int>(file_index), file_name.c_str(), 1);
      throw TOutputOpenError(fmt::format("Output file #{} does not contain any stream", file_index));
    }
    CheckUnusedEncoderOptions(open);
    MarkCodingNeeds(open);
    if ((oc->oformat->flags & AVFMT_NEEDNUMBER) && !ff::av_filename_number_test(oc->url)) {
      throw TOutputOpenError(error_code_text(AVERROR(EINVAL), library_name));
    }
    if (!(oc->oformat->flags & AVFMT_NOSTREAMS) && !Finput_stream_potentially_available) {
      throw TOutputOpenError("No input streams but output needs an input stream");
    }
    if (!(oc->oformat->flags & AVFMT_NOFILE)) CheckOutputName(open, library_name);
    if (o.muxpreload != 0) {
      ff::av_dict_set_int(InOutPtr(output.opts), "preload",
                          static_cast<std::int64_t>(o.muxpreload * AV_TIME_BASE), 0);
    }
    oc->max_delay = static_cast<int>(o.muxdelay * AV_TIME_BASE);

    MapMetadata(open);
    MapChapters(open);
    CopyDefaultMetadata(open);
    CreatePrograms(open);
    ApplyMetadataOptions(open);

    ret = ConfigureComplexFilters(*this);
    if (ret < 0) throw TOutputOpenError(error_code_text(ret, "Error configuring complex filters"));
  } catch (const TOutputOpenError& error) {
    FLastErrMsg = error.what();
    AbortOutputFile(*this, file_index);
    return -1;
  } catch (...) {
    AbortOutputFile(*this, file_index);
    throw;
  }

  int result = static_cast<int>(file_index);
  if (join_active) {
    if (JoinInputs(o) < 0) {
      AbortOutputFile(*this, file_index);
      result = -1;
    } else {
      FJoinMode = true;
    }
  }
  return result;
}

int TCustomFFmpegOpt::JoinInputs(TFileOptionContext& /*o*/) {
  FLastErrMsg = "Joining several inputs into one output is not supported by this engine.";
  Log(TLogLevel::llError, FLastErrMsg);
  return -1;
}

void TCustomFFmpegOpt::FreeOutputStreams() {
  try {
    for (const std::unique_ptr<TFilterGraph>& fg : Ffiltergraphs) {
      for (const std::unique_ptr<TOutputFilter>& ofilter : fg->outputs) ofilter->ost = nullptr;
    }
    Foutput_streams.clear();
  } catch (const std::exception& e) {
    Log(TLogLevel::llError, fmt::format("FreeOutputStreams() exception: {}", e.what()));
  }
}

}  // namespace zentrova

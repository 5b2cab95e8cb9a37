// OpenInputFile: opening, probing and registering one input of a task.
//
// An input is registered only when everything about it succeeded: on any
// failure after the demuxer was opened, the stream records made for it are
// removed again and the demuxer is closed once (by its owning pointer), so a
// failed open leaves the engine as it was.
#include <fmt/format.h>
#include <memory>
#include <span>

#include "engine/options/c_numeric_scope.h"
#include "engine/open/add_input_streams.h"
#include "engine/options/option_dictionaries.h"
#include "log/logger.h"
#include "options/dictionary.h"
#include "options/file_name_text.h"
#include "options/stream_options.h"

namespace zentrova {

namespace {

void DictRemove(AVDictionaryPtr& dict, const char* key, int flags) {
  ff::av_dict_set(InOutPtr(dict), key, nullptr, flags);
}

// The demuxer options the option string implies (-ar, -ac, -r, -s, -pix_fmt):
// always the last value given, whatever its specifier.
void SetDemuxerOptions(TFileOptionContext& o, const AVInputFormat* forced) {
  AVDictionaryPtr& format_opts = o.group->format_opts;
  auto has_private_option = [forced](const char* name) {
    return forced && forced->priv_class &&
           ff::av_opt_find(const_cast<const AVClass**>(&forced->priv_class), name, nullptr, 0,
                           AV_OPT_SEARCH_FAKE_OBJ) != nullptr;
  };
  if (!o.ar.empty()) DictSet(format_opts, "sample_rate", std::to_string(o.ar.back().value));
  if (!o.ac.empty() && has_private_option("channels")) {
    DictSet(format_opts, "channels", std::to_string(o.ac.back().value));
  }
  if (!o.r.empty() && has_private_option("framerate")) DictSet(format_opts, "framerate", o.r.back().value);
  if (!o.s.empty()) DictSet(format_opts, "video_size", o.s.back().value);
  if (!o.pix_fmt.empty()) DictSet(format_opts, "pixel_format", o.pix_fmt.back().value);
}

// -c:v/-c:a/-c:s/-c:d name the decoders the demuxer is told to use.
void ForceTypeDecoders(TCustomFFmpegOpt& engine, const TFileOptionContext& o, AVFormatContext* ic) {
  std::string name;
  name.clear();
  TCustomFFmpegOpt::GetTypeValue(o, "v", name);
  if (!name.empty()) {
    ic->video_codec = engine.FindCodec(name, AVMEDIA_TYPE_VIDEO, TCodecWanted::Decoder);
    ic->video_codec_id = ic->video_codec->id;
  }
  name.clear();
  TCustomFFmpegOpt::GetTypeValue(o, "a", name);
  if (!name.empty()) {
    ic->audio_codec = engine.FindCodec(name, AVMEDIA_TYPE_AUDIO, TCodecWanted::Decoder);
    ic->audio_codec_id = ic->audio_codec->id;
  }
  name.clear();
  TCustomFFmpegOpt::GetTypeValue(o, "s", name);
  if (!name.empty()) {
    ic->subtitle_codec = engine.FindCodec(name, AVMEDIA_TYPE_SUBTITLE, TCodecWanted::Decoder);
    ic->subtitle_codec_id = ic->subtitle_codec->id;
  }
  name.clear();
  TCustomFFmpegOpt::GetTypeValue(o, "d", name);
  if (!name.empty()) {
    ic->data_codec = engine.FindCodec(name, AVMEDIA_TYPE_DATA, TCodecWanted::Decoder);
    ic->data_codec_id = ic->data_codec->id;
  }
}

// Codec options no stream of the input (`streams`) used: an encoding-only
// option fails the open (-22, FLastErrMsg set), any other is a warning.
int CheckUnusedDecoderOptions(TCustomFFmpegOpt& engine, const TFileOptionContext& o,
                              std::span<const std::unique_ptr<TInputStream>> streams, int input_index,
                              const std::string& file_name) {
  AVDictionaryPtr unused = TCustomFFmpegOpt::StripSpecifiers(o.group->codec_opts.get());
  for (const std::unique_ptr<TInputStream>& ist : streams)
    TCustomFFmpegOpt::RemoveOptions(unused, ist->decoder_opts.get());
  int ret = 0;
  ForEachUnusedCodecOption(unused.get(), [&](const char* key, const char* help, int flags) {
    if (!(flags & AV_OPT_FLAG_DECODING_PARAM)) {
      engine.FLastErrMsg =
          fmt::format("Codec AVOption {} ({}) specified for input file #{} ({}) is not a decoding option.",
                      key, help, input_index, file_name);
      engine.Log(TLogLevel::llError, engine.FLastErrMsg);
      ret = AVERROR(EINVAL);
      return false;
    }
    engine.Log(
        TLogLevel::llWarning,
        fmt::format("Codec AVOption {} ({}) specified for input file #{} ({}) has not been used for any "
                    "stream. The most likely reason is either wrong type (e.g. a video option with no "
                    "video streams) or that it is a private option of some decoder which was not actually "
                    "used for any stream.",
                    key, help, input_index, file_name));
    return true;
  });
  return ret;
}

}  // namespace

int TCustomFFmpegOpt::OpenInputFile(TFileOptionContext& o, const std::string& option_text,
                                    const std::string& file_name, const std::string& presets) {
  const TCNumericScope c_numbers;  // option values such as "-r 29.97" are parsed by the library
  int ret = ParseOptions(o, option_text, OPTF_INPUT, file_name, "input file", presets);
  if (ret < 0) return ret;
  const std::string library_name = library_file_name(file_name);
  const std::string shown_name = displayed_file_name(file_name);  // for messages
  const int input_index = static_cast<int>(Finput_files.size());

  const AVInputFormat* file_iformat = nullptr;
  if (!o.f.empty()) {
    file_iformat = ff::av_find_input_format(o.f.c_str());
    if (!file_iformat) {
      FLastErrMsg = fmt::format("Unknown input format: \"{}\"", o.f);
      Log(TLogLevel::llFatal, FLastErrMsg);
      return AVERROR(EINVAL);
    }
  }

  // Refused before anything is opened: a FIFO or device would block the open for good.
  auto guard = std::make_unique<TInputGuard>(FInputPolicy, library_name);
  if (!guard->Refusal().empty()) {
    FLastErrMsg = guard->Refusal();
    Log(TLogLevel::llFatal, FLastErrMsg);
    return AVERROR(EPERM);
  }

  AVInputFormatContextPtr ic(ff::avformat_alloc_context());
  if (!ic) {
    FLastErrMsg = "avformat_alloc_context() failed";
    Log(TLogLevel::llFatal, FLastErrMsg);
    return AVERROR(ENOMEM);
  }
  SetDemuxerOptions(o, file_iformat);
  ForceTypeDecoders(*this, o, ic.get());
  ic->flags |= AVFMT_FLAG_NONBLOCK;
  ic->interrupt_callback = FReadCallback;
  guard->Apply(*ic, o.group->format_opts);

  // Probe every program of a transport stream unless the caller said otherwise.
  const bool scan_all_pmts_set = DictGet(o.group->format_opts, "scan_all_pmts") == nullptr;
  if (scan_all_pmts_set) DictSet(o.group->format_opts, "scan_all_pmts", "1", AV_DICT_DONT_OVERWRITE);

  FLastRead = ff::av_gettime_relative();
  // The library frees the context when the open fails.
  ret = ff::avformat_open_input(InOutPtr(ic), library_name.c_str(), file_iformat,
                                InOutPtr(o.group->format_opts));
  if (ret < 0) {
    FLastErrMsg = guard->Explain(error_code_text(ret, shown_name), ret);
    Log(TLogLevel::llFatal, FLastErrMsg);
    return ret;
  }
  if (scan_all_pmts_set) DictRemove(o.group->format_opts, "scan_all_pmts", AV_DICT_MATCH_CASE);

  RemoveOptions(o.group->format_opts, o.group->codec_opts.get());
  CheckUnusedOptions(o.group->format_opts.get());

  for (unsigned i = 0; i < ic->nb_streams; ++i) ChooseDecoder(*this, o, ic.get(), ic->streams[i]);

  {
    AVDictionaryArray probe_opts(stream_info_options(ic.get(), o.group->codec_opts.get()));
    if (FOnBeforeFindStreamInfo) FOnBeforeFindStreamInfo(this, ic.get());
    FLastRead = ff::av_gettime_relative();
    ret = ff::avformat_find_stream_info(ic.get(), probe_opts.Data());
  }
  if (ret < 0) {
    FLastErrMsg = fmt::format("{}: could not find codec parameters", shown_name);
    Log(TLogLevel::llFatal, FLastErrMsg);
    if (ic->nb_streams == 0) return ret;
  }

  if (o.sseof != AV_NOPTS_VALUE) {
    if (ic->duration > 0) {
      o.ss = o.sseof + ic->duration;
    } else {
      Log(TLogLevel::llWarning, fmt::format("Cannot use -sseof, duration of {} not known", shown_name));
    }
  }
  std::int64_t timestamp = o.ss == AV_NOPTS_VALUE ? 0 : o.ss;
  if (ic->duration != AV_NOPTS_VALUE && ic->duration - timestamp > FInputDuration) {
    FInputDuration = ic->duration - timestamp;
  }
  if (!o.seek_timestamp && ic->start_time != AV_NOPTS_VALUE) timestamp += ic->start_time;

  if (o.ss != AV_NOPTS_VALUE) {
    std::int64_t seek_target = timestamp;
    if (!(ic->iformat->flags & AVFMT_SEEK_TO_PTS)) {
      // Land a little early when frames are reordered, so the first picture
      // at the start position can still be decoded.
      for (unsigned i = 0; i < ic->nb_streams; ++i) {
        if (ic->streams[i]->codecpar->video_delay) {
          seek_target -= 3 * AV_TIME_BASE / 23;
          break;
        }
      }
    }
    FLastRead = ff::av_gettime_relative();
    if (ff::avformat_seek_file(ic.get(), -1, INT64_MIN, seek_target, seek_target, 0) < 0) {
      Log(TLogLevel::llWarning, fmt::format("{}: could not seek to position {:.3f}", shown_name,
                                            static_cast<double>(timestamp) / AV_TIME_BASE));
    }
  }

  const std::size_t first_stream = Finput_streams.size();
  try {
    AddInputStreams(*this, o, ic.get());
    ff::av_dump_format(ic.get(), input_index, shown_name.c_str(), 0);

    ret = CheckUnusedDecoderOptions(*this, o, std::span(Finput_streams).subspan(first_stream), input_index,
                                    shown_name);
    if (ret < 0) {
      Finput_streams.resize(first_stream);
      return ret;
    }
    for (const TSpecifierValue<std::string>& entry : o.dump_attachment) {
      for (unsigned i = 0; i < ic->nb_streams; ++i) {
        if (ff::avformat_match_stream_specifier(ic.get(), ic->streams[i], entry.specifier.c_str()) == 1) {
          DumpAttachment(*this, ic->streams[i], input_index, entry.value);
        }
      }
    }

    auto f = std::make_unique<TInputFile>();
    f->ist_index = static_cast<int>(first_stream);
    f->start_time = o.ss;
    f->recording_time = o.t;
    f->input_ts_offset = o.itsoffset;
    if (Fcopy_ts) {
      const bool from_start = Fstart_at_zero && ic->start_time != AV_NOPTS_VALUE;
      f->ts_offset = o.itsoffset - (from_start ? ic->start_time : 0);
    } else {
      f->ts_offset = o.itsoffset - timestamp;
    }
    f->nb_streams = static_cast<int>(ic->nb_streams);
    f->rate_emu = o.re;
    f->accurate_seek = o.accurate_seek;
    f->loop = o.stream_loop;
    f->guard = std::move(guard);
    f->ctx = std::move(ic);
    Finput_files.push_back(std::move(f));
  } catch (...) {
    Finput_streams.resize(first_stream);
    throw;
  }
  Finput_stream_potentially_available = 1;
  return input_index;
}

}  // namespace zentrova

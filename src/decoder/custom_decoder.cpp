#include "decoder/custom_decoder.h"

#include <charconv>
#include <filesystem>
#include <system_error>
#include <utility>

#include <fmt/format.h>

#include "decoder/file_info_text.h"
#include "log/logger.h"
#include "log/main_thread.h"
#include "media/av_ptr.h"
#include "media/error_text.h"
#include "media/library_loader.h"
#include "options/file_name_text.h"
#include "options/media_text.h"
#include "options/option_split.h"
#include "options/stream_options.h"

namespace zentrova {
namespace {

// A tag read as a whole number; 0 when it is not one.
std::int32_t TagNumber(const AVDictionary* tags, const char* key) {
  const std::string text = dict_value_or_default(tags, key, "");
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  (void)end;
  return error == std::errc() ? value : 0;
}

// A stream time in microseconds; -1 (the cleared value) when it has none.
std::int64_t ScaledTime(std::int64_t t, AVRational time_base) {
  return t == AV_NOPTS_VALUE ? -1 : ff::av_rescale_q(t, time_base, AV_TIME_BASE_Q);
}

// The stream's time base with a zero denominator mended (a local copy: the
// stream may belong to the engine and is never changed here).
AVRational UsableTimeBase(const AVStream* stream) {
  AVRational time_base = stream->time_base;
  if (time_base.den == 0) time_base.den = time_base.num != 0 ? time_base.num : 1;
  return time_base;
}

// The fields audio and video stream records share.
void FillTimedStreamInfo(TTimedStreamInfo& info, const AVStream* stream, std::string codec_name) {
  const AVRational time_base = UsableTimeBase(stream);
  info.Language = dict_value_or_default(stream->metadata, "language", "");
  info.CodecName = std::move(codec_name);
  info.StartTime = stream->start_time;
  info.StartTimeScaled = ScaledTime(stream->start_time, time_base);
  info.Duration = stream->duration;
  info.DurationScaled = ScaledTime(stream->duration, time_base);
  info.BitRate = static_cast<std::int32_t>(stream->codecpar->bit_rate);
}

}  // namespace

TCustomDecoder::TCustomDecoder() {
  RefreshFileInfo();
}

TCustomDecoder::~TCustomDecoder() {
  // CloseFile is virtual, but derived parts are gone by now: close ours only.
  TCustomDecoder::CloseFile();
}

bool TCustomDecoder::LoadAVLib(const std::string& path) {
  TFFLoader& loader = FFLoader();
  loader.SetLibraryPath(path);
  if (!loader.Load(DecoderLibraries)) {
    FLastErrMsg = loader.LastErrMsg();
    return false;
  }
  FOptions.init_opts();
  return true;
}

bool TCustomDecoder::AVLibLoaded() const {
  return FFLoader().Loaded(DecoderLibraries);
}

void TCustomDecoder::UnloadAVLib() {
  // Nothing of the libraries may outlive their unloading.
  CloseFile();
  FOptions.uninit_opts();
  FFLoader().Unload(DecoderLibraries);
}

void TCustomDecoder::SetErrorAndLog(TLogLevel level, const std::string& text) {
  FLastErrMsg = text;
  DefaultLogger()->Log(this, level, text);
}

bool TCustomDecoder::opt_default(const std::string& opt, const std::string& arg) {
  if (!AVLibLoaded()) {
    SetErrorAndLog(TLogLevel::llError, "FFmpeg libraries not loaded.");
    return false;
  }
  // The libraries may have been loaded by another component: set the
  // dictionaries up before the first option, never after (that would drop it).
  if (!FOptions.sws_dict()) FOptions.init_opts();
  return FOptions.opt_default(opt, arg) == 0;
}

bool TCustomDecoder::DefaultOptions(const std::string& options) {
  if (options.empty()) return true;
  DefaultLogger()->Log(this, TLogLevel::llInfo, "ParseOptions: " + options);
  return ApplyOptionArgs(split_option_string(options));
}

bool TCustomDecoder::ApplyOptionArgs(const std::vector<std::string>& args) {
  bool result = true;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() > 1 && arg[0] == '-') {
      const std::string value = i + 1 < args.size() ? args[i + 1] : std::string();
      if (!opt_default(arg.substr(1), value)) result = false;
      ++i;
    } else {
      ff::av_log(nullptr, AV_LOG_ERROR, "Invalid option found while parsing options, ignore\n");
    }
  }
  return result;
}

void TCustomDecoder::ResetOptions() {
  if (AVLibLoaded()) FOptions.init_opts();
}

void TCustomDecoder::StartRead() {
  FLastRead = ff::av_gettime_relative();
}

int TCustomDecoder::DecoderReadInterrupt(void* opaque) noexcept {
  auto* self = static_cast<TCustomDecoder*>(opaque);
  try {
    if (self->FStopCheck && self->FStopCheck()) return 1;
  } catch (...) {
    return 1;
  }
  if (self->FLastRead == INT64_MAX || self->ReadTimeout() <= 0) return 0;
  if (ff::av_gettime_relative() - self->FLastRead <= std::int64_t{self->ReadTimeout()} * 1000) return 0;
  try {
    DefaultLogger()->Log(self, TLogLevel::llInfo,
                         self->FLastRead == 0 ? "connecting/reading canceled" : "connecting/reading timeout");
  } catch (...) {
    // Logging is best effort here: no exception may cross the library.
  }
  return 1;
}

bool TCustomDecoder::LoadFile(const std::string& file_name, const std::string& format_name) {
  FFLoader().CheckLibAV(DecoderLibraries);
  CloseFile();
  // Options given since the last load are in the dictionaries: initialise
  // only when there are none yet.
  if (!FOptions.sws_dict() && !FOptions.format_opts() && !FOptions.codec_opts()) FOptions.init_opts();

  const AVInputFormat* input_format = nullptr;
  if (!format_name.empty()) {
    input_format = ff::av_find_input_format(format_name.c_str());
    if (!input_format) {
      SetErrorAndLog(TLogLevel::llError, fmt::format("Unknown input format: {}", format_name));
      ResetOptions();
      return false;
    }
  }

  // Refused before anything is opened: a FIFO or device would block the open for good.
  auto guard = std::make_unique<TInputGuard>(InputPolicy(), library_file_name(file_name));
  if (!guard->Refusal().empty()) {
    SetErrorAndLog(TLogLevel::llError, guard->Refusal());
    ResetOptions();
    return false;
  }

  AVInputFormatContextPtr input(ff::avformat_alloc_context());
  if (!input) {
    FLastErrMsg = error_code_text(AVERROR(ENOMEM), file_name);
    ResetOptions();
    return false;
  }
  input->interrupt_callback.callback = &TCustomDecoder::DecoderReadInterrupt;
  input->interrupt_callback.opaque = this;
  guard->Apply(*input, FOptions.format_opts());
  StartRead();
  // On failure the library frees the context and nulls the owner's pointer.
  const int open_result = ff::avformat_open_input(InOutPtr(input), library_file_name(file_name).c_str(),
                                                  input_format, InOutPtr(FOptions.format_opts()));
  if (open_result < 0) {
    FLastErrMsg = guard->Explain(error_code_text(open_result, displayed_file_name(file_name)), open_result);
    ResetOptions();
    return false;
  }
  guard_ = std::move(guard);
  owned_file_ = std::move(input);
  AVFormatContext* file = owned_file_.get();
  FFileHandle = file;
  FOwnHandle = true;

  const AVDictionaryEntry* unused = nullptr;
  while ((unused = ff::av_dict_get(FOptions.format_opts().get(), "", unused, AV_DICT_IGNORE_SUFFIX)))
    DefaultLogger()->Log(this, TLogLevel::llError, fmt::format("Option {} not found, ignored.", unused->key));

  file->flags |= AVFMT_FLAG_NONBLOCK;

  if (FOnBeforeFindStreamInfo) {
    if (FTriggerEventInMainThread)
      CallInMainThread([this, file] { FOnBeforeFindStreamInfo(this, file); });
    else
      FOnBeforeFindStreamInfo(this, file);
  }

  {
    AVDictionaryArray stream_opts(stream_info_options(file, FOptions.codec_opts().get()));
    StartRead();
    const int probed = ff::avformat_find_stream_info(file, stream_opts.Data());
    if (probed < 0) {
      FLastErrMsg = fmt::format("{}: could not find codec parameters", displayed_file_name(file_name));
      ResetOptions();
      RefreshFileInfo();
      return false;
    }
  }
  if (file->pb) {
    file->pb->eof_reached = 0;
    file->pb->error = 0;
  }
  RefreshFileInfo();

  if (FOptions.FetchSwsFlags() >= 0) ApplySwsFlags(static_cast<int>(FOptions.sws_flags()));
  ResetOptions();
  FForceFormat = format_name;
  return true;
}

void TCustomDecoder::CloseFile() {
  FForceFormat.clear();
  owned_file_.reset();
  guard_.reset();
  FFileHandle = nullptr;
  FOwnHandle = false;
  RefreshFileInfo();
}

void TCustomDecoder::SetFileHandle(AVFormatContext* value) {
  if (value == FFileHandle) return;
  FFLoader().CheckLibAV(DecoderLibraries);
  CloseFile();
  FOwnHandle = false;
  FFileHandle = value;
  RefreshFileInfo();
}

std::int64_t TCustomDecoder::ProbeFileSize() const {
  if (FFileHandle->iformat && (FFileHandle->iformat->flags & AVFMT_NOFILE)) return 0;
  std::int64_t size = FFileHandle->pb ? ff::avio_size(FFileHandle->pb) : 0;
  if (size < 0) size = 0;
  if (size == 0 && FFileHandle->url) {
    std::error_code error;
    const std::filesystem::path path = library_text_to_string(FFileHandle->url);
    if (std::filesystem::is_regular_file(path, error)) {
      const auto on_disk = std::filesystem::file_size(path, error);
      size = error ? -1 : static_cast<std::int64_t>(on_disk);
    }
  }
  return size;
}

void TCustomDecoder::RefreshFileInfo() {
  FFileSize = -1;
  FStreamCount = FProgramCount = FAudioStreamCount = FVideoStreamCount = FSubtitleStreamCount = -1;
  FFirstAudioStreamIndex = FFirstVideoStreamIndex = FFirstSubtitleStreamIndex = -1;
  if (!FFileHandle) return;
  FFileSize = ProbeFileSize();
  FStreamCount = static_cast<int>(FFileHandle->nb_streams);
  FProgramCount = static_cast<int>(FFileHandle->nb_programs);
  FAudioStreamCount = FVideoStreamCount = FSubtitleStreamCount = 0;
  for (unsigned i = 0; i < FFileHandle->nb_streams; ++i) {
    const auto index = static_cast<int>(i);
    switch (FFileHandle->streams[i]->codecpar->codec_type) {
      case AVMEDIA_TYPE_VIDEO:
        ++FVideoStreamCount;
        if (FFirstVideoStreamIndex < 0) FFirstVideoStreamIndex = index;
        break;
      case AVMEDIA_TYPE_AUDIO:
        ++FAudioStreamCount;
        if (FFirstAudioStreamIndex < 0) FFirstAudioStreamIndex = index;
        break;
      case AVMEDIA_TYPE_SUBTITLE:
        ++FSubtitleStreamCount;
        if (FFirstSubtitleStreamIndex < 0) FFirstSubtitleStreamIndex = index;
        break;
      default:
        break;
    }
  }
}

bool TCustomDecoder::CheckFileLoaded() {
  if (FFileHandle) return true;
  SetErrorAndLog(TLogLevel::llWarning, "file not loaded.");
  return false;
}

AVStream* TCustomDecoder::StreamAt(int index) {
  if (index < 0 || index >= static_cast<int>(FFileHandle->nb_streams)) {
    SetErrorAndLog(TLogLevel::llError, fmt::format("stream index #{} is invalid.", index));
    return nullptr;
  }
  return FFileHandle->streams[index];
}

AVStream* TCustomDecoder::TypedStream(int index, int first, AVMediaType type, const char* type_word) {
  if (!CheckFileLoaded()) return nullptr;
  if (index < 0) {
    index = first;
    if (index < 0) {
      SetErrorAndLog(TLogLevel::llError, fmt::format("no {} stream.", type_word));
      return nullptr;
    }
  }
  AVStream* stream = StreamAt(index);
  if (stream && stream->codecpar->codec_type != type) {
    SetErrorAndLog(TLogLevel::llError, fmt::format("stream #{} is not {} stream.", index, type_word));
    return nullptr;
  }
  return stream;
}

std::string TCustomDecoder::StreamCodecName(const AVStream* stream) const {
  return codec_text(stream->codecpar->codec_id, stream->codecpar->codec_tag, "", TCodecSide::Decoder,
                    FGetLongCodecName ? TCodecLongName::With : TCodecLongName::Without);
}

bool TCustomDecoder::IsAudioStream(int stream_index) {
  if (!CheckFileLoaded()) return false;
  const AVStream* stream = StreamAt(stream_index);
  return stream && stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO;
}

bool TCustomDecoder::IsVideoStream(int stream_index) {
  if (!CheckFileLoaded()) return false;
  const AVStream* stream = StreamAt(stream_index);
  return stream && stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
}

bool TCustomDecoder::IsSubtitleStream(int stream_index) {
  if (!CheckFileLoaded()) return false;
  const AVStream* stream = StreamAt(stream_index);
  return stream && stream->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE;
}

std::string TCustomDecoder::FileName() {
  if (!CheckFileLoaded()) return {};
  return FFileHandle->url ? displayed_file_name(library_text_to_string(FFileHandle->url)) : std::string();
}

std::string TCustomDecoder::FormatName() {
  if (!CheckFileLoaded()) return {};
  return FFileHandle->iformat && FFileHandle->iformat->name ? FFileHandle->iformat->name : "";
}

std::string TCustomDecoder::FormatLongName() {
  if (!CheckFileLoaded()) return {};
  return FFileHandle->iformat && FFileHandle->iformat->long_name ? FFileHandle->iformat->long_name : "";
}

TFileStreamInfo TCustomDecoder::FileStreamInfo() {
  TFileStreamInfo info;
  if (!CheckFileLoaded()) return info;
  const AVDictionary* tags = FFileHandle->metadata;
  info.StartTime = FFileHandle->start_time;
  info.Duration = FFileHandle->duration == AV_NOPTS_VALUE ? -1 : FFileHandle->duration;
  info.BitRate = static_cast<std::int32_t>(FFileHandle->bit_rate);
  info.Year = TagNumber(tags, "year");
  info.Track = TagNumber(tags, "track");
  info.Title = dict_value_or_default(tags, "title", "");
  info.Author = dict_value_or_default(tags, "author", "");
  info.Copyright = dict_value_or_default(tags, "copyright", "");
  info.Comment = dict_value_or_default(tags, "comment", "");
  info.Album = dict_value_or_default(tags, "album", "");
  info.Genre = dict_value_or_default(tags, "genre", "");
  return info;
}

TAudioStreamInfo TCustomDecoder::GetAudioStreamInfo(int stream_index) {
  TAudioStreamInfo info;
  const AVStream* stream = TypedStream(stream_index, FFirstAudioStreamIndex, AVMEDIA_TYPE_AUDIO, "audio");
  if (!stream) return info;
  const AVCodecParameters* par = stream->codecpar;
  FillTimedStreamInfo(info, stream, StreamCodecName(stream));
  info.Channels = par->ch_layout.nb_channels;
  info.SampleRate = par->sample_rate;
  info.SampleFormat = static_cast<AVSampleFormat>(par->format);
  return info;
}

TVideoStreamInfo TCustomDecoder::GetVideoStreamInfo(int stream_index) {
  TVideoStreamInfo info;
  const AVStream* stream = TypedStream(stream_index, FFirstVideoStreamIndex, AVMEDIA_TYPE_VIDEO, "video");
  if (!stream) return info;
  const AVCodecParameters* par = stream->codecpar;
  FillTimedStreamInfo(info, stream, StreamCodecName(stream));
  info.Height = par->height;
  info.Width = par->width;
  info.SAR = stream->sample_aspect_ratio.num != 0 ? stream->sample_aspect_ratio : par->sample_aspect_ratio;
  if (info.SAR.den != 0) info.SampleAspectRatio = static_cast<float>(av_q2d(info.SAR));
  info.DAR = DisplayAspect(par->width, par->height, info.SAR);
  if (info.DAR.num != 0 && info.DAR.den != 0) info.DisplayAspectRatio = static_cast<float>(av_q2d(info.DAR));
  info.PixFmt = static_cast<AVPixelFormat>(par->format);
  const AVRational average = stream->avg_frame_rate;
  info.FrameRate = average.num != 0 && average.den != 0 ? average : stream->r_frame_rate;
  return info;
}

TSubtitleStreamInfo TCustomDecoder::GetSubtitleStreamInfo(int stream_index) {
  TSubtitleStreamInfo info;
  const AVStream* stream =
      TypedStream(stream_index, FFirstSubtitleStreamIndex, AVMEDIA_TYPE_SUBTITLE, "subtitle");
  if (!stream) return info;
  info.Language = dict_value_or_default(stream->metadata, "language", "");
  info.CodecName = StreamCodecName(stream);
  if (const AVCodecDescriptor* descriptor = ff::avcodec_descriptor_get(stream->codecpar->codec_id)) {
    if (descriptor->props & AV_CODEC_PROP_BITMAP_SUB)
      info.SubFormat = 0;
    else if (descriptor->props & AV_CODEC_PROP_TEXT_SUB)
      info.SubFormat = 1;
  }
  return info;
}

std::string TCustomDecoder::FileInfoText() {
  if (!CheckFileLoaded()) return {};
  return BuildFileInfoText(FFileHandle, ProbeFileSize());
}

}  // namespace zentrova

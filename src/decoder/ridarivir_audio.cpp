// TRIDarivir: audio decoding into interleaved 16-bit PCM of the desired
// channel count and rate, resampling with the library's resampler when the
// stream differs, and the byte-stream reader `ReadAudio`.
#include "decoder/ridarivir.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include <fmt/format.h>

#include "log/logger.h"
#include "media/av_ptr.h"
#include "media/error_text.h"

namespace zentrova {
namespace {

// Layouts built here are native-order masks or unspecified orders, which
// own no memory; a custom one (from a frame copy) is released properly.
void ClearLayout(AVChannelLayout& layout) {
  if (layout.order == AV_CHANNEL_ORDER_CUSTOM && ff::av_channel_layout_uninit)
    ff::av_channel_layout_uninit(&layout);
  layout = AVChannelLayout{};
}

const char* SampleFormatName(AVSampleFormat format) {
  const char* name = ff::av_get_sample_fmt_name(format);
  return name ? name : "none";
}

}  // namespace

void TRIDarivir::ResetWaveInfo() {
  FWaveInfo = TWaveInfo{};
  FWaveInfo.Channels = FDesireAudioChannels;
  FWaveInfo.SampleRate = FDesireAudioSampleRate;
  FWaveInfo.SampleFormat = FDesireAudioSampleFormat;
  FWaveInfo.BytesPerSample =
      ff::av_get_bytes_per_sample ? ff::av_get_bytes_per_sample(FDesireAudioSampleFormat) : 0;
  FWaveInfo.BytesPerSecond = FWaveInfo.BytesPerSample * FDesireAudioSampleRate * FDesireAudioChannels;
  // The packet being read is gone with it: ReadAudio must not read on.
  FRemainsAudioSize = 0;
}

void TRIDarivir::ResetResampler() {
  FAudioParam.swr_ctx.reset();
  FAudioParam.freq = -1;
  FAudioParam.channels = -1;
  ClearLayout(FAudioParam.channel_layout);
  FAudioParam.fmt = AV_SAMPLE_FMT_NONE;
  FAudioParam.st_idx = -1;
}

void TRIDarivir::SetDesireAudioChannels(int value) {
  if (value == FDesireAudioChannels) return;
  if (value < 1 || value > 64)
    throw std::invalid_argument(fmt::format("Invalid DesireAudioChannels {}", value));
  FDesireAudioChannels = value;
  ClearLayout(FDesireChannelLayout);
  ResetWaveInfo();
  ResetResampler();
}

void TRIDarivir::SetDesireAudioSampleRate(int value) {
  if (value == FDesireAudioSampleRate) return;
  if (value < 1) throw std::invalid_argument(fmt::format("Invalid DesireAudioSampleRate {}", value));
  FDesireAudioSampleRate = value;
  ResetWaveInfo();
  ResetResampler();
}

int TRIDarivir::SelectAudioStream(int index) {
  const AVStream* stream =
      StreamToSelect(index, FDesireAudioIndex, FFirstAudioStreamIndex, AVMEDIA_TYPE_AUDIO);
  if (!stream) return -1;
  if (index != FDesireAudioIndex) {
    ResetWaveInfo();
    FAudioParam.swr_ctx.reset();
    FDesireAudioIndex = index;
    FSeekIndex = index;
  }
  return index;
}

AVCodecContext* TRIDarivir::OpenAudioCodec(int index) {
  if (FAudioCodec.context && FAudioCodec.stream_index == index) return FAudioCodec.context.get();
  return OpenCodec(FAudioCodec, index);
}

bool TRIDarivir::DecodeAudio(int stream_index) {
  static constexpr const char* kOperation = "DecodeAudio()";
  // Whatever ReadAudio was handing out belongs to the packet this replaces.
  FRemainsAudioSize = 0;
  const int index = SelectAudioStream(stream_index);
  if (index < 0) return false;
  if (FEOF && FEOFpkt) {
    SetErrorAndLog(TLogLevel::llInfo, fmt::format("{}.{}: stream eof reached.", ClassName(), kOperation));
    return false;
  }
  if (!OpenAudioCodec(index)) return false;
  FLastPTS = kNoTimeStamp;
  AVPacketPtr packet = MakePacket();
  for (;;) {
    int decoded = 0;
    if (FEOFpkt && !FAudioCodec.flushed) {
      // The input ended while another stream was decoded: drain this one too.
      decoded = DecodeAudioPacket(nullptr);
    } else {
      switch (ReadPacket(kOperation, packet.get())) {
        case TReadResult::rrPacket:
          if (packet->stream_index == index) decoded = DecodeAudioPacket(packet.get());
          ff::av_packet_unref(packet.get());
          break;
        case TReadResult::rrFlushed:
          decoded = DecodeAudioPacket(nullptr);
          break;
        case TReadResult::rrAgain:
        case TReadResult::rrEnd:
        case TReadResult::rrError:
          return false;
      }
    }
    if (decoded > 0) return true;
    if (decoded < 0) return false;
  }
}

int TRIDarivir::DecodeAudioPacket(const AVPacket* packet) {
  ResetWaveInfo();
  AVCodecContext* context = FAudioCodec.context.get();
  const int stream_index = FAudioCodec.stream_index;
  const AVStream* stream = FFileHandle->streams[stream_index];
  if (!packet) {
    if (FAudioCodec.flushed) return 0;
    FAudioCodec.flushed = true;
  }
  const int sent = ff::avcodec_send_packet(context, packet);
  if (sent < 0 && sent != AVERROR_EOF)
    DefaultLogger()->Log(
        this, TLogLevel::llError,
        error_code_text(sent, fmt::format("Error while decoding audio stream #{}", stream_index)));

  if (!FAudioDecodedFrame) FAudioDecodedFrame = MakeFrame();
  AVFrame* frame = FAudioDecodedFrame.get();
  int total = 0;
  int frames = 0;
  std::int64_t first_time = AV_NOPTS_VALUE;
  // Every frame the packet gives (a packet may hold several).
  for (;;) {
    const int received = ff::avcodec_receive_frame(context, frame);
    if (received == AVERROR(EAGAIN)) break;
    if (received == AVERROR_EOF) {
      FAudioCodec.drained = true;
      break;
    }
    if (received < 0) {
      DefaultLogger()->Log(
          this, TLogLevel::llError,
          error_code_text(received, fmt::format("Error while decoding audio stream #{}", stream_index)));
      break;
    }
    if (++frames == 2 && packet)
      DefaultLogger()->Log(this, TLogLevel::llWarning,
                           fmt::format("Multiple frames in a packet from stream {}", stream_index));
    if (first_time == AV_NOPTS_VALUE) first_time = frame->best_effort_timestamp;
    FAudioParam.st_idx = stream_index;
    const int added = ResampleAudio(total, frame);
    ff::av_frame_unref(frame);
    if (added < 0) return added;
    total += added;
  }
  if (total == 0) return 0;

  // The time of the first sample: the first frame's own stamp, else the packet's.
  std::int64_t source = first_time;
  if (source == AV_NOPTS_VALUE && packet) source = packet->dts != AV_NOPTS_VALUE ? packet->dts : packet->pts;
  if (source != AV_NOPTS_VALUE) {
    if (stream->start_time != AV_NOPTS_VALUE) source -= stream->start_time;
    FWaveInfo.PTS = ff::av_rescale_q(source, stream->time_base, AV_TIME_BASE_Q);
  }
  FWaveInfo.OriginalDTS = packet ? packet->dts : kNoTimeStamp;
  FWaveInfo.OriginalPTS = packet ? packet->pts : kNoTimeStamp;
  FWaveInfo.StreamIndex = stream_index;
  FWaveInfo.Ready = true;
  const double bytes_per_second =
      static_cast<double>(FWaveInfo.BytesPerSample) * FDesireAudioSampleRate * FDesireAudioChannels;
  FWaveInfo.Duration = std::llround(static_cast<double>(FWaveInfo.Size) * AV_TIME_BASE / bytes_per_second);
  return 1;
}

int TRIDarivir::ResampleAudio(int offset, const AVFrame* frame) {
  TAudioParam& param = FAudioParam;
  const int channels = frame->ch_layout.nb_channels;
  const auto format = static_cast<AVSampleFormat>(frame->format);
  AVChannelLayout source_layout{};
  if (frame->ch_layout.order != AV_CHANNEL_ORDER_UNSPEC && channels > 0)
    ff::av_channel_layout_copy(&source_layout, &frame->ch_layout);
  else
    ff::av_channel_layout_default(&source_layout, channels);

  if (ff::av_channel_layout_compare(&source_layout, &param.channel_layout) != 0 ||
      channels != param.channels || frame->sample_rate != param.freq || format != param.fmt) {
    if (param.channels != -1) {
      DefaultLogger()->LogFmt(
          this, TLogLevel::llInfo,
          "Audio stream #{} frame changed from {} Hz {} {} channels to {} Hz {} {} channels", param.st_idx,
          param.freq, SampleFormatName(param.fmt), param.channels, frame->sample_rate,
          SampleFormatName(format), channels);
      param.swr_ctx.reset();
    }
    ClearLayout(param.channel_layout);
    param.channel_layout = source_layout;  // takes over what source_layout held
    source_layout = AVChannelLayout{};
    param.channels = channels;
    param.freq = frame->sample_rate;
    param.fmt = format;
  }
  ClearLayout(source_layout);
  if (FDesireChannelLayout.nb_channels == 0)
    ff::av_channel_layout_default(&FDesireChannelLayout, FDesireAudioChannels);

  const std::uint8_t* output = nullptr;
  int output_bytes = 0;
  if (ff::av_channel_layout_compare(&FDesireChannelLayout, &param.channel_layout) == 0 &&
      FDesireAudioChannels == param.channels && FDesireAudioSampleRate == param.freq &&
      FDesireAudioSampleFormat == param.fmt) {
    output = frame->data[0];
    output_bytes = ff::av_samples_get_buffer_size(nullptr, channels, frame->nb_samples, format, 1);
    if (output_bytes < 0) return output_bytes;
  } else {
    if (!param.swr_ctx) {
      SwrContext* raw = nullptr;
      ff::swr_alloc_set_opts2(&raw, &FDesireChannelLayout, FDesireAudioSampleFormat, FDesireAudioSampleRate,
                              &param.channel_layout, param.fmt, param.freq, 0, nullptr);
      SwrContextPtr resampler(raw);
      if (resampler && ff::swr_init(resampler.get()) < 0) {
        DefaultLogger()->Log(this, TLogLevel::llFatal, "swr_init() failed");
        resampler.reset();
      }
      const std::string formats =
          fmt::format("{} Hz {} {} channels to {} Hz {} {} channels", param.freq, SampleFormatName(param.fmt),
                      param.channels, FDesireAudioSampleRate, SampleFormatName(FDesireAudioSampleFormat),
                      FDesireAudioChannels);
      if (!resampler) {
        SetErrorAndLog(TLogLevel::llError, "Can not resample " + formats);
        return -1;
      }
      DefaultLogger()->Log(this, TLogLevel::llInfo, "need resample " + formats);
      param.swr_ctx = std::move(resampler);
    }
    const std::int64_t out_count =
        std::int64_t{frame->nb_samples} * FDesireAudioSampleRate / param.freq + 256;
    const int size = ff::av_samples_get_buffer_size(nullptr, FDesireAudioChannels,
                                                    static_cast<int>(out_count), FDesireAudioSampleFormat, 0);
    if (size > 0)
      ff::av_fast_malloc(InOutPtr(FResampledBuffer), &FResampledSize, static_cast<std::size_t>(size));
    if (size <= 0 || !FResampledBuffer) {
      FResampledSize = 0;
      SetErrorAndLog(TLogLevel::llError, "av_fast_malloc() failed");
      return AVERROR(ENOMEM);
    }
    std::uint8_t* planes[1] = {FResampledBuffer.get()};
    const int converted =
        ff::swr_convert(param.swr_ctx.get(), planes, static_cast<int>(out_count),
                        const_cast<const std::uint8_t**>(frame->extended_data), frame->nb_samples);
    if (converted < 0) {
      SetErrorAndLog(TLogLevel::llError, error_code_text(converted, "swr_convert() failed"));
      return converted;
    }
    if (converted == out_count) {
      SetErrorAndLog(TLogLevel::llError, "warning: audio buffer is probably too small");
      if (ff::swr_init(param.swr_ctx.get()) < 0) param.swr_ctx.reset();
    }
    output = FResampledBuffer.get();
    output_bytes = converted * FDesireAudioChannels * ff::av_get_bytes_per_sample(FDesireAudioSampleFormat);
  }
  if (!AppendAudio(offset, output, output_bytes)) return AVERROR(ENOMEM);
  return output_bytes;
}

bool TRIDarivir::AppendAudio(int offset, const std::uint8_t* data, int bytes) {
  const int needed = offset + bytes;
  if (!FAudioBuffer || FAudioSize < needed) {
    void* grown = ff::av_realloc(FAudioBuffer.get(), static_cast<std::size_t>(needed));
    if (!grown) {
      SetErrorAndLog(TLogLevel::llError, "av_realloc() failed");
      return false;
    }
    (void)FAudioBuffer.release();  // moved into `grown`
    FAudioBuffer.reset(static_cast<std::uint8_t*>(grown));
    FAudioSize = needed;
  }
  if (bytes > 0) std::memcpy(FAudioBuffer.get() + offset, data, static_cast<std::size_t>(bytes));
  FWaveInfo.Buffer = FAudioBuffer.get();
  FWaveInfo.Size = needed;
  return true;
}

int TRIDarivir::ReadAudio(std::uint8_t* buffer, int count, int stream_index) {
  if (count < 0) {
    SetErrorAndLog(TLogLevel::llError, fmt::format("ReadAudio: invalid byte count {}", count));
    return -1;
  }
  if (FRemainsAudioSize <= 0) {
    if (!DecodeAudio(stream_index)) return -1;
    FRemainsAudioSize = FWaveInfo.Size;
  }
  const int n = std::min(count, FRemainsAudioSize);
  if (buffer) {
    std::memcpy(buffer, FWaveInfo.Buffer + (FWaveInfo.Size - FRemainsAudioSize), static_cast<std::size_t>(n));
    FRemainsAudioSize -= n;
  }
  return n;
}

}  // namespace zentrova

// TRIDarivir: construction, stream and codec choice, the shared reading
// loop and video decoding into `FrameInfo` and bitmaps. Seeking and
// stepping are in ridarivir_seek.cpp, audio in ridarivir_audio.cpp.
#include "decoder/ridarivir.h"

#include <cstring>
#include <stdexcept>
#include <string_view>

#include <fmt/format.h>

#include "log/logger.h"
#include "log/plain_text.h"
#include "media/av_ptr.h"
#include "media/error_text.h"
#include "options/media_text.h"
#include "options/stream_options.h"
#include "options/time_text.h"

namespace zentrova {

TRIDarivir::TRIDarivir() {
  ResetWaveInfo();
}

TRIDarivir::~TRIDarivir() {
  TRIDarivir::CloseFile();
}

void TRIDarivir::CloseFile() {
  FSeekIndex = -1;
  FDesireVideoIndex = -1;
  FFrameRate = AVRational{0, 0};
  FEOF = false;
  FEOFpkt = false;
  ResetPicture();
  FLastPTS = kNoTimeStamp;
  FDesireAudioIndex = -1;
  ResetWaveInfo();
  FRemainsAudioSize = 0;
  ResetResampler();
  FVideoCodec = TStreamCodec{};
  FAudioCodec = TStreamCodec{};
  if (FDecodedFrame) ff::av_frame_unref(FDecodedFrame.get());
  if (FFilteredFrame) ff::av_frame_unref(FFilteredFrame.get());
  if (FAudioDecodedFrame) ff::av_frame_unref(FAudioDecodedFrame.get());
  TCustomDecoder::CloseFile();
}

void TRIDarivir::ResetPicture() {
  if (FPicture.PTS != kNoTimeStamp) FLastPTS = FPicture.PTS;
  std::uint8_t* buffer = FPicture.Buffer;
  const std::int32_t size = FPicture.Size;
  FPicture = TFrameInfo{};
  // The buffer is kept for the next picture.
  FPicture.Buffer = buffer;
  FPicture.Size = size;
  FVideoFilter.Reset();
}

bool TRIDarivir::CheckSeekable() {
  if (!FFileHandle) {
    SetErrorAndLog(TLogLevel::llWarning, "file not loaded.");
    return false;
  }
  if (FOwnHandle) return true;
  SetErrorAndLog(TLogLevel::llWarning, "file cannot be seeked, handle is readonly.");
  throw std::runtime_error(FLastErrMsg);
}

bool TRIDarivir::IsStillImage() const {
  if (!FFileHandle || !FFileHandle->iformat || !FFileHandle->iformat->name) return false;
  const std::string_view name = FFileHandle->iformat->name;
  // image2 reads picture files by name; the image pipe demuxers (png_pipe,
  // jpeg_pipe, ...) are what a single picture file probes as.
  return EqualsIgnoringCase(name, "image2") || EqualsIgnoringCase(name, "image2pipe") ||
         (name.size() > 5 && name.substr(name.size() - 5) == "_pipe");
}

bool TRIDarivir::CanSeek() {
  if (!CheckSeekable()) return false;
  if (!IsStillImage()) return true;
  SetErrorAndLog(TLogLevel::llInfo, "\"image2\" format cannot to be seeked.");
  return false;
}

const AVStream* TRIDarivir::StreamToSelect(int& index, int desired, int first, AVMediaType type) {
  if (!CheckSeekable()) return nullptr;
  const char* kind = ff::av_get_media_type_string(type);
  if (index < 0) {
    index = desired >= 0 ? desired : first;
    if (index < 0) {
      SetErrorAndLog(TLogLevel::llError, fmt::format("no {} stream.", kind));
      return nullptr;
    }
  }
  const AVStream* stream = StreamAt(index);
  if (stream && stream->codecpar->codec_type != type) {
    SetErrorAndLog(TLogLevel::llError, fmt::format("stream #{} is not {} stream.", index, kind));
    return nullptr;
  }
  return stream;
}

int TRIDarivir::SelectVideoStream(int index) {
  const AVStream* stream =
      StreamToSelect(index, FDesireVideoIndex, FFirstVideoStreamIndex, AVMEDIA_TYPE_VIDEO);
  if (!stream) return -1;
  if (index != FDesireVideoIndex) {
    ResetPicture();
    const AVRational average = stream->avg_frame_rate;
    FFrameRate = average.num != 0 && average.den != 0 ? average : stream->r_frame_rate;
    FDesireVideoIndex = index;
    FSeekIndex = index;
  }
  return index;
}

AVCodecContext* TRIDarivir::OpenCodec(TStreamCodec& codec, int index) {
  codec = TStreamCodec{};
  AVStream* stream = FFileHandle->streams[index];
  const AVCodec* decoder = ff::avcodec_find_decoder(stream->codecpar->codec_id);
  if (!decoder) {
    SetErrorAndLog(TLogLevel::llError, fmt::format("Unsupported codec (id={}) for input file stream #{}",
                                                   static_cast<int>(stream->codecpar->codec_id), index));
    return nullptr;
  }
  AVCodecContextPtr context(ff::avcodec_alloc_context3(decoder));
  const std::string open_error = fmt::format("Error while opening codec for input file stream #{}", index);
  if (!context || ff::avcodec_parameters_to_context(context.get(), stream->codecpar) < 0) {
    SetErrorAndLog(TLogLevel::llError, open_error);
    return nullptr;
  }
  context->pkt_timebase = stream->time_base;
  AVDictionaryPtr options;
  try {
    options = filter_stream_options(FOptions.codec_opts().get(), stream->codecpar->codec_id, FFileHandle,
                                    stream, decoder);
  } catch (const std::exception& e) {
    SetErrorAndLog(TLogLevel::llError, fmt::format("{}: {}", open_error, e.what()));
    return nullptr;
  }
  // Decode with as many threads as the machine offers unless asked otherwise.
  if (!ff::av_dict_get(options.get(), "threads", nullptr, 0)) {
    ff::av_dict_set(InOutPtr(options), "threads", "auto", 0);
  }
  const int opened = ff::avcodec_open2(context.get(), decoder, InOutPtr(options));
  if (opened < 0) {
    SetErrorAndLog(TLogLevel::llError, open_error);
    return nullptr;
  }
  codec.context = std::move(context);
  codec.stream_index = index;
  return codec.context.get();
}

AVCodecContext* TRIDarivir::OpenVideoCodec(int index) {
  const AVCodecParameters* par = FFileHandle->streams[index]->codecpar;
  if (par->width == 0 || par->height == 0) {
    SetErrorAndLog(TLogLevel::llError, "frame size of codec is invalid.");
    return nullptr;
  }
  if (FVideoCodec.context && FVideoCodec.stream_index == index) return FVideoCodec.context.get();
  return OpenCodec(FVideoCodec, index);
}

std::int64_t TRIDarivir::IOPosition() const {
  return FFileHandle && FFileHandle->pb ? ff::avio_seek(FFileHandle->pb, 0, SEEK_CUR) : -1;
}

std::int64_t TRIDarivir::Position() {
  if (!FFileHandle) {
    SetErrorAndLog(TLogLevel::llWarning, "file not loaded.");
    return -1;
  }
  if (!FFileHandle->pb) {
    SetErrorAndLog(TLogLevel::llWarning, "cannot get position");
    return -1;
  }
  return ff::avio_seek(FFileHandle->pb, 0, SEEK_CUR);
}

std::int64_t TRIDarivir::FrameDuration() const {
  return frame_duration_us(FFrameRate);
}

TRIDarivir::TReadResult TRIDarivir::ReadPacket(const char* operation, AVPacket* packet) {
  StartRead();
  const int read = ff::av_read_frame(FFileHandle, packet);
  if (read >= 0) {
    if (FEOFpkt) {
      // Input came back after a failed read: the flushed decoders start over.
      FEOFpkt = false;
      for (TStreamCodec* codec : {&FVideoCodec, &FAudioCodec})
        if (codec->context && codec->flushed) {
          ff::avcodec_flush_buffers(codec->context.get());
          codec->flushed = codec->drained = false;
        }
    }
    return TReadResult::rrPacket;
  }
  if (read == AVERROR(EAGAIN)) {
    SetErrorAndLog(TLogLevel::llInfo,
                   fmt::format("{}.{}: no data, please try again.", ClassName(), operation));
    return TReadResult::rrAgain;
  }
  if (!FEOFpkt) {
    FEOFpkt = true;
    return TReadResult::rrFlushed;
  }
  const bool at_end = FFileHandle->pb && ff::avio_feof(FFileHandle->pb);
  if (read != AVERROR(EPIPE) && read != AVERROR_EOF && !at_end) {
    SetErrorAndLog(TLogLevel::llInfo, fmt::format("{}.{}: unknown error #{}.", ClassName(), operation, read));
    return TReadResult::rrError;
  }
  SetErrorAndLog(TLogLevel::llInfo, fmt::format("{}.{}: stream eof reached.", ClassName(), operation));
  FEOF = true;
  return TReadResult::rrEnd;
}

void TRIDarivir::SendFlush(TStreamCodec& codec) {
  if (!codec.context || codec.flushed) return;
  ff::avcodec_send_packet(codec.context.get(), nullptr);
  codec.flushed = true;
}

int TRIDarivir::DecodeVideoPacket(const AVPacket* packet) {
  const int sent = ff::avcodec_send_packet(FVideoCodec.context.get(), packet);
  if (sent < 0 && sent != AVERROR_EOF)
    DefaultLogger()->Log(this, TLogLevel::llWarning,
                         error_code_text(sent, fmt::format("Error while decoding video stream #{}",
                                                           FVideoCodec.stream_index)));
  return sent;
}

int TRIDarivir::ReceivePicture() {
  if (!FDecodedFrame) FDecodedFrame = MakeFrame();
  if (!FFilteredFrame) FFilteredFrame = MakeFrame();
  AVStream* stream = FFileHandle->streams[FVideoCodec.stream_index];
  // Pictures a filter chain still holds come first.
  if (FVideoFilter.Active()) {
    ff::av_frame_unref(FFilteredFrame.get());
    if (FVideoFilter.Pull(FFilteredFrame.get()) >= 0)
      return StorePicture(FFilteredFrame.get(), FVideoFilter.OutputTimeBase());
  }
  if (FVideoCodec.drained) return AVERROR_EOF;
  AVFrame* frame = FDecodedFrame.get();
  const int received = ff::avcodec_receive_frame(FVideoCodec.context.get(), frame);
  if (received == AVERROR(EAGAIN)) return 0;
  if (received == AVERROR_EOF) {
    FVideoCodec.drained = true;
    // Let a filter chain give out what it holds back.
    if (FVideoFilter.Active()) {
      FVideoFilter.Push(nullptr);
      ff::av_frame_unref(FFilteredFrame.get());
      if (FVideoFilter.Pull(FFilteredFrame.get()) >= 0)
        return StorePicture(FFilteredFrame.get(), FVideoFilter.OutputTimeBase());
    }
    return AVERROR_EOF;
  }
  if (received < 0) {
    DefaultLogger()->Log(this, TLogLevel::llWarning,
                         error_code_text(received, fmt::format("Error while decoding video stream #{}",
                                                               FVideoCodec.stream_index)));
    return 0;
  }

  DefaultLogger()->LogFmt(this, TLogLevel::llDebug,
                          "pkt.st_idx={}, dts={}, pts={}, flags={}, pict_type={}({})",
                          FVideoCodec.stream_index, frame->pkt_dts, frame->pts, frame->flags,
                          static_cast<int>(frame->pict_type), picture_type_text(frame->pict_type));
  frame->pts = frame->best_effort_timestamp;

  if (FVideoFilter.Configure(Fvfilters, FVideoCodec.context.get(), stream, FFileHandle) < 0)
    DefaultLogger()->Log(this, TLogLevel::llError, "Error while configuring the filtergraph");
  if (FVideoFilter.Active()) {
    if (FVideoFilter.Push(frame) < 0) {
      DefaultLogger()->Log(this, TLogLevel::llError, "Error while feeding the filtergraph");
    } else {
      ff::av_frame_unref(FFilteredFrame.get());
      const int pulled = FVideoFilter.Pull(FFilteredFrame.get());
      if (pulled == AVERROR(EAGAIN) || pulled == AVERROR_EOF) return 0;
      if (pulled >= 0) {
        ff::av_frame_unref(frame);
        return StorePicture(FFilteredFrame.get(), FVideoFilter.OutputTimeBase());
      }
    }
  }
  return StorePicture(frame, stream->time_base);
}

int TRIDarivir::StorePicture(AVFrame* frame, AVRational time_base) {
  const auto format = static_cast<AVPixelFormat>(frame->format);
  const int size = ff::av_image_get_buffer_size(format, frame->width, frame->height, 1);
  if (size < 0) {
    DefaultLogger()->Log(this, TLogLevel::llError, error_code_text(size, "Invalid decoded picture"));
    return 0;
  }
  if (!FPictureBuffer || FPicture.Size < size) {
    FPictureBuffer.reset(static_cast<std::uint8_t*>(ff::av_malloc(static_cast<std::size_t>(size))));
    FPicture.Buffer = FPictureBuffer.get();
    FPicture.Size = FPictureBuffer ? size : 0;
    if (!FPictureBuffer) throw std::bad_alloc();
  }
  FPicture.PixFmt = format;
  FPicture.Width = frame->width;
  FPicture.Height = frame->height;
  FPicture.IsKeyFrame = frame->key_frame != 0;
  FPicture.IsInterlaced = frame->interlaced_frame != 0;
  FPicture.IsTopFieldFirst = frame->top_field_first != 0;
  FPicture.PictureType = frame->pict_type;
  FPicture.Frame = frame;

  // The picture's own time (its best-effort stamp), else its packet's dts.
  const std::int64_t source = frame->pts != AV_NOPTS_VALUE ? frame->pts : frame->pkt_dts;
  std::int64_t extrapolated = kNoTimeStamp;
  if (source == AV_NOPTS_VALUE && FEOFpkt && FLastPTS != kNoTimeStamp && FPicture.PTS != kNoTimeStamp)
    extrapolated = 2 * FPicture.PTS - FLastPTS;
  if (FPicture.PTS != kNoTimeStamp) FLastPTS = FPicture.PTS;
  if (source == AV_NOPTS_VALUE) {
    FPicture.PTS = extrapolated;
  } else {
    const AVStream* stream = FFileHandle->streams[FDesireVideoIndex];
    std::int64_t start = stream->start_time;
    if (start != AV_NOPTS_VALUE && av_cmp_q(time_base, stream->time_base) != 0)
      start = ff::av_rescale_q(start, stream->time_base, time_base);
    FPicture.PTS =
        ff::av_rescale_q(start != AV_NOPTS_VALUE ? source - start : source, time_base, AV_TIME_BASE_Q);
    DefaultLogger()->LogFmt(this, TLogLevel::llDebug, "decode PTS: {:.3f}",
                            static_cast<double>(FPicture.PTS) / AV_TIME_BASE);
  }
  FPicture.OriginalDTS = frame->pkt_dts;
  FPicture.OriginalPTS = frame->pts;
  FPicture.StreamIndex = FDesireVideoIndex;
  FPicture.Position = frame->pkt_pos;

  ff::av_image_fill_arrays(FPicture.Picture.data, FPicture.Picture.linesize, FPicture.Buffer, format,
                           frame->width, frame->height, 1);
  ff::av_image_copy(FPicture.Picture.data, FPicture.Picture.linesize,
                    const_cast<const std::uint8_t**>(frame->data), frame->linesize, format, frame->width,
                    frame->height);
  FPicture.Ready = true;
  return 1;
}

bool TRIDarivir::Decode(int stream_index) {
  static constexpr const char* kOperation = "Decode() for video";
  const int index = SelectVideoStream(stream_index);
  if (index < 0) return false;
  if (FPicture.Ready && IsStillImage()) return true;
  if (FEOF && FEOFpkt) {
    SetErrorAndLog(TLogLevel::llInfo, fmt::format("{}.{}: stream eof reached.", ClassName(), kOperation));
    return false;
  }
  if (!OpenVideoCodec(index)) return false;
  AVPacketPtr packet = MakePacket();
  for (;;) {
    if (ReceivePicture() > 0) return true;
    // The input ended while another stream was decoded: drain this one too.
    if (FEOFpkt && !FVideoCodec.flushed) {
      SendFlush(FVideoCodec);
      continue;
    }
    switch (ReadPacket(kOperation, packet.get())) {
      case TReadResult::rrPacket:
        if (packet->stream_index == index) DecodeVideoPacket(packet.get());
        ff::av_packet_unref(packet.get());
        break;
      case TReadResult::rrFlushed:
        SendFlush(FVideoCodec);
        break;
      case TReadResult::rrAgain:
      case TReadResult::rrEnd:
      case TReadResult::rrError:
        return false;
    }
  }
}

TDecodeResult TRIDarivir::Decode(TDecodeType type) {
  static constexpr const char* kOperation = "Decode() for video and/or audio";
  const int video = type != TDecodeType::dtAudio ? SelectVideoStream(-1) : -1;
  const int audio = type != TDecodeType::dtVideo ? SelectAudioStream(-1) : -1;
  if (video < 0 && audio < 0) return TDecodeResult::drError;
  if (FEOF && FEOFpkt) {
    SetErrorAndLog(TLogLevel::llInfo, fmt::format("{}.{}: stream eof reached.", ClassName(), kOperation));
    return TDecodeResult::drError;
  }
  if (video >= 0 && !OpenVideoCodec(video)) return TDecodeResult::drError;
  if (audio >= 0 && !OpenAudioCodec(audio)) return TDecodeResult::drError;
  AVPacketPtr packet = MakePacket();
  for (;;) {
    if (video >= 0 && ReceivePicture() > 0) return TDecodeResult::drVideo;
    // The input ended during a decode of another kind: drain these decoders too.
    if (FEOFpkt && video >= 0 && !FVideoCodec.flushed) {
      SendFlush(FVideoCodec);
      continue;
    }
    if (FEOFpkt && audio >= 0 && !FAudioCodec.flushed) {
      const int decoded = DecodeAudioPacket(nullptr);
      if (decoded != 0) return decoded > 0 ? TDecodeResult::drAudio : TDecodeResult::drError;
      continue;
    }
    switch (ReadPacket(kOperation, packet.get())) {
      case TReadResult::rrPacket: {
        const int stream = packet->stream_index;
        if (stream == video) {
          DecodeVideoPacket(packet.get());
          ff::av_packet_unref(packet.get());
        } else if (stream == audio) {
          const int decoded = DecodeAudioPacket(packet.get());
          ff::av_packet_unref(packet.get());
          if (decoded > 0) return TDecodeResult::drAudio;
          if (decoded < 0) return TDecodeResult::drError;
        } else {
          ff::av_packet_unref(packet.get());
        }
        break;
      }
      case TReadResult::rrFlushed: {
        // Every selected decoder gives out what it holds back.
        if (video >= 0) SendFlush(FVideoCodec);
        if (audio >= 0) {
          const int decoded = DecodeAudioPacket(nullptr);
          if (decoded > 0) return TDecodeResult::drAudio;
          if (decoded < 0) return TDecodeResult::drError;
        }
        break;
      }
      case TReadResult::rrAgain:
      case TReadResult::rrEnd:
      case TReadResult::rrError:
        return TDecodeResult::drError;
    }
  }
}

bool TRIDarivir::CopyToBitmap(TBitmap& bitmap) {
  if (!FPicture.Ready) {
    SetErrorAndLog(TLogLevel::llError, "picture not ready, please decode first");
    return false;
  }
  if (FFormatConv.PictureToRGB(FPicture.Picture.data, FPicture.Picture.linesize, FPicture.PixFmt,
                               FPicture.Width, FPicture.Height, TBitmapCopy::bcCopy)) {
    bitmap = FFormatConv.Bitmap();
    return true;
  }
  bitmap.SetPixelFormat(FFormatConv.BMPPixFmt());
  bitmap.SetSize(FPicture.Width, FPicture.Height);
  bitmap.Fill(0);
  SetErrorAndLog(TLogLevel::llError, FFormatConv.LastErrMsg());
  return false;
}

const TDIB* TRIDarivir::GetBitmapPtr() {
  if (!FPicture.Ready) {
    SetErrorAndLog(TLogLevel::llError, "picture not ready, please decode first");
    return nullptr;
  }
  if (!FFormatConv.PictureToRGB(FPicture.Picture.data, FPicture.Picture.linesize, FPicture.PixFmt,
                                FPicture.Width, FPicture.Height, TBitmapCopy::bcNone)) {
    SetErrorAndLog(TLogLevel::llError, FFormatConv.LastErrMsg());
    return nullptr;
  }
  return &FFormatConv.DIB();
}

}  // namespace zentrova

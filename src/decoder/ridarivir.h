// TRIDarivir: the decoder component. On top of `TCustomDecoder` (open and
// describe a file) it decodes single video pictures — the next one, the
// next or previous key frame, the previous picture, the picture after a
// seek — through an optional filter chain into `FrameInfo`, converts them
// into bitmaps, and decodes audio into interleaved 16-bit PCM of a desired
// channel count and rate (`DecodeAudio`, `WaveInfo`, `ReadAudio`).
//
// Stepping backwards is built from backward seeks and forward decoding.
// The end of input comes in two stages: the first failed read flushes the
// decoders so that delayed pictures and the audio tail still come out; once
// they are drained, decodes fail with "stream eof reached." and `Eof()` is
// true until a `Seek`.
//
// Failures return false / `drError` / -1 with the text in `LastErrMsg`.
// Only an adopted (read-only) handle throws std::runtime_error "file cannot
// be seeked, handle is readonly." when a decode or seek is attempted; and
// `LoadFile` throws when the libraries are not loaded.
//
// Ownership and threads: one thread at a time. The decoder owns its codec
// contexts, frames, filter graph, resampler, buffers and picture converter;
// `FrameInfo`, `WaveInfo` buffers and `GetBitmapPtr` stay valid until the
// next decode, seek or close.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "decoder/custom_decoder.h"
#include "decoder/frame_info.h"
#include "decoder/video_filter.h"
#include "decoder/wave_info.h"
#include "picture/format_converter.h"

namespace zentrova {

class TRIDarivir : public TCustomDecoder {
 public:
  TRIDarivir();
  ~TRIDarivir() override;

  const char* ClassName() const override { return "TRIDarivir"; }

  /// Forgets the decoding state (codecs, pictures, audio), then the file.
  void CloseFile() override;

  /// The next picture of a video stream (-1: the chosen or first one).
  bool Decode(int stream_index = -1);
  /// The next picture or audio packet, whichever comes first.
  TDecodeResult Decode(TDecodeType type);
  bool DecodeNextKeyFrame(int stream_index = -1);
  bool DecodePreviousKeyFrame(int stream_index = -1);
  bool DecodePreviousFrame(int stream_index = -1);
  /// Seeks to `pts` microseconds (the key frame at or after it; with
  /// sfBackward at or before it), or to byte `pts` with sfByte. Clears the
  /// current picture, the audio and the end-of-input state.
  virtual bool Seek(std::int64_t pts, TSeekFlags flags);

  /// Copies the current picture into `bitmap` at `BitmapBitsPixel`. On a
  /// conversion failure `bitmap` is the picture's size, black, and the
  /// result false; without a picture false and `bitmap` unchanged.
  bool CopyToBitmap(TBitmap& bitmap);
  /// The current picture as a bitmap descriptor (owned by the decoder); null
  /// with `LastErrMsg` without a picture or on a conversion failure.
  const TDIB* GetBitmapPtr();

  /// The next audio packet (-1: the chosen or first audio stream) as PCM in
  /// `WaveInfo`.
  bool DecodeAudio(int stream_index = -1);
  /// Copies up to `count` PCM bytes into `buffer`, decoding the next packet
  /// when the current one is used up; the number of bytes, or -1. With a
  /// null `buffer` only tells how many bytes are available (up to `count`)
  /// and consumes nothing.
  int ReadAudio(std::uint8_t* buffer, int count, int stream_index = -1);

  int BitmapBitsPixel() const { return FFormatConv.BitsPixel(); }
  /// 8, 15, 16, 24 or 32; std::invalid_argument otherwise.
  void SetBitmapBitsPixel(int value) { FFormatConv.SetBitsPixel(value); }
  /// True once the input is exhausted and every decoder drained (the
  /// component's `EOF` property; `EOF` itself is a C library macro).
  bool Eof() const { return FEOF; }
  const TFrameInfo& FrameInfo() const { return FPicture; }
  /// The I/O byte position; -1 (with a warning) without a file or I/O.
  std::int64_t Position();
  const std::string& VideoFilters() const { return Fvfilters; }
  /// Takes effect at the next decoded picture.
  void SetVideoFilters(std::string value) { Fvfilters = std::move(value); }
  const TWaveInfo& WaveInfo() const { return FWaveInfo; }
  int DesireAudioChannels() const { return FDesireAudioChannels; }
  /// Changing the desired format resets `WaveInfo` and the resampler. A
  /// value below 1 (or above 64 channels) throws std::invalid_argument.
  void SetDesireAudioChannels(int value);
  int DesireAudioSampleRate() const { return FDesireAudioSampleRate; }
  void SetDesireAudioSampleRate(int value);
  /// The converter behind `CopyToBitmap` (its sws_flags follow `-sws_flags`).
  TFormatConverter& FormatConverter() { return FFormatConv; }

 protected:
  void ApplySwsFlags(int flags) override { FFormatConv.set_sws_flags(flags); }
  /// Frees the resampler and forgets the source format it was made for.
  virtual void ResetResampler();

 private:
  /// One opened decoder and its drain state.
  struct TStreamCodec {
    AVCodecContextPtr context;
    int stream_index = -1;
    bool flushed = false;  ///< the end-of-input (null) packet was sent
    bool drained = false;  ///< the decoder answered end of file
  };
  /// What one pass of the shared reading loop produced.
  enum class TReadResult { rrPacket, rrFlushed, rrAgain, rrEnd, rrError };

  bool CheckSeekable();
  bool CanSeek();
  /// A still picture (image2 or an image pipe demuxer): decoded once, never sought.
  bool IsStillImage() const;
  int SelectVideoStream(int index);
  int SelectAudioStream(int index);
  /// The stream of `type` that a selection names: `index`, or when negative
  /// the desired stream, else the first one of that type (`index` becomes
  /// it). Null, with the error logged, when there is none or it is of
  /// another type.
  const AVStream* StreamToSelect(int& index, int desired, int first, AVMediaType type);
  AVCodecContext* OpenVideoCodec(int index);
  AVCodecContext* OpenAudioCodec(int index);
  AVCodecContext* OpenCodec(TStreamCodec& codec, int index);
  /// Reads the next packet. The first failure (other than "try again")
  /// answers rrFlushed: the caller flushes its decoders. A failure after
  /// that ends the input (rrEnd, `Eof()` set) or is an I/O error (rrError).
  TReadResult ReadPacket(const char* operation, AVPacket* packet);
  /// Sends the end-of-input packet once.
  static void SendFlush(TStreamCodec& codec);
  /// 1 with a new picture stored, 0 when the decoder needs input,
  /// AVERROR_EOF once it is drained.
  int ReceivePicture();
  /// Sends a packet to the video decoder (errors are logged).
  int DecodeVideoPacket(const AVPacket* packet);
  /// Copies `frame` (time stamps in `time_base`) into `FPicture`; 1, or 0
  /// for a picture that cannot be stored.
  int StorePicture(AVFrame* frame, AVRational time_base);
  void ResetPicture();
  std::int64_t FrameDuration() const;
  std::int64_t IOPosition() const;
  bool SeekFile(std::int64_t target, int flags);

  void ResetWaveInfo();
  /// Decodes one packet (null: the end-of-input flush) and every frame it
  /// gives into `WaveInfo`: 1 with audio, 0 when nothing came out yet,
  /// negative on a resampling failure.
  int DecodeAudioPacket(const AVPacket* packet);
  /// Converts one frame to the desired format and appends it to the packet's
  /// PCM at `offset`; the bytes added or a negative code.
  int ResampleAudio(int offset, const AVFrame* frame);
  bool AppendAudio(int offset, const std::uint8_t* data, int bytes);

  TStreamCodec FVideoCodec;
  TFormatConverter FFormatConv;
  int FSeekIndex = -1;
  int FDesireVideoIndex = -1;
  AVRational FFrameRate{0, 0};
  AVFramePtr FDecodedFrame;
  AVFramePtr FFilteredFrame;
  bool FEOF = false;
  bool FEOFpkt = false;
  TFrameInfo FPicture;
  AVMemoryPtr<std::uint8_t> FPictureBuffer;  // FPicture.Buffer
  std::int64_t FLastPTS = kNoTimeStamp;
  std::string Fvfilters;
  TVideoFilter FVideoFilter{this};

  TWaveInfo FWaveInfo;
  int FDesireAudioChannels = 2;
  int FDesireAudioSampleRate = 44100;
  AVSampleFormat FDesireAudioSampleFormat = AV_SAMPLE_FMT_S16;
  AVChannelLayout FDesireChannelLayout{};  // empty: the default layout of FDesireAudioChannels
  int FDesireAudioIndex = -1;
  TStreamCodec FAudioCodec;
  AVFramePtr FAudioDecodedFrame;
  AVMemoryPtr<std::uint8_t> FAudioBuffer;
  int FAudioSize = 0;
  AVMemoryPtr<std::uint8_t> FResampledBuffer;  // grown with av_fast_malloc
  unsigned FResampledSize = 0;
  TAudioParam FAudioParam;
  int FRemainsAudioSize = 0;
};

}  // namespace zentrova

#include "baseline/direct_transcoder.h"

#include <fmt/format.h>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>

#include "media/av_ptr.h"
#include "media/error_text.h"
#include "media/ff.h"

namespace zentrova::bench {
namespace {

[[noreturn]] void Fail(std::string message) {
  throw BaselineError(std::move(message));
}

void Check(int ret, const std::string& action) {
  if (ret < 0) Fail(error_code_text(ret, action));
}

/// One converted stream: where its packets come from and go to.
struct StreamPipe {
  AVStream* in = nullptr;
  AVStream* out = nullptr;
  AVCodecContextPtr decoder;
  AVCodecContextPtr encoder;
  std::int64_t next_pts = 0;  ///< in the encoder's time base
};

bool SameLayout(const AVChannelLayout& a, const AVChannelLayout& b) {
  return ff::av_channel_layout_compare(&a, &b) == 0;
}

class DirectTranscoder {
 public:
  DirectTranscoder(std::string input, std::string output, BaselineSettings settings)
      : input_name_(std::move(input)), output_name_(std::move(output)), settings_(std::move(settings)) {}

  BaselineResult Run() {
    OpenInput();
    CreateOutput();
    if (video_.decoder) OpenVideoEncoder();
    if (audio_.decoder) OpenAudioEncoder();
    WriteHeader();
    ReadAll();
    Flush();
    Check(ff::av_write_trailer(output_.get()), fmt::format("Could not finish \"{}\"", output_name_));
    return result_;
  }

  /// True once the output file exists on disk (so a failure removes it).
  bool CreatedOutput() const { return created_output_; }
  void CloseOutput() { output_.reset(); }

 private:
  void OpenInput() {
    const AVInputFormat* format = nullptr;
    if (!settings_.input_format.empty()) {
      format = ff::av_find_input_format(settings_.input_format.c_str());
      if (!format) Fail(fmt::format("Unknown input format {}", settings_.input_format));
    }
    Check(ff::avformat_open_input(OutPtr(input_), input_name_.c_str(), format, nullptr),
          fmt::format("Could not open input \"{}\"", input_name_));
    Check(ff::avformat_find_stream_info(input_.get(), nullptr),
          fmt::format("Could not read the stream information of \"{}\"", input_name_));
    const int video = ff::av_find_best_stream(input_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const int audio = ff::av_find_best_stream(input_.get(), AVMEDIA_TYPE_AUDIO, -1, video, nullptr, 0);
    if (video < 0 && audio < 0) Fail(fmt::format("\"{}\" holds neither video nor audio", input_name_));
    if (video >= 0) OpenDecoder(video_, input_->streams[video]);
    if (audio >= 0) OpenDecoder(audio_, input_->streams[audio]);
    start_time_us_ = input_->start_time == AV_NOPTS_VALUE ? 0 : input_->start_time;
  }

  void OpenDecoder(StreamPipe& pipe, AVStream* stream) {
    pipe.in = stream;
    const AVCodec* codec = ff::avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec)
      Fail(fmt::format("No decoder for stream #{} ({}) of \"{}\"", stream->index,
                       ff::avcodec_get_name(stream->codecpar->codec_id), input_name_));
    pipe.decoder.reset(ff::avcodec_alloc_context3(codec));
    if (!pipe.decoder) throw std::bad_alloc();
    Check(ff::avcodec_parameters_to_context(pipe.decoder.get(), stream->codecpar),
          fmt::format("Could not set up the decoder of stream #{}", stream->index));
    pipe.decoder->pkt_timebase = stream->time_base;
    pipe.decoder->thread_count = 0;  // automatic, as the engine's decoders
    Check(ff::avcodec_open2(pipe.decoder.get(), codec, nullptr),
          fmt::format("Could not open decoder {} for stream #{}", codec->name, stream->index));
  }

  void CreateOutput() {
    std::error_code ec;
    if (std::filesystem::equivalent(input_name_, output_name_, ec))
      Fail(fmt::format("Output \"{}\" is the input file", output_name_));
    // A name without a known extension is written as MP4.
    const int ret =
        ff::avformat_alloc_output_context2(OutPtr(output_), nullptr, nullptr, output_name_.c_str());
    if (ret < 0 || !output_)
      Check(ff::avformat_alloc_output_context2(OutPtr(output_), nullptr, "mp4", output_name_.c_str()),
            fmt::format("Could not create output \"{}\"", output_name_));
  }

  AVCodecContextPtr NewEncoder(const std::string& name, const AVCodec** codec) {
    *codec = ff::avcodec_find_encoder_by_name(name.c_str());
    if (!*codec) Fail(fmt::format("Encoder {} is not available", name));
    AVCodecContextPtr encoder(ff::avcodec_alloc_context3(*codec));
    if (!encoder) throw std::bad_alloc();
    encoder->thread_count = settings_.encoder_threads;
    if (output_->oformat->flags & AVFMT_GLOBALHEADER) encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    return encoder;
  }

  AVStream* OpenEncoderAndStream(StreamPipe& pipe, const AVCodec* codec) {
    Check(ff::avcodec_open2(pipe.encoder.get(), codec, nullptr),
          fmt::format("Could not open encoder {} for \"{}\"", codec->name, output_name_));
    AVStream* out = ff::avformat_new_stream(output_.get(), nullptr);
    if (!out) throw std::bad_alloc();
    Check(ff::avcodec_parameters_from_context(out->codecpar, pipe.encoder.get()),
          fmt::format("Could not describe output stream #{}", out->index));
    out->time_base = pipe.encoder->time_base;  // a hint: the muxer may choose another
    pipe.out = out;
    return out;
  }

  void OpenVideoEncoder() {
    const AVCodec* codec = nullptr;
    video_.encoder = NewEncoder(settings_.video_encoder, &codec);
    AVCodecContext* dec = video_.decoder.get();
    AVCodecContext* enc = video_.encoder.get();
    frame_rate_ = ff::av_guess_frame_rate(input_.get(), video_.in, nullptr);
    if (frame_rate_.num <= 0 || frame_rate_.den <= 0) frame_rate_ = {25, 1};
    enc->width = dec->width;
    enc->height = dec->height;
    enc->pix_fmt = ChoosePixelFormat(codec, dec->pix_fmt);
    enc->sample_aspect_ratio = dec->sample_aspect_ratio;
    enc->framerate = frame_rate_;
    enc->time_base = av_inv_q(frame_rate_);
    enc->bit_rate = settings_.video_bit_rate;
    OpenEncoderAndStream(video_, codec)->sample_aspect_ratio = dec->sample_aspect_ratio;
  }

  static AVPixelFormat ChoosePixelFormat(const AVCodec* codec, AVPixelFormat wanted) {
    if (!codec->pix_fmts) return wanted;
    for (const AVPixelFormat* p = codec->pix_fmts; *p != AV_PIX_FMT_NONE; ++p)
      if (*p == wanted) return wanted;
    return codec->pix_fmts[0];
  }

  void OpenAudioEncoder() {
    const AVCodec* codec = nullptr;
    audio_.encoder = NewEncoder(settings_.audio_encoder, &codec);
    AVCodecContext* dec = audio_.decoder.get();
    AVCodecContext* enc = audio_.encoder.get();
    enc->sample_fmt = ChooseSampleFormat(codec, dec->sample_fmt);
    enc->sample_rate = ChooseSampleRate(codec, dec->sample_rate);
    ChooseLayout(codec, dec->ch_layout, &enc->ch_layout);
    enc->time_base = {1, enc->sample_rate};
    enc->bit_rate = settings_.audio_bit_rate;
    OpenEncoderAndStream(audio_, codec);
    const bool fixed = !(codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) && enc->frame_size > 0;
    audio_frame_size_ = fixed ? enc->frame_size : 0;
    if (enc->sample_fmt != dec->sample_fmt || enc->sample_rate != dec->sample_rate ||
        !SameLayout(enc->ch_layout, dec->ch_layout)) {
      Check(ff::swr_alloc_set_opts2(OutPtr(resampler_), &enc->ch_layout, enc->sample_fmt, enc->sample_rate,
                                    &dec->ch_layout, dec->sample_fmt, dec->sample_rate, 0, nullptr),
            "Could not set up the resampler");
      Check(ff::swr_init(resampler_.get()), "Could not start the resampler");
    }
    fifo_.reset(ff::av_audio_fifo_alloc(enc->sample_fmt, enc->ch_layout.nb_channels,
                                        std::max(audio_frame_size_, 1024)));
    if (!fifo_) throw std::bad_alloc();
  }

  static AVSampleFormat ChooseSampleFormat(const AVCodec* codec, AVSampleFormat wanted) {
    if (!codec->sample_fmts) return wanted;
    for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
      if (*f == wanted) return wanted;
    return codec->sample_fmts[0];
  }

  static int ChooseSampleRate(const AVCodec* codec, int wanted) {
    if (!codec->supported_samplerates) return wanted;
    int best = codec->supported_samplerates[0];
    for (const int* r = codec->supported_samplerates; *r; ++r)
      if (std::abs(*r - wanted) < std::abs(best - wanted)) best = *r;
    return best;
  }

  static void ChooseLayout(const AVCodec* codec, const AVChannelLayout& decoded, AVChannelLayout* chosen) {
    AVChannelLayout wanted{};
    if (decoded.order == AV_CHANNEL_ORDER_UNSPEC)
      ff::av_channel_layout_default(&wanted, decoded.nb_channels);
    else
      ff::av_channel_layout_copy(&wanted, &decoded);
    const AVChannelLayout* pick = &wanted;
    if (codec->ch_layouts) {
      const AVChannelLayout* first = codec->ch_layouts;
      pick = first;
      for (const AVChannelLayout* l = codec->ch_layouts; l->nb_channels; ++l) {
        if (SameLayout(*l, wanted)) {
          pick = l;
          break;
        }
        if (l->nb_channels == std::min(wanted.nb_channels, 2)) pick = l;
      }
    }
    ff::av_channel_layout_copy(chosen, pick);
    ff::av_channel_layout_uninit(&wanted);
  }

  void WriteHeader() {
    if (!(output_->oformat->flags & AVFMT_NOFILE))
      Check(ff::avio_open(&output_->pb, output_name_.c_str(), AVIO_FLAG_WRITE),
            fmt::format("Could not create \"{}\"", output_name_));
    created_output_ = true;
    Check(ff::avformat_write_header(output_.get(), nullptr),
          fmt::format("Could not write the header of \"{}\"", output_name_));
    // The muxer may have replaced the time bases; every packet uses the new ones.
  }

  void ReadAll() {
    AVPacketPtr packet = MakePacket();
    int ret = 0;
    while ((ret = ff::av_read_frame(input_.get(), packet.get())) >= 0) {
      if (video_.in && packet->stream_index == video_.in->index)
        Decode(video_, packet.get());
      else if (audio_.in && packet->stream_index == audio_.in->index)
        Decode(audio_, packet.get());
      ff::av_packet_unref(packet.get());
    }
    if (ret != AVERROR_EOF) Check(ret, fmt::format("Could not read \"{}\"", input_name_));
  }

  void Flush() {
    if (video_.decoder) Decode(video_, nullptr);
    if (audio_.decoder) {
      Decode(audio_, nullptr);
      DrainFifo(true);
    }
    if (video_.encoder) Encode(video_, nullptr);
    if (audio_.encoder) Encode(audio_, nullptr);
  }

  // One packet (or the end when null) in, every frame it gives out.
  void Decode(StreamPipe& pipe, const AVPacket* packet) {
    int ret = ff::avcodec_send_packet(pipe.decoder.get(), packet);
    if (ret < 0 && ret != AVERROR_EOF && ret != AVERROR(EAGAIN)) ++result_.decode_errors;
    for (;;) {
      const int got = ff::avcodec_receive_frame(pipe.decoder.get(), frame_.get());
      if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) break;
      if (got < 0) {
        ++result_.decode_errors;
        break;
      }
      if (&pipe == &video_)
        OnVideoFrame(frame_.get());
      else
        OnAudioFrame(frame_.get());
      ff::av_frame_unref(frame_.get());
      if (ret == AVERROR(EAGAIN)) ret = ff::avcodec_send_packet(pipe.decoder.get(), packet);
    }
  }

  void OnVideoFrame(AVFrame* frame) {
    AVCodecContext* enc = video_.encoder.get();
    std::int64_t pts = video_.next_pts;
    if (frame->best_effort_timestamp != AV_NOPTS_VALUE) {
      const std::int64_t start = ff::av_rescale_q(start_time_us_, AV_TIME_BASE_Q, video_.in->time_base);
      pts = ff::av_rescale_q(frame->best_effort_timestamp - start, video_.in->time_base, enc->time_base);
    }
    pts = std::max(pts, video_.next_pts);  // the encoder needs increasing times
    video_.next_pts = pts + 1;
    AVFrame* send = frame;
    if (frame->format != enc->pix_fmt || frame->width != enc->width || frame->height != enc->height) {
      send = Scale(frame);
    }
    send->pts = pts;
    send->pict_type = AV_PICTURE_TYPE_NONE;  // let the encoder choose the frame types
    Encode(video_, send);
    ++result_.video_frames_encoded;
  }

  AVFrame* Scale(const AVFrame* frame) {
    AVCodecContext* enc = video_.encoder.get();
    scaler_.reset(ff::sws_getCachedContext(scaler_.release(), frame->width, frame->height,
                                           static_cast<AVPixelFormat>(frame->format), enc->width, enc->height,
                                           enc->pix_fmt, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!scaler_) Fail("Could not set up the scaler");
    if (!scaled_) {
      scaled_ = MakeFrame();
      scaled_->format = enc->pix_fmt;
      scaled_->width = enc->width;
      scaled_->height = enc->height;
      Check(ff::av_frame_get_buffer(scaled_.get(), 0), "Could not allocate a scaled picture");
    }
    // The encoder may still hold the previous picture.
    Check(ff::av_frame_make_writable(scaled_.get()), "Could not allocate a scaled picture");
    Check(ff::sws_scale_frame(scaler_.get(), scaled_.get(), frame), "Could not scale a picture");
    return scaled_.get();
  }

  void OnAudioFrame(AVFrame* frame) {
    const AVCodecContext* enc = audio_.encoder.get();
    if (!resampler_ && audio_frame_size_ == 0) {
      frame->pts = audio_.next_pts;
      audio_.next_pts += frame->nb_samples;
      result_.audio_samples_encoded += frame->nb_samples;
      Encode(audio_, frame);
      return;
    }
    if (resampler_) {
      AVFramePtr converted = MakeFrame();
      converted->format = enc->sample_fmt;
      converted->sample_rate = enc->sample_rate;
      Check(ff::av_channel_layout_copy(&converted->ch_layout, &enc->ch_layout), "Could not copy a layout");
      // The resampler takes an unordered layout (a WAV file's) as the
      // default one for its channel count: so must the frames.
      if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        ff::av_channel_layout_default(&frame->ch_layout, frame->ch_layout.nb_channels);
      Check(ff::swr_convert_frame(resampler_.get(), converted.get(), frame), "Could not resample audio");
      WriteFifo(converted.get());
    } else {
      WriteFifo(frame);
    }
    DrainFifo(false);
  }

  void WriteFifo(const AVFrame* frame) {
    if (frame->nb_samples <= 0) return;
    if (ff::av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(frame->extended_data),
                                frame->nb_samples) < frame->nb_samples)
      Fail("Could not queue audio samples");
  }

  // Full encoder frames out of the queue; at the end also the rest.
  void DrainFifo(bool at_end) {
    const AVCodecContext* enc = audio_.encoder.get();
    const int frame_size = audio_frame_size_ > 0 ? audio_frame_size_ : 1024;
    const bool small_last = audio_.encoder->codec->capabilities &
                            (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
    for (;;) {
      const int queued = ff::av_audio_fifo_size(fifo_.get());
      if (queued <= 0 || (queued < frame_size && !at_end)) return;
      const int take = std::min(queued, frame_size);
      AVFramePtr out = MakeFrame();
      out->format = enc->sample_fmt;
      out->sample_rate = enc->sample_rate;
      out->nb_samples = (take < frame_size && !small_last) ? frame_size : take;
      Check(ff::av_channel_layout_copy(&out->ch_layout, &enc->ch_layout), "Could not copy a layout");
      Check(ff::av_frame_get_buffer(out.get(), 0), "Could not allocate an audio frame");
      if (out->nb_samples > take)
        ff::av_samples_set_silence(out->extended_data, take, out->nb_samples - take,
                                   enc->ch_layout.nb_channels, enc->sample_fmt);
      if (ff::av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(out->extended_data), take) < take)
        Fail("Could not take audio samples from the queue");
      out->pts = audio_.next_pts;
      audio_.next_pts += out->nb_samples;
      result_.audio_samples_encoded += out->nb_samples;
      Encode(audio_, out.get());
    }
  }

  // One frame (or the end when null) in, every packet it gives out written.
  void Encode(StreamPipe& pipe, const AVFrame* frame) {
    const std::string what = &pipe == &video_ ? "video" : "audio";
    int ret = ff::avcodec_send_frame(pipe.encoder.get(), frame);
    while (true) {
      if (ret < 0 && ret != AVERROR(EAGAIN) && ret != AVERROR_EOF)
        Check(ret, fmt::format("Could not encode {} for \"{}\"", what, output_name_));
      const int got = ff::avcodec_receive_packet(pipe.encoder.get(), packet_.get());
      if (got == AVERROR_EOF) return;
      if (got == AVERROR(EAGAIN)) {
        if (ret != AVERROR(EAGAIN)) return;
        ret = ff::avcodec_send_frame(pipe.encoder.get(), frame);  // room made: send again
        continue;
      }
      Check(got, fmt::format("Could not encode {} for \"{}\"", what, output_name_));
      Write(pipe, packet_.get());
    }
  }

  void Write(StreamPipe& pipe, AVPacket* packet) {
    ff::av_packet_rescale_ts(packet, pipe.encoder->time_base, pipe.out->time_base);
    if (&pipe == &video_ && packet->duration <= 0)
      packet->duration = ff::av_rescale_q(1, av_inv_q(frame_rate_), pipe.out->time_base);
    packet->stream_index = pipe.out->index;
    Check(ff::av_interleaved_write_frame(output_.get(), packet),
          fmt::format("Could not write to \"{}\"", output_name_));
    ++result_.packets_written;
  }

  std::string input_name_;
  std::string output_name_;
  BaselineSettings settings_;
  AVInputFormatContextPtr input_;
  AVOutputFormatContextPtr output_;
  StreamPipe video_;
  StreamPipe audio_;
  SwsContextPtr scaler_;
  SwrContextPtr resampler_;
  AVAudioFifoPtr fifo_;
  AVFramePtr frame_ = MakeFrame();
  AVFramePtr scaled_;
  AVPacketPtr packet_ = MakePacket();
  AVRational frame_rate_{25, 1};
  std::int64_t start_time_us_ = 0;
  int audio_frame_size_ = 0;
  bool created_output_ = false;
  BaselineResult result_;
};

}  // namespace

BaselineResult TranscodeDirect(const std::string& input, const std::string& output,
                               const BaselineSettings& settings) {
  DirectTranscoder transcoder(input, output, settings);
  try {
    return transcoder.Run();
  } catch (...) {
    if (transcoder.CreatedOutput()) {
      transcoder.CloseOutput();
      std::error_code ignored;
      std::filesystem::remove(output, ignored);
    }
    throw;
  }
}

}  // namespace zentrova::bench

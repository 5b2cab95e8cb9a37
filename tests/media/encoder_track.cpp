// Video and audio tracks: a synthetic source, an encoder, and a drain that
// writes every packet the encoder returns.
#include <fmt/format.h>

#include <cmath>
#include <limits>

#include "media/clip_track.h"
#include "media/encoder_setup.h"
#include "media/media_error.h"
#include "media/source_graph.h"

namespace zentrova::test {
namespace {

class EncoderTrack final : public ClipTrack {
 public:
  /// `total_units`: frames for video, samples for audio (the encoder's time base).
  EncoderTrack(AVFormatContext* oc, AVCodecContextPtr enc, AVStream* st, SourceGraph source,
               int64_t total_units, std::string description, bool interlaced = false)
      : oc_(oc),
        enc_(std::move(enc)),
        st_(st),
        source_(std::move(source)),
        total_units_(total_units),
        description_(std::move(description)),
        interlaced_(interlaced) {}

  double NextTime() const override {
    return finished_ ? std::numeric_limits<double>::infinity() : sent_units_ * av_q2d(enc_->time_base);
  }
  bool Finished() const override { return finished_; }
  AVStream* Stream() const override { return st_; }

  void Step() override {
    if (finished_) return;
    if (sent_units_ < total_units_) {
      AVFramePtr frame = source_.Next();
      const bool audio = enc_->codec_type == AVMEDIA_TYPE_AUDIO;
      if (audio && frame->nb_samples > total_units_ - sent_units_)
        frame->nb_samples = static_cast<int>(total_units_ - sent_units_);  // the clip ends inside this frame
      frame->pts = sent_units_;
      frame->pict_type = AV_PICTURE_TYPE_NONE;
      if (interlaced_) {
        frame->interlaced_frame = 1;
        frame->top_field_first = 1;
      }
      sent_units_ += audio ? frame->nb_samples : 1;
      Send(frame.get());
    }
    if (sent_units_ >= total_units_) {
      Send(nullptr);  // flush: the encoder returns its delayed packets, then EOF
      finished_ = true;
    }
  }

 private:
  // Sends a frame (null: end of stream) and writes what the encoder returns.
  void Send(const AVFrame* frame) {
    for (;;) {
      int err = ff::avcodec_send_frame(enc_.get(), frame);
      if (err == AVERROR(EAGAIN)) {
        // The encoder wants its output taken first; it must yield some.
        if (Drain() == 0)
          Fail(fmt::format("Encoder for {} accepts no input and yields no output", description_));
        continue;
      }
      Check(err, fmt::format("Cannot encode {}", description_));
      break;
    }
    Drain();
  }

  // Writes packets until the encoder needs input or has ended; returns their number.
  int Drain() {
    int written = 0;
    AVPacketPtr packet = MakePacket();
    for (;;) {
      int err = ff::avcodec_receive_packet(enc_.get(), packet.get());
      if (err == AVERROR(EAGAIN) || err == AVERROR_EOF) return written;
      Check(err, fmt::format("Cannot encode {}", description_));
      // Pictures last one frame; encoders with a delay do not always say so.
      if (packet->duration == 0 && enc_->codec_type == AVMEDIA_TYPE_VIDEO) packet->duration = 1;
      ff::av_packet_rescale_ts(packet.get(), enc_->time_base, st_->time_base);
      packet->stream_index = st_->index;
      Check(ff::av_interleaved_write_frame(oc_, packet.get()),
            fmt::format("Cannot write a packet of {} to \"{}\"", description_, oc_->url));
      ++written;
    }
  }

  AVFormatContext* oc_;  // owns st_
  AVCodecContextPtr enc_;
  AVStream* st_;
  SourceGraph source_;
  int64_t total_units_;
  int64_t sent_units_ = 0;
  bool finished_ = false;
  std::string description_;
  bool interlaced_;
};

int64_t UnitsIn(double duration_s, AVRational unit) {
  return std::llround(duration_s * unit.den / unit.num);
}

template <typename T>
bool Lists(const T* list, T terminator, T value) {
  if (!list) return true;  // the encoder states no limits
  for (; *list != terminator; ++list)
    if (*list == value) return true;
  return false;
}

}  // namespace

namespace {

std::unique_ptr<ClipTrack> MakePictureTrack(AVFormatContext* oc, const VideoSpec& spec, double duration_s,
                                            int disposition) {
  const std::string description = fmt::format("video stream #{} ({})", oc->nb_streams, spec.codec);
  const AVCodec* codec = FindEncoder(spec.codec, AVMEDIA_TYPE_VIDEO, oc->oformat);
  if (spec.width <= 0 || spec.height <= 0 || spec.rate.num <= 0 || spec.rate.den <= 0)
    Fail(fmt::format("Invalid picture size {}x{} or rate {}/{} for {}", spec.width, spec.height,
                     spec.rate.num, spec.rate.den, description));
  AVPixelFormat pix_fmt = ff::av_get_pix_fmt(spec.pix_fmt.c_str());
  if (pix_fmt == AV_PIX_FMT_NONE)
    Fail(fmt::format("Unknown pixel format \"{}\" for {}", spec.pix_fmt, description));
  if (!Lists(codec->pix_fmts, AV_PIX_FMT_NONE, pix_fmt))
    Fail(fmt::format("Encoder \"{}\" does not take pixel format \"{}\"", spec.codec, spec.pix_fmt));

  AVCodecContextPtr enc = NewEncoderContext(codec, oc->oformat);
  enc->width = spec.width;
  enc->height = spec.height;
  enc->pix_fmt = pix_fmt;
  enc->sample_aspect_ratio = AVRational{1, 1};
  enc->time_base = av_inv_q(spec.rate);
  enc->framerate = spec.rate;
  enc->gop_size = spec.gop;
  enc->max_b_frames = spec.max_b_frames;
  if (spec.bit_rate > 0) enc->bit_rate = spec.bit_rate;
  if (spec.interlaced) {
    enc->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
    enc->field_order = AV_FIELD_TT;
  }
  AVDictionaryPtr options;
  // The fastest settings: clips are made inside tests under sanitizers.
  if (spec.codec == "libx264") ff::av_dict_set(InOutPtr(options), "preset", "ultrafast", 0);
  AVStream* st = OpenEncodedStream(oc, enc.get(), std::move(options), description);
  st->avg_frame_rate = spec.rate;
  st->disposition |= disposition;
  SetLanguage(st, spec.language);
  if (spec.rotation_degrees != 0) {
    uint8_t* matrix = ff::av_stream_new_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, 9 * sizeof(int32_t));
    if (!matrix) Fail("Cannot attach the display matrix to " + description);
    ff::av_display_rotation_set(reinterpret_cast<int32_t*>(matrix), spec.rotation_degrees);
  }

  SourceGraph source(VideoSourceChain(spec.width, spec.height, spec.rate, spec.pix_fmt), AVMEDIA_TYPE_VIDEO,
                     description);
  int64_t frames = UnitsIn(duration_s, enc->time_base);
  const bool interlaced = spec.interlaced;
  return std::make_unique<EncoderTrack>(oc, std::move(enc), st, std::move(source), frames, description,
                                        interlaced);
}

}  // namespace

std::unique_ptr<ClipTrack> MakeVideoTrack(AVFormatContext* oc, const VideoSpec& spec, double duration_s) {
  return MakePictureTrack(oc, spec, duration_s, 0);
}

std::unique_ptr<ClipTrack> MakeCoverArtTrack(AVFormatContext* oc) {
  VideoSpec cover;
  cover.codec = "png";
  cover.pix_fmt = "rgb24";
  cover.width = 160;
  cover.height = 120;
  cover.rate = AVRational{1, 1};
  return MakePictureTrack(oc, cover, 1.0, AV_DISPOSITION_ATTACHED_PIC);  // one picture
}

std::unique_ptr<ClipTrack> MakeAudioTrack(AVFormatContext* oc, const AudioSpec& spec, double duration_s) {
  const std::string description = fmt::format("audio stream #{} ({})", oc->nb_streams, spec.codec);
  const AVCodec* codec = FindEncoder(spec.codec, AVMEDIA_TYPE_AUDIO, oc->oformat);
  if (spec.channels < 1 || spec.channels > 8)
    Fail(fmt::format("{} channels are not supported for {} (1 to 8)", spec.channels, description));
  if (spec.sample_rate <= 0 || !Lists(codec->supported_samplerates, 0, spec.sample_rate))
    Fail(fmt::format("Encoder \"{}\" does not take the sample rate {}", spec.codec, spec.sample_rate));
  AVSampleFormat sample_fmt = AV_SAMPLE_FMT_NONE;
  if (!spec.sample_fmt.empty()) {
    sample_fmt = ff::av_get_sample_fmt(spec.sample_fmt.c_str());
    if (sample_fmt == AV_SAMPLE_FMT_NONE)
      Fail(fmt::format("Unknown sample format \"{}\" for {}", spec.sample_fmt, description));
    if (!Lists(codec->sample_fmts, AV_SAMPLE_FMT_NONE, sample_fmt))
      Fail(fmt::format("Encoder \"{}\" does not take sample format \"{}\"", spec.codec, spec.sample_fmt));
  } else {
    if (!codec->sample_fmts) Fail(fmt::format("Encoder \"{}\" names no sample format", spec.codec));
    sample_fmt = codec->sample_fmts[0];
  }

  AVCodecContextPtr enc = NewEncoderContext(codec, oc->oformat);
  enc->sample_fmt = sample_fmt;
  enc->sample_rate = spec.sample_rate;
  ff::av_channel_layout_default(&enc->ch_layout, spec.channels);
  enc->time_base = AVRational{1, spec.sample_rate};
  if (spec.bit_rate > 0) enc->bit_rate = spec.bit_rate;
  AVStream* st = OpenEncodedStream(oc, enc.get(), nullptr, description);
  SetLanguage(st, spec.language);

  char layout[64] = {};
  ff::av_channel_layout_describe(&enc->ch_layout, layout, sizeof layout);
  SourceGraph source(AudioSourceChain(spec.sample_rate, ff::av_get_sample_fmt_name(sample_fmt), layout),
                     AVMEDIA_TYPE_AUDIO, description);
  if (!(codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) && enc->frame_size > 0)
    source.SetFrameSize(enc->frame_size);
  int64_t samples = UnitsIn(duration_s, enc->time_base);
  return std::make_unique<EncoderTrack>(oc, std::move(enc), st, std::move(source), samples, description);
}

}  // namespace zentrova::test

// Subtitle tracks: one cue per started second, encoded by the container's
// text subtitle encoder (SubRip in Matroska, mov_text in MP4), or as DVD
// bitmap subtitles.
#include <fmt/format.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>
#include <vector>

#include "media/clip_track.h"
#include "media/encoder_setup.h"
#include "media/media_error.h"

namespace zentrova::test {
namespace {

// The text encoders read their styles from an ASS script header.
constexpr std::string_view kScriptHeader =
    "[Script Info]\r\n"
    "ScriptType: v4.00+\r\n"
    "PlayResX: 384\r\n"
    "PlayResY: 288\r\n"
    "\r\n"
    "[V4+ Styles]\r\n"
    "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, "
    "Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, "
    "MarginL, MarginR, MarginV, Encoding\r\n"
    "Style: Default,Arial,16,&Hffffff,&Hffffff,&H0,&H0,0,0,0,0,100,100,0,0,1,1,0,2,10,10,10,0\r\n"
    "\r\n"
    "[Events]\r\n"
    "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n";

constexpr AVRational kMilliseconds{1, 1000};

// The first text codec the container says it carries, else its default
// subtitle codec (Matroska: SubRip rather than its default ASS; MP4: mov_text).
std::string SubtitleEncoderName(const AVOutputFormat* format) {
  AVCodecID id = AV_CODEC_ID_NONE;
  for (AVCodecID candidate : {AV_CODEC_ID_MOV_TEXT, AV_CODEC_ID_SUBRIP, AV_CODEC_ID_WEBVTT, AV_CODEC_ID_ASS})
    if (ff::avformat_query_codec(format, candidate, FF_COMPLIANCE_NORMAL) == 1) {
      id = candidate;
      break;
    }
  if (id == AV_CODEC_ID_NONE) id = format->subtitle_codec;
  if (id == AV_CODEC_ID_NONE)
    Fail(fmt::format("The container format \"{}\" has no subtitle codec", format->name));
  const AVCodec* codec = ff::avcodec_find_encoder(id);
  if (!codec)
    Fail(fmt::format("No encoder for {} subtitles is available in the loaded media libraries",
                     ff::avcodec_get_name(id)));
  return codec->name;
}

// The bitmap cue: a white bar, palette entry 1 (entry 0 is transparent), on a 160x120 canvas.
constexpr int kBarX = 8, kBarY = 88, kBarWidth = 144, kBarHeight = 16;
constexpr int kCanvasWidth = 160, kCanvasHeight = 120;

class SubtitleTrack final : public ClipTrack {
 public:
  SubtitleTrack(AVFormatContext* oc, AVCodecContextPtr enc, AVStream* st, double duration_s,
                std::string description, TSubtitleKind kind)
      : oc_(oc),
        enc_(std::move(enc)),
        st_(st),
        kind_(kind),
        duration_ms_(std::llround(duration_s * 1000)),
        cues_((duration_ms_ + 999) / 1000),
        description_(std::move(description)) {}

  double NextTime() const override {
    return Finished() ? std::numeric_limits<double>::infinity() : static_cast<double>(next_cue_);
  }
  bool Finished() const override { return next_cue_ >= cues_; }
  AVStream* Stream() const override { return st_; }

  void Step() override {
    if (Finished()) return;
    const int64_t start_ms = next_cue_ * 1000;
    const int64_t length_ms = std::min<int64_t>(1000, duration_ms_ - start_ms);
    // A decoded ASS event line: ReadOrder, Layer, Style, Name, margins, Effect, Text.
    std::string line = fmt::format("{},0,Default,,0,0,0,,Subtitle {}", next_cue_, next_cue_ + 1);
    AVSubtitleRect rect{};
    std::vector<uint8_t> pixels(kBarWidth * kBarHeight, 1);
    uint32_t palette[4] = {0x00000000, 0xffffffff, 0xff000000, 0xff808080};  // ARGB
    if (kind_ == TSubtitleKind::Text) {
      rect.type = SUBTITLE_ASS;
      rect.ass = line.data();
    } else {
      rect.type = SUBTITLE_BITMAP;
      rect.x = kBarX;
      rect.y = kBarY;
      rect.w = kBarWidth;
      rect.h = kBarHeight;
      rect.nb_colors = 4;
      rect.data[0] = pixels.data();
      rect.linesize[0] = kBarWidth;
      rect.data[1] = reinterpret_cast<uint8_t*>(palette);
    }
    AVSubtitleRect* rects[] = {&rect};
    AVSubtitle cue{};
    cue.num_rects = 1;
    cue.rects = rects;
    cue.start_display_time = 0;
    cue.end_display_time = static_cast<uint32_t>(length_ms);
    cue.pts = ff::av_rescale_q(start_ms, kMilliseconds, AV_TIME_BASE_Q);

    std::vector<uint8_t> buffer(4096);
    int size =
        Check(ff::avcodec_encode_subtitle(enc_.get(), buffer.data(), static_cast<int>(buffer.size()), &cue),
              "Cannot encode a cue of " + description_);
    AVPacketPtr packet = MakePacket();
    Check(ff::av_new_packet(packet.get(), size), "Cannot allocate a packet for " + description_);
    std::memcpy(packet->data, buffer.data(), static_cast<size_t>(size));
    packet->pts = packet->dts = ff::av_rescale_q(start_ms, kMilliseconds, st_->time_base);
    packet->duration = ff::av_rescale_q(length_ms, kMilliseconds, st_->time_base);
    packet->stream_index = st_->index;
    Check(ff::av_interleaved_write_frame(oc_, packet.get()),
          fmt::format("Cannot write a cue of {} to \"{}\"", description_, oc_->url));
    ++next_cue_;
  }

 private:
  AVFormatContext* oc_;  // owns st_
  AVCodecContextPtr enc_;
  AVStream* st_;
  TSubtitleKind kind_;
  int64_t duration_ms_;
  int64_t cues_;
  int64_t next_cue_ = 0;
  std::string description_;
};

}  // namespace

std::unique_ptr<ClipTrack> MakeSubtitleTrack(AVFormatContext* oc, int number, double duration_s,
                                             TSubtitleKind kind) {
  const std::string name = kind == TSubtitleKind::Text ? SubtitleEncoderName(oc->oformat) : "dvdsub";
  const std::string description = fmt::format("subtitle stream #{} ({})", oc->nb_streams, name);
  const AVCodec* codec = FindEncoder(name, AVMEDIA_TYPE_SUBTITLE, oc->oformat);
  AVCodecContextPtr enc = NewEncoderContext(codec, oc->oformat);
  enc->time_base = kMilliseconds;
  if (kind == TSubtitleKind::Bitmap) {
    enc->width = kCanvasWidth;
    enc->height = kCanvasHeight;
  }
  enc->subtitle_header = reinterpret_cast<uint8_t*>(ff::av_strdup(std::string(kScriptHeader).c_str()));
  if (!enc->subtitle_header) Fail("Cannot allocate the script header for " + description);
  enc->subtitle_header_size = static_cast<int>(kScriptHeader.size());
  AVStream* st = OpenEncodedStream(oc, enc.get(), nullptr, description);
  st->time_base = kMilliseconds;
  ff::av_dict_set(&st->metadata, "title", fmt::format("Subtitles {}", number + 1).c_str(), 0);
  return std::make_unique<SubtitleTrack>(oc, std::move(enc), st, duration_s, description, kind);
}

}  // namespace zentrova::test

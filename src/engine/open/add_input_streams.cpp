// The stream records of an input being opened.
#include <climits>
#include <fmt/format.h>
#include <memory>

#include "engine/options/hwaccel_methods.h"
#include "engine/open/add_input_streams.h"
#include "engine/options/stream_value_parsers.h"
#include "options/stream_options.h"

namespace zentrova {

const AVCodec* ChooseDecoder(TCustomFFmpegOpt& engine, TFileOptionContext& o, AVFormatContext* s,
                             AVStream* st) {
  std::string codec_name;
  engine.GetStreamValue(s, st, o.codec, codec_name);
  if (!codec_name.empty()) {
    const AVCodec* codec = engine.FindCodec(codec_name, st->codecpar->codec_type, TCodecWanted::Decoder);
    st->codecpar->codec_id = codec->id;
    return codec;
  }
  return ff::avcodec_find_decoder(st->codecpar->codec_id);
}

bool GuessInputChannelLayout(TCustomFFmpegOpt& engine, TInputStream& ist) {
  AVCodecContext* dec = ist.dec_ctx.get();
  if (dec->ch_layout.order != AV_CHANNEL_ORDER_UNSPEC) return true;
  const int channels = dec->ch_layout.nb_channels;
  if (channels > ist.guess_layout_max) return false;
  AVChannelLayout guess{};
  ff::av_channel_layout_default(&guess, channels);
  // Nine or more channels (and none) have no default: the order stays unspecified.
  if (guess.order == AV_CHANNEL_ORDER_UNSPEC) return false;
  ff::av_channel_layout_uninit(&dec->ch_layout);
  dec->ch_layout = guess;
  char description[256];
  if (ff::av_channel_layout_describe(&dec->ch_layout, description, sizeof description) < 0)
    description[0] = 0;
  engine.Log(TLogLevel::llWarning, fmt::format("Guessed Channel Layout for Input Stream #{}.{} : {}",
                                               ist.file_index, ist.st->index, description));
  return true;
}

namespace {

// The per-type part of a stream record (video, audio, subtitle and data).
void BindVideoOptions(TCustomFFmpegOpt& engine, TFileOptionContext& o, AVFormatContext* ic,
                      TInputStream& ist) {
  AVStream* st = ist.st;
  if (!ist.avdec) ist.avdec = ff::avcodec_find_decoder(st->codecpar->codec_id);
  ist.resample_height = ist.dec_ctx->height;
  ist.resample_width = ist.dec_ctx->width;
  ist.resample_pix_fmt = ist.dec_ctx->pix_fmt;

  std::string framerate;
  engine.GetStreamValue(ic, st, o.r, framerate);
  if (!framerate.empty() && ff::av_parse_video_rate(&ist.framerate, framerate.c_str()) < 0) {
    engine.RaiseErrorFmt("Error parsing framerate {}.", framerate);
  }

  ist.top_field_first = -1;
  engine.GetStreamValue(ic, st, o.top, ist.top_field_first);

  std::string hwaccel;
  engine.GetStreamValue(ic, st, o.hwaccel, hwaccel);
  if (!hwaccel.empty()) {
    if (hwaccel == "none") {
      ist.hwaccel_id = THWAccelID::HWACCEL_NONE;
    } else if (hwaccel == "auto") {
      ist.hwaccel_id = THWAccelID::HWACCEL_AUTO;
    } else if (const THWAccel* method = FindHwaccelByName(hwaccel)) {
      ist.hwaccel_id = method->id;
    } else {
      std::string message = fmt::format("Unrecognized hwaccel: {}.\r\nSupported hwaccels:", hwaccel);
      for (const THWAccel& known : HwaccelMethods()) message += fmt::format(" {}", known.name);
      engine.RaiseError(message);
    }
  }
  engine.GetStreamValue(ic, st, o.hwaccel_device, ist.hwaccel_device);

  std::string output_format;
  engine.GetStreamValue(ic, st, o.hwaccel_output_format, output_format);
  ist.hwaccel_output_format = AV_PIX_FMT_NONE;
  if (!output_format.empty()) {
    ist.hwaccel_output_format = ff::av_get_pix_fmt(output_format.c_str());
    if (ist.hwaccel_output_format == AV_PIX_FMT_NONE) {
      engine.Log(TLogLevel::llFatal, fmt::format("Unrecognised hwaccel output format: {}", output_format));
    }
  }
  ist.hwaccel_pix_fmt = AV_PIX_FMT_NONE;
}

void BindAudioOptions(TCustomFFmpegOpt& engine, TFileOptionContext& o, AVFormatContext* ic,
                      TInputStream& ist) {
  ist.guess_layout_max = INT_MAX;
  engine.GetStreamValue(ic, ist.st, o.guess_layout_max, ist.guess_layout_max);
  GuessInputChannelLayout(engine, ist);
  ist.resample_sample_fmt = ist.dec_ctx->sample_fmt;
  ist.resample_sample_rate = ist.dec_ctx->sample_rate;
  if (ff::av_channel_layout_copy(&ist.resample_ch_layout, &ist.dec_ctx->ch_layout) < 0) {
    engine.RaiseError("av_channel_layout_copy() failed");
  }
}

void BindSubtitleOptions(TCustomFFmpegOpt& engine, TFileOptionContext& o, AVFormatContext* ic,
                         TInputStream& ist) {
  if (!ist.avdec) ist.avdec = ff::avcodec_find_decoder(ist.st->codecpar->codec_id);
  engine.GetStreamValue(ic, ist.st, o.fix_sub_duration, ist.fix_sub_duration);
  std::string canvas_size;
  engine.GetStreamValue(ic, ist.st, o.canvas_size, canvas_size);
  if (!canvas_size.empty() &&
      ff::av_parse_video_size(&ist.dec_ctx->width, &ist.dec_ctx->height, canvas_size.c_str()) < 0) {
    engine.RaiseErrorFmt("Invalid canvas size: {}.", canvas_size);
  }
}

}  // namespace

void AddInputStreams(TCustomFFmpegOpt& engine, TFileOptionContext& o, AVFormatContext* ic) {
  const AVDictionary* codec_opts = o.group->codec_opts.get();
  for (unsigned i = 0; i < ic->nb_streams; ++i) {
    AVStream* st = ic->streams[i];
    AVCodecParameters* par = st->codecpar;
    engine.Finput_streams.push_back(std::make_unique<TInputStream>());
    TInputStream& ist = *engine.Finput_streams.back();
    ist.st = st;
    ist.file_index = static_cast<int>(engine.Finput_files.size());
    ist.discard = 1;
    st->discard = AVDISCARD_ALL;
    engine.GetStreamValue(ic, st, o.itsscale, ist.ts_scale);
    engine.GetStreamValue(ic, st, o.autorotate, ist.autorotate);

    std::string codec_tag;
    engine.GetStreamValue(ic, st, o.tag, codec_tag);
    if (!codec_tag.empty()) par->codec_tag = ParseCodecTag(codec_tag);

    ist.avdec = ChooseDecoder(engine, o, ic, st);
    ist.decoder_opts = filter_stream_options(codec_opts, par->codec_id, ic, st, ist.avdec);

    engine.GetStreamValue(ic, st, o.reinit_filter, ist.reinit_filters);

    std::string discard;
    engine.GetStreamValue(ic, st, o.discard, discard);
    if (!discard.empty()) {
      // The level is read as the decoder option "skip_frame" would read it;
      // no decoder context exists yet, so the codec class stands in for one.
      const AVClass* codec_class = ff::avcodec_get_class();
      const AVOption* skip_frame = ff::av_opt_find(&codec_class, "skip_frame", nullptr, 0, 0);
      int level = AVDISCARD_NONE;
      if (!skip_frame || ff::av_opt_eval_int(&codec_class, skip_frame, discard.c_str(), &level) < 0) {
        engine.RaiseErrorFmt("Error parsing discard {}.", discard);
      }
      ist.user_set_discard = level;
    }

    ist.dec_ctx.reset(ff::avcodec_alloc_context3(ist.avdec));
    if (!ist.dec_ctx) engine.RaiseError("Error allocating the decoder context.");
    if (ff::avcodec_parameters_to_context(ist.dec_ctx.get(), par) < 0) {
      engine.RaiseError("Error initializing the decoder context.");
    }
    ist.dec_ctx->pkt_timebase = st->time_base;

    switch (par->codec_type) {
      case AVMEDIA_TYPE_VIDEO:
        BindVideoOptions(engine, o, ic, ist);
        break;
      case AVMEDIA_TYPE_AUDIO:
        BindAudioOptions(engine, o, ic, ist);
        break;
      case AVMEDIA_TYPE_DATA:
      case AVMEDIA_TYPE_SUBTITLE:
        BindSubtitleOptions(engine, o, ic, ist);
        break;
      case AVMEDIA_TYPE_ATTACHMENT:
      case AVMEDIA_TYPE_UNKNOWN:
        break;
      default:
        engine.RaiseError("Never occur");
    }
  }
}

// The record holds these library objects without a smart pointer of their own.
TInputStream::~TInputStream() {
  // Only what was filled needs the library (a record that never got one
  // must not depend on the library still being bound).
  if (prev_sub.subtitle.rects || prev_sub.subtitle.num_rects) ff::avsubtitle_free(&prev_sub.subtitle);
  if (resample_ch_layout.order == AV_CHANNEL_ORDER_CUSTOM) ff::av_channel_layout_uninit(&resample_ch_layout);
}

}  // namespace zentrova

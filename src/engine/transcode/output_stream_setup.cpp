// The parameters of each output stream, decided by transcode_init: a copied
// stream takes its source's parameters (re-timed for the container), an
// encoded one takes them from its filter graph's output.
#include <fmt/format.h>
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/custom_ffmpeg.h"
#include "engine/transcode/forced_key_frames.h"
#include "engine/transcode/video_sync.h"
#include "log/logger.h"
#include "options/stream_options.h"

namespace zentrova {
namespace {

// The disposition flags the per-stream option "disposition" accepts.
const char* DispositionClassName(void*) {
  return "disposition";
}
constexpr AVOption kDispositionOptions[] = {
    {"disposition", nullptr, 0, AV_OPT_TYPE_FLAGS, {.i64 = 0}, 0, INT_MAX, 0, "flags"},
    {"default", nullptr, 0, AV_OPT_TYPE_CONST, {.i64 = AV_DISPOSITION_DEFAULT}, 0, 0, 0, "flags"},
    {"dub", nullptr, 0, AV_OPT_TYPE_CONST, {.i64 = AV_DISPOSITION_DUB}, 0, 0, 0, "flags"},
    {"original", nullptr, 0, AV_OPT_TYPE_CONST, {.i64 = AV_DISPOSITION_ORIGINAL}, 0, 0, 0, "flags"},
    {"comment", nullptr, 0, AV_OPT_TYPE_CONST, {.i64 = AV_DISPOSITION_COMMENT}, 0, 0, 0, "flags"},
    {"lyrics", nullptr, 0, AV_OPT_TYPE_CONST, {.i64 = AV_DISPOSITION_LYRICS}, 0, 0, 0, "flags"},
    {"karaoke", nullptr, 0, AV_OPT_TYPE_CONST, {.i64 = AV_DISPOSITION_KARAOKE}, 0, 0, 0, "flags"},
    {"forced", nullptr, 0, AV_OPT_TYPE_CONST, {.i64 = AV_DISPOSITION_FORCED}, 0, 0, 0, "flags"},
    {"hearing_impaired",
     nullptr,
     0,
     AV_OPT_TYPE_CONST,
     {.i64 = AV_DISPOSITION_HEARING_IMPAIRED},
     0,
     0,
     0,
     "flags"},
    {"visual_impaired",
     nullptr,
     0,
     AV_OPT_TYPE_CONST,
     {.i64 = AV_DISPOSITION_VISUAL_IMPAIRED},
     0,
     0,
     0,
     "flags"},
    {"clean_effects", nullptr, 0, AV_OPT_TYPE_CONST, {.i64 = AV_DISPOSITION_CLEAN_EFFECTS}, 0, 0, 0, "flags"},
    {"captions", nullptr, 0, AV_OPT_TYPE_CONST, {.i64 = AV_DISPOSITION_CAPTIONS}, 0, 0, 0, "flags"},
    {"descriptions", nullptr, 0, AV_OPT_TYPE_CONST, {.i64 = AV_DISPOSITION_DESCRIPTIONS}, 0, 0, 0, "flags"},
    {"metadata", nullptr, 0, AV_OPT_TYPE_CONST, {.i64 = AV_DISPOSITION_METADATA}, 0, 0, 0, "flags"},
    {nullptr, nullptr, 0, AV_OPT_TYPE_FLAGS, {.i64 = 0}, 0, 0, 0, nullptr},
};
const AVClass kDispositionClass = {
    .class_name = "",
    .item_name = DispositionClassName,
    .option = kDispositionOptions,
    .version = LIBAVUTIL_VERSION_INT,
    .log_level_offset_offset = 0,
    .parent_log_context_offset = 0,
    .category = AV_CLASS_CATEGORY_NA,
    .get_category = nullptr,
    .query_ranges = nullptr,
    .child_next = nullptr,
    .child_class_iterate = nullptr,
};

}  // namespace

int TCustomFFmpeg::apply_disposition(TOutputStream& ost) {
  if (ost.disposition.empty()) return 0;
  const AVClass* object = &kDispositionClass;
  const AVOption* option = ff::av_opt_find(&object, "disposition", nullptr, 0, 0);
  int flags = 0;
  const int ret = ff::av_opt_eval_flags(&object, option, ost.disposition.c_str(), &flags);
  if (ret < 0) return ret;
  ost.st->disposition = flags;
  return 0;
}

TCustomFFmpeg::TInitStep TCustomFFmpeg::init_output_stream_params(TOutputStream& ost) {
  if (!ost.attachment_filename.empty()) return {};
  TInputStream* ist =
      ost.source_index >= 0 ? Finput_streams[static_cast<std::size_t>(ost.source_index)].get() : nullptr;
  if (IsLaterJoinBlock(ost) && ost.encoding_needed) return init_join_block_encode(ost, ist);
  const AVMediaType type = ost.st->codecpar->codec_type;
  if (ist) {
    ost.st->disposition = ist->st->disposition;
    if (ist->dec_ctx && !ost.stream_copy) {
      ost.enc_ctx->bits_per_raw_sample = ist->dec_ctx->bits_per_raw_sample;
      ost.enc_ctx->chroma_sample_location = ist->dec_ctx->chroma_sample_location;
    }
  } else if (type == AVMEDIA_TYPE_VIDEO || type == AVMEDIA_TYPE_AUDIO) {
    const TOutputFile& of = *Foutput_files[static_cast<std::size_t>(ost.file_index)];
    bool alone = true;
    for (unsigned j = 0; j < of.ctx->nb_streams; ++j)
      if (of.ctx->streams[j] != ost.st && of.ctx->streams[j]->codecpar->codec_type == type) alone = false;
    if (alone) ost.st->disposition = AV_DISPOSITION_DEFAULT;
  }
  TInitStep step;
  if (ost.stream_copy && ist && !ost.filter)
    step = init_output_stream_copy(ost, *ist);
  else
    step = init_output_stream_encode(ost, ist);
  if (step.ret < 0) return step;
  if (ost.rotate_overridden) {
    step.ret = set_rotation_override(ost);
    if (step.ret < 0) return {step.ret, "av_malloc() failed", false};
  }
  step.ret = apply_disposition(ost);
  return step;
}

// "-metadata:s:v rotate=N" asks players to turn the picture N degrees
// clockwise. The muxers of this library generation ignore the tag and store
// the stream's display matrix, so the tag becomes one (a copied stream did
// not take its source's matrix). An emptied tag ("rotate=") leaves the
// stream without a matrix: shown as coded.
int TCustomFFmpeg::set_rotation_override(TOutputStream& ost) {
  const AVDictionaryEntry* tag = ff::av_dict_get(ost.st->metadata, "rotate", nullptr, 0);
  if (!tag) return 0;
  const std::optional<double> clockwise = rotate_tag_degrees(tag->value);
  if (!clockwise) {
    Log(TLogLevel::llWarning,
        fmt::format("Invalid rotate value {} for output stream #{}:{}: not a number of degrees; ignored.",
                    tag->value, ost.file_index, ost.index));
    return 0;
  }
  auto* matrix = reinterpret_cast<std::int32_t*>(
      ff::av_stream_new_side_data(ost.st, AV_PKT_DATA_DISPLAYMATRIX, 9 * sizeof(std::int32_t)));
  if (!matrix) return AVERROR(ENOMEM);
  // The setter takes the clockwise angle; the getter answers counter-clockwise.
  ff::av_display_rotation_set(matrix, *clockwise);
  return 0;
}

TCustomFFmpeg::TInitStep TCustomFFmpeg::init_output_stream_copy(TOutputStream& ost, TInputStream& ist) {
  auto fail = [this](int code, const char* text) {
    FLastErrMsg = text;
    return TInitStep{code, {}, true};
  };
  AVCodecParameters* par = ost.st->codecpar;
  const AVCodecParameters* src = ist.st->codecpar;
  const AVFormatContext* oc = Foutput_files[static_cast<std::size_t>(ost.file_index)]->ctx.get();
  if (static_cast<std::int64_t>(src->extradata_size) + AV_INPUT_BUFFER_PADDING_SIZE > INT_MAX)
    return fail(AVERROR(EINVAL), "icodec.extradata_size is invalid (too large)");

  // The codec tag: the one given (-tag), else the source's when the
  // container would read it back as the same codec.
  unsigned codec_tag = par->codec_tag;
  if (!codec_tag) {
    unsigned tag_back = 0;
    const AVCodecTag* const* tags = oc->oformat->codec_tag;
    if (!tags || ff::av_codec_get_id(tags, src->codec_tag) == src->codec_id ||
        !ff::av_codec_get_tag2(tags, src->codec_id, &tag_back))
      codec_tag = src->codec_tag;
  }
  if (ff::avcodec_parameters_copy(par, src) < 0) return fail(AVERROR(ENOMEM), "av_mallocz() failed");
  par->codec_tag = codec_tag;

  // Time base: the container's rules for copied streams (avi ticks,
  // constant-rate muxers, timecode tracks), or the forced frame rate.
  if (!ost.frame_rate.num) ost.frame_rate = ist.framerate;
  ost.st->avg_frame_rate = ost.frame_rate.num ? ost.frame_rate : ist.st->avg_frame_rate;
  const int transferred = ff::avformat_transfer_internal_stream_timing_info(
      oc->oformat, ost.st, ist.st, static_cast<AVTimebaseSource>(Fcopy_tb));
  if (transferred < 0) return fail(transferred, "av_mallocz() failed");
  AVRational tb = ost.frame_rate.num ? av_inv_q(ost.frame_rate) : ff::av_stream_get_codec_timebase(ost.st);
  if (tb.num <= 0 || tb.den <= 0) tb = ist.st->time_base;
  ff::av_reduce(&tb.num, &tb.den, tb.num, tb.den, INT_MAX);
  ost.st->time_base = tb;

  for (int i = 0; i < ist.st->nb_side_data; ++i) {
    const AVPacketSideData& sd = ist.st->side_data[i];
    if (sd.type == AV_PKT_DATA_DISPLAYMATRIX && ost.rotate_overridden) continue;
    std::uint8_t* dst = ff::av_stream_new_side_data(ost.st, sd.type, sd.size);
    if (!dst) return fail(AVERROR(ENOMEM), "av_malloc() failed");
    std::memcpy(dst, sd.data, sd.size);
  }

  switch (par->codec_type) {
    case AVMEDIA_TYPE_AUDIO:
      if (Faudio_volume != 256)
        return fail(AVERROR(EINVAL), "-acodec copy and -vol are incompatible (frames are not decoded)");
      if (AudioHookAssigned())
        return fail(AVERROR(EINVAL), "-acodec copy and AudioHook are incompatible (frames are not decoded)");
      if ((par->block_align == 1 || par->block_align == 1152 || par->block_align == 576) &&
          par->codec_id == AV_CODEC_ID_MP3)
        par->block_align = 0;
      if (par->codec_id == AV_CODEC_ID_AC3) par->block_align = 0;
      break;
    case AVMEDIA_TYPE_VIDEO: {
      if (VideoHookAssigned())
        return fail(AVERROR(EINVAL), "-vcodec copy and VideoHook are incompatible (frames are not decoded)");
      if (FrameHookAssigned())
        return fail(AVERROR(EINVAL), "-vcodec copy and FrameHook are incompatible (frames are not decoded)");
      if (PostHooksRequested())
        return fail(AVERROR(EINVAL), "-vcodec copy and Preview are incompatible (frames are not decoded)");
      AVRational sar;
      if (ost.frame_aspect_ratio.num) {
        sar = ff::av_mul_q(ost.frame_aspect_ratio, AVRational{par->height, par->width});
        Log(TLogLevel::llWarning, "Overriding aspect ratio with stream copy may produce invalid files");
      } else if (ist.st->sample_aspect_ratio.num) {
        sar = ist.st->sample_aspect_ratio;
      } else {
        sar = src->sample_aspect_ratio;
      }
      par->sample_aspect_ratio = ost.st->sample_aspect_ratio = sar;
      ost.st->r_frame_rate = ist.st->r_frame_rate;
      break;
    }
    case AVMEDIA_TYPE_SUBTITLE:
    case AVMEDIA_TYPE_DATA:
    case AVMEDIA_TYPE_ATTACHMENT:
      break;
    default:
      return fail(-1, "invalid codec_type of output stream");
  }
  return {};
}

TCustomFFmpeg::TInitStep TCustomFFmpeg::init_output_stream_encode(TOutputStream& ost, TInputStream* ist) {
  AVCodecContext* enc = ost.enc_ctx.get();
  TOutputFile& of = *Foutput_files[static_cast<std::size_t>(ost.file_index)];
  const AVFormatContext* oc = of.ctx.get();
  if (!ost.enc) {
    return {AVERROR(EINVAL),
            fmt::format("Encoder (codec {}) not found for output stream #{}:{}",
                        ff::avcodec_get_name(ost.st->codecpar->codec_id), ost.file_index, ost.index),
            false};
  }
  tag_encoder_name(of, ost);
  if (ist && setup_qsv_transcode(ost, *ist) < 0) RaiseError("Error initializing qsv transcode");

  const AVMediaType type = enc->codec_type;
  configure_simple_graph(ost, ist);
  AVFilterContext* sink = ost.filter ? ost.filter->filter : nullptr;

  if (type == AVMEDIA_TYPE_VIDEO) {
    if (!ost.frame_rate.num && sink) ost.frame_rate = ff::av_buffersink_get_frame_rate(sink);
    if (!ost.frame_rate.num && ist) ost.frame_rate = ist->framerate;
    if (!ost.frame_rate.num && ist) ost.frame_rate = ist->st->r_frame_rate;
    if (!ost.frame_rate.num) {
      ost.frame_rate = {25, 1};
      Log(TLogLevel::llWarning,
          fmt::format(
              "No information about the input framerate is available. Falling back to a default value of "
              "25fps for output stream #{}:{}. Use the -r option if you want a different framerate.",
              ost.file_index, ost.index));
    }
    if (ost.enc->supported_framerates && !ost.force_fps) {
      const int idx = ff::av_find_nearest_q_idx(ost.frame_rate, ost.enc->supported_framerates);
      ost.frame_rate = ost.enc->supported_framerates[idx];
    }
    if (enc->codec_id == AV_CODEC_ID_MPEG4)
      ff::av_reduce(&ost.frame_rate.num, &ost.frame_rate.den, ost.frame_rate.num, ost.frame_rate.den, 65535);
  }

  switch (type) {
    case AVMEDIA_TYPE_AUDIO:
      enc->sample_fmt = static_cast<AVSampleFormat>(ff::av_buffersink_get_format(sink));
      enc->sample_rate = ff::av_buffersink_get_sample_rate(sink);
      ff::av_channel_layout_uninit(&enc->ch_layout);
      if (ff::av_buffersink_get_ch_layout(sink, &enc->ch_layout) < 0) RaiseError("Error opening filters!");
      enc->time_base = AVRational{1, enc->sample_rate};
      break;
    case AVMEDIA_TYPE_VIDEO: {
      enc->time_base = av_inv_q(ost.frame_rate);
      if (!(enc->time_base.num && enc->time_base.den)) enc->time_base = ff::av_buffersink_get_time_base(sink);
      const int method = Fvideo_sync_method;
      if (av_q2d(enc->time_base) < 0.001 && method != VSYNC_PASSTHROUGH &&
          (method == VSYNC_CFR || method == VSYNC_VSCFR ||
           (method == VSYNC_AUTO && !(oc->oformat->flags & AVFMT_VARIABLE_FPS))))
        Log(TLogLevel::llWarning,
            "Frame rate very high for a muxer not efficiently supporting it.\nPlease consider specifying a "
            "lower "
            "framerate, a different muxer or -vsync 2");
      enc->framerate = ost.frame_rate;
      enc->width = ff::av_buffersink_get_w(sink);
      enc->height = ff::av_buffersink_get_h(sink);
      const AVRational sar = ost.frame_aspect_ratio.num
                                 ? ff::av_mul_q(ost.frame_aspect_ratio, AVRational{enc->height, enc->width})
                                 : ff::av_buffersink_get_sample_aspect_ratio(sink);
      enc->sample_aspect_ratio = ost.st->sample_aspect_ratio = sar;
      const auto filtered = static_cast<AVPixelFormat>(ff::av_buffersink_get_format(sink));
      if (enc->pix_fmt == AV_PIX_FMT_NONE && filtered != AV_PIX_FMT_YUV420P) {
        const char* name = ff::av_get_pix_fmt_name(filtered);
        const std::string_view encoder = ost.enc->name;
        const char* kind = encoder.starts_with("libx264")      ? "H.264"
                           : encoder.starts_with("mpeg2video") ? "MPEG-2"
                                                               : nullptr;
        if (kind)
          Log(TLogLevel::llWarning,
              fmt::format("No pixel format specified, {} for {} encoding chosen.\r\nUse -pix_fmt yuv420p for "
                          "compatibility with outdated media players.",
                          name ? name : "?", kind));
      }
      enc->pix_fmt = filtered;
      ost.st->avg_frame_rate = ost.frame_rate;
      if (!ist || !ist->dec_ctx || enc->width != ist->dec_ctx->width || enc->height != ist->dec_ctx->height ||
          enc->pix_fmt != ist->dec_ctx->pix_fmt)
        enc->bits_per_raw_sample = Fframe_bits_per_raw_sample;
      return init_forced_key_frames(ost);
    }
    case AVMEDIA_TYPE_SUBTITLE:
      enc->time_base = AVRational{1, 1000};
      if (!enc->width && ist && ist->dec_ctx) {
        enc->width = ist->dec_ctx->width;
        enc->height = ist->dec_ctx->height;
      }
      break;
    case AVMEDIA_TYPE_DATA:
      break;
    default:
      FLastErrMsg = "invalid codec_type of output stream";
      return {-1, {}, true};
  }
  return {};
}

void TCustomFFmpeg::configure_simple_graph(TOutputStream& ost, TInputStream* ist) {
  const AVMediaType type = ost.enc_ctx->codec_type;
  if ((type != AVMEDIA_TYPE_VIDEO && type != AVMEDIA_TYPE_AUDIO) || ost.filter) return;
  if (!ist) RaiseError("Error opening filters!");
  std::unique_lock graph_lock(FGraphLock);
  TFilterGraph* fg = InitSimpleFilterGraph(ist, &ost);
  const bool configured = fg && ConfigureFilterGraph(fg) >= 0;
  graph_lock.unlock();
  if (!configured) RaiseError("Error opening filters!");
}

TCustomFFmpeg::TInitStep TCustomFFmpeg::init_forced_key_frames(TOutputStream& ost) {
  if (ost.forced_keyframes.starts_with("expr:")) {
    const int ret =
        ff::av_expr_parse(OutPtr(ost.forced_keyframes_pexpr), ost.forced_keyframes.c_str() + 5,
                          kForcedKeyframesConstNames, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    if (ret < 0) {
      Log(TLogLevel::llError,
          fmt::format("Invalid force_key_frames expression \"{}\"", ost.forced_keyframes.substr(5)));
      return {ret, {}, true};
    }
    double* values = ost.forced_keyframes_expr_const_values;
    values[FKF_N] = values[FKF_N_FORCED] = 0;
    values[FKF_PREV_FORCED_N] = values[FKF_PREV_FORCED_T] = NAN;
  } else if (!ost.forced_keyframes.empty() && !ost.forced_keyframes.starts_with("source")) {
    parse_key_frame_times(ost.forced_keyframes, ost, ost.enc_ctx.get());
  }
  return {};
}

void TCustomFFmpeg::parse_key_frame_times(const std::string& list, TOutputStream& ost,
                                          AVCodecContext* avctx) {
  const AVFormatContext* oc = Foutput_files[static_cast<std::size_t>(ost.file_index)]->ctx.get();
  std::vector<TChapterStart> chapters;
  for (unsigned i = 0; i < oc->nb_chapters; ++i)
    chapters.push_back({oc->chapters[i]->start, oc->chapters[i]->time_base});
  std::vector<std::int64_t> times;
  try {
    times = ParseKeyFrameTimes(list, chapters, avctx->time_base);
  } catch (const std::bad_alloc&) {
    RaiseError("Could not allocate forced key frames array.");
  } catch (const std::exception& e) {
    RaiseError(e.what());
  }
  ost.forced_kf_pts = std::move(times);
  ost.forced_kf_count = static_cast<int>(ost.forced_kf_pts.size());
  ost.forced_kf_index = 0;
}

}  // namespace zentrova

// Video output streams: rate, aspect, size, pixel format, quantiser
// matrices, rate-control overrides, two-pass logs, key frames, filters.
#include <cstdio>
#include <fmt/format.h>

#include "engine/open/new_output_streams.h"
#include "engine/options/stream_value_parsers.h"
#include "options/dictionary.h"

namespace zentrova {

namespace {

// Lets a matrix option of the stream fill the encoder's matrix field.
void BindMatrix(TCustomFFmpegOpt& engine, AVFormatContext* oc, AVStream* st,
                const TSpecifierList<std::string>& option, std::uint16_t*& field,
                const char* allocation_error) {
  std::string text;
  engine.GetStreamValue(oc, st, option, text);
  if (text.empty()) return;
  if (!field) field = static_cast<std::uint16_t*>(ff::av_mallocz(sizeof(std::uint16_t) * 64));
  if (!field) engine.RaiseError(allocation_error);
  ParseMatrix(engine, field, text);
}

void BindRcOverride(TCustomFFmpegOpt& engine, AVCodecContext* enc, const std::string& text) {
  const std::optional<std::vector<TRcOverride>> overrides = ParseRcOverride(text);
  if (!overrides) engine.RaiseError("error parsing rc_override");
  void* memory = ff::av_realloc_array(enc->rc_override, overrides->size(), sizeof(RcOverride));
  if (!memory) engine.RaiseError("Could not (re)allocate memory for rc_override.");
  enc->rc_override = static_cast<RcOverride*>(memory);
  for (std::size_t i = 0; i < overrides->size(); ++i) {
    enc->rc_override[i].start_frame = (*overrides)[i].start_frame;
    enc->rc_override[i].end_frame = (*overrides)[i].end_frame;
    enc->rc_override[i].qscale = (*overrides)[i].qscale;
    enc->rc_override[i].quality_factor = (*overrides)[i].quality_factor;
  }
  enc->rc_override_count = static_cast<int>(overrides->size());
}

// -pass: the encoder's pass flags and its statistics log, named by the
// stream's index in the output so that two video streams never share one.
void BindTwoPass(TCustomFFmpegOpt& engine, TOutputStream& ost, int do_pass) {
  AVCodecContext* enc = ost.enc_ctx.get();
  if (do_pass & 1) {
    enc->flags |= AV_CODEC_FLAG_PASS1;
    DictSet(ost.encoder_opts, "flags", "+pass1", AV_DICT_APPEND);
  }
  if (do_pass & 2) {
    enc->flags |= AV_CODEC_FLAG_PASS2;
    DictSet(ost.encoder_opts, "flags", "+pass2", AV_DICT_APPEND);
  }
  if (!do_pass) return;

  const std::string log_name =
      fmt::format("{}-{}.log", ost.logfile_prefix.empty() ? "derodorir2pass" : ost.logfile_prefix, ost.index);
  if (ost.enc && std::string_view(ost.enc->name) == "libx264") {
    DictSet(ost.encoder_opts, "stats", log_name, AV_DICT_DONT_OVERWRITE);
    return;
  }
  if (enc->flags & AV_CODEC_FLAG_PASS2) {
    const std::optional<std::string> log = engine.ReadTextFile(log_name);
    if (!log) engine.RaiseErrorFmt("Error reading log file \"{}\" for pass-2 encoding", log_name);
    ff::av_freep(&enc->stats_in);
    enc->stats_in = ff::av_strdup(log->c_str());
    if (!enc->stats_in) engine.RaiseError("av_strdup() failed");
  }
  if (enc->flags & AV_CODEC_FLAG_PASS1) {
    std::FILE* file = std::fopen(log_name.c_str(), "wb");
    if (!file) engine.RaiseErrorFmt("Cannot write log file \"{}\" for pass-1 encoding", log_name);
    ost.logfile = std::shared_ptr<std::FILE>(file, [](std::FILE* f) { std::fclose(f); });
  }
}

void BindVideoEncoding(TCustomFFmpegOpt& engine, TFileOptionContext& o, AVFormatContext* oc,
                       TOutputStream& ost) {
  AVStream* st = ost.st;
  AVCodecContext* enc = ost.enc_ctx.get();

  std::string frame_size;
  engine.GetStreamValue(oc, st, o.s, frame_size);
  if (!frame_size.empty() && ff::av_parse_video_size(&enc->width, &enc->height, frame_size.c_str()) < 0) {
    engine.RaiseErrorFmt("Invalid frame size: {}.", frame_size);
  }
  enc->bits_per_raw_sample = engine.Fframe_bits_per_raw_sample;

  std::string pix_fmt;
  engine.GetStreamValue(oc, st, o.pix_fmt, pix_fmt);
  if (!pix_fmt.empty() && pix_fmt[0] == '+') {
    ost.keep_pix_fmt = 1;
    pix_fmt.erase(0, 1);
  }
  if (!pix_fmt.empty()) {
    enc->pix_fmt = ff::av_get_pix_fmt(pix_fmt.c_str());
    if (enc->pix_fmt == AV_PIX_FMT_NONE) engine.RaiseErrorFmt("Unknown pixel format requested: {}.", pix_fmt);
  }
  st->sample_aspect_ratio = enc->sample_aspect_ratio;
  if (engine.Fintra_only) enc->gop_size = 0;

  BindMatrix(engine, oc, st, o.intra_matrix, enc->intra_matrix,
             "Could not allocate memory for intra matrix.");
  BindMatrix(engine, oc, st, o.chroma_intra_matrix, enc->chroma_intra_matrix,
             "Could not allocate memory for intra matrix.");
  BindMatrix(engine, oc, st, o.inter_matrix, enc->inter_matrix,
             "Could not allocate memory for inter matrix.");

  std::string rc_override;
  engine.GetStreamValue(oc, st, o.rc_override, rc_override);
  if (!rc_override.empty()) BindRcOverride(engine, enc, rc_override);

  if (engine.Fdo_psnr) enc->flags |= AV_CODEC_FLAG_PSNR;

  int do_pass = 0;
  engine.GetStreamValue(oc, st, o.pass, do_pass);
  engine.GetStreamValue(oc, st, o.passlogfile, ost.logfile_prefix);
  BindTwoPass(engine, ost, do_pass);

  engine.GetStreamValue(oc, st, o.force_key_frames, ost.forced_keyframes);
  engine.GetStreamValue(oc, st, o.force_fps, ost.force_fps);
  ost.top_field_first = -1;
  engine.GetStreamValue(oc, st, o.top, ost.top_field_first);
  ost.avfilter = get_ost_filters(engine, ost);
}

}  // namespace

TOutputStream* NewVideoStream(TCustomFFmpegOpt& engine, TFileOptionContext& o, AVFormatContext* oc,
                              int source_index) {
  TOutputStream& ost = *NewOutputStream(engine, o, oc, AVMEDIA_TYPE_VIDEO, source_index);
  AVStream* st = ost.st;

  std::string frame_rate;
  engine.GetStreamValue(oc, st, o.r, frame_rate);
  if (!frame_rate.empty()) {
    if (ff::av_parse_video_rate(&ost.frame_rate, frame_rate.c_str()) < 0) {
      engine.RaiseErrorFmt("Invalid framerate value: {}", frame_rate);
    }
    if (engine.Fvideo_sync_method == 0) {
      engine.Log(TLogLevel::llError, "Using -vsync 0 and -r can produce invalid output files");
    }
  }

  std::string aspect;
  engine.GetStreamValue(oc, st, o.aspect, aspect);
  if (!aspect.empty()) {
    AVRational q{0, 0};
    if (ff::av_parse_ratio(&q, aspect.c_str(), 255, 0, nullptr) < 0 || q.num <= 0 || q.den <= 0) {
      engine.RaiseErrorFmt("Invalid aspect ratio: {}", aspect);
    }
    ost.frame_aspect_ratio = q;
  }

  std::string text;
  engine.GetStreamValue(oc, st, o.filter_script, text);
  if (!text.empty()) ost.filters_script = text;
  text.clear();
  engine.GetStreamValue(oc, st, o.filter, text);
  if (!text.empty()) ost.filters = text;

  if (ost.stream_copy) {
    engine.GetStreamValue(oc, st, o.copyinkf, ost.copy_initial_nonkeyframes);
    CheckStreamCopyFilters(engine, AVMEDIA_TYPE_VIDEO, ost);
  } else {
    CheckEncoderFitsFormat(engine, oc, ost);
    BindVideoEncoding(engine, o, oc, ost);
  }
  return &ost;
}

}  // namespace zentrova

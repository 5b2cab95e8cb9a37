// Join mode at run time: the move from one input's block to the next.
//
// A segment ends when every stream of the active block has finished: its
// input reached its end, or the block ended early from its input side (an
// input -t, a graph that ended). Unless an output limit (frame count, size,
// output -t, which counts over the whole joined output) is reached, the next
// input's block takes over the same encoders and muxer streams:
//   * input k's decoders are flushed and closed, its buffers released;
//   * the shared encoders are drained, then rebuilt: a drained 5.1 encoder
//     context cannot be opened again, so a new one is built from the same
//     parameters and options, and its headers must equal the ones written;
//   * the counters carry over, and input k+1 is shifted by the segment's
//     real end taken from the engine's own counters (encoded frames and
//     samples; for a copied stream the end of its latest packet), so that
//     no frame is lost or overlapped at the seam.
//
// Threads: the run's thread only.
#include <fmt/format.h>

#include <cstring>

#include "engine/custom_ffmpeg.h"
#include "engine/filters/filter_graph.h"
#include "engine/options/option_dictionaries.h"
#include "log/logger.h"
#include "media/time_base.h"
#include "options/media_text.h"

namespace zentrova {
namespace {

// The end of a finished block's stream on the output's clock (µs): what the
// encoder was given (frames or samples), or for a copy the end of the last
// packet written.
std::int64_t StreamEndUs(const TOutputStream& ost) {
  if (ost.encoding_needed && ost.enc_ctx) {
    const AVRational tb = ost.enc_ctx->time_base;
    if (tb.num > 0 && tb.den > 0) return ff::av_rescale_q(ost.sync_opts, tb, kMicroseconds);
    return 0;
  }
  if (!ost.st || ost.copy_end_pts == AV_NOPTS_VALUE) return 0;
  return ff::av_rescale_q(ost.copy_end_pts, ost.st->time_base, kMicroseconds);
}

// A new encoder context with the settings of `old` (which was opened and
// drained) as transcode_init gave them.
std::shared_ptr<AVCodecContext> RebuildContext(const AVCodec* codec, const AVCodecContext* old,
                                               int max_b_frames, AVRational sample_aspect_ratio) {
  std::shared_ptr<AVCodecContext> owner = NewEncoderContext(codec);
  AVCodecContext* ctx = owner.get();
  if (!ctx) throw FFmpegException("av_mallocz() failed");
  ctx->codec_type = old->codec_type;
  ctx->codec_id = old->codec_id;
  ctx->codec_tag = old->codec_tag;
  ctx->bit_rate = old->bit_rate;
  ctx->bit_rate_tolerance = old->bit_rate_tolerance;
  ctx->global_quality = old->global_quality;
  ctx->compression_level = old->compression_level;
  ctx->flags = old->flags;
  ctx->flags2 = old->flags2;
  ctx->time_base = old->time_base;
  ctx->ticks_per_frame = old->ticks_per_frame;
  ctx->framerate = old->framerate;
  ctx->strict_std_compliance = old->strict_std_compliance;
  ctx->bits_per_raw_sample = old->bits_per_raw_sample;
  ctx->profile = old->profile;
  ctx->level = old->level;
  ctx->qmin = old->qmin;
  ctx->qmax = old->qmax;
  ctx->max_qdiff = old->max_qdiff;
  ctx->rc_buffer_size = old->rc_buffer_size;
  ctx->rc_max_rate = old->rc_max_rate;
  ctx->rc_min_rate = old->rc_min_rate;
  if (old->stats_in) ctx->stats_in = ff::av_strdup(old->stats_in);
  // Quantiser matrices and rate-control overrides given by option.
  auto copy_matrix = [](const std::uint16_t* matrix) {
    return matrix ? static_cast<std::uint16_t*>(ff::av_memdup(matrix, 64 * sizeof(std::uint16_t))) : nullptr;
  };
  ctx->intra_matrix = copy_matrix(old->intra_matrix);
  ctx->inter_matrix = copy_matrix(old->inter_matrix);
  ctx->chroma_intra_matrix = copy_matrix(old->chroma_intra_matrix);
  if (old->rc_override && old->rc_override_count > 0) {
    ctx->rc_override = static_cast<RcOverride*>(ff::av_memdup(
        old->rc_override, static_cast<std::size_t>(old->rc_override_count) * sizeof(RcOverride)));
    ctx->rc_override_count = ctx->rc_override ? old->rc_override_count : 0;
  }
  if (old->codec_type == AVMEDIA_TYPE_VIDEO) {
    ctx->width = old->width;
    ctx->height = old->height;
    ctx->pix_fmt = old->pix_fmt;
    ctx->gop_size = old->gop_size;
    ctx->max_b_frames = max_b_frames;
    ctx->sample_aspect_ratio = sample_aspect_ratio;
    ctx->field_order = old->field_order;
    ctx->color_range = old->color_range;
    ctx->color_primaries = old->color_primaries;
    ctx->color_trc = old->color_trc;
    ctx->colorspace = old->colorspace;
    ctx->chroma_sample_location = old->chroma_sample_location;
    if (old->hw_frames_ctx) ctx->hw_frames_ctx = ff::av_buffer_ref(old->hw_frames_ctx);
  } else if (old->codec_type == AVMEDIA_TYPE_AUDIO) {
    ctx->sample_fmt = old->sample_fmt;
    ctx->sample_rate = old->sample_rate;
    if (ff::av_channel_layout_copy(&ctx->ch_layout, &old->ch_layout) < 0)
      throw FFmpegException("av_mallocz() failed");
  }
  return owner;
}

bool SameExtradata(const AVCodecContext* enc, const AVCodecParameters* par) {
  if (enc->extradata_size != par->extradata_size) return false;
  return enc->extradata_size == 0 ||
         std::memcmp(enc->extradata, par->extradata, static_cast<std::size_t>(enc->extradata_size)) == 0;
}

}  // namespace

bool TCustomFFmpeg::next_join_segment() {
  if (!FJoinMode || FBroken || Fnb_output_streams_join <= 0) return false;
  if (Fjoin_file_index + 1 >= static_cast<int>(Finput_files.size())) return false;
  // Output limits end the whole run, not only the segment.
  for (int i = Fost_from_idx; i <= Fost_to_idx; ++i) {
    const TOutputStream& ost = *Foutput_streams[static_cast<std::size_t>(i)];
    const TOutputFile& of = *Foutput_files[static_cast<std::size_t>(ost.file_index)];
    if (ost.frame_number >= ost.max_frames) return false;
    if (AVIOContext* pb = of.ctx->pb; pb && ff::avio_seek(pb, 0, SEEK_CUR) >= of.limit_filesize) return false;
    if (of.recording_time != INT64_MAX && ost.encoding_needed && ost.enc_ctx) {
      const AVRational tb = ost.enc_ctx->time_base;
      if (tb.num > 0 && tb.den > 0 &&
          ff::av_compare_ts(ost.sync_opts - ost.first_pts, tb, of.recording_time, kMicroseconds) >= 0)
        return false;
    }
  }
  end_join_segment(Fjoin_file_index);
  return true;
}

void TCustomFFmpeg::end_join_segment(int file_index) {
  TInputFile& f = *Finput_files[static_cast<std::size_t>(file_index)];
  // Whatever the input still holds belongs to a segment that has ended.
  f.eof_reached = 1;
  for (int i = 0; i < f.nb_streams; ++i) {
    TInputStream& ist = *Finput_streams[static_cast<std::size_t>(f.ist_index + i)];
    if (ist.decoding_needed && !ist.decoder_flushed && ist.dec_ctx) {
      ist.decoder_flushed = 1;
      ff::avcodec_flush_buffers(ist.dec_ctx.get());
    }
    if (ist.decoding_needed && !ist.decoder_closed) {
      ist.decoder_closed = 1;
      if (ist.hwaccel_uninit && ist.dec_ctx) ist.hwaccel_uninit(ist.dec_ctx.get());
      RemoveFromCodecList(FDecoderList, &ist);
      ist.dec_ctx.reset();
    }
    if (!ist.stream_freed) {
      ist.stream_freed = 1;
      ist.decoded_frame.reset();
      ist.filter_frame.reset();
      ist.decoder_opts.reset();
      ist.sub2video.frame.reset();
      ist.hwaccel_device.clear();
    }
  }

  flush_stream_encoders();

  // The segment's end, from what the encoders were given.
  std::int64_t end_us = 0;
  const int old_first = Fost_from_idx;
  for (int i = Fost_from_idx; i <= Fost_to_idx; ++i) {
    TOutputStream& ost = *Foutput_streams[static_cast<std::size_t>(i)];
    end_us = std::max(end_us, StreamEndUs(ost));
    ost.not_show_fps = 1;
  }

  ++Fjoin_file_index;
  set_active_outputs();
  reopen_join_encoders();

  for (int i = Fost_from_idx; i <= Fost_to_idx; ++i) {
    TOutputStream& ost = *Foutput_streams[static_cast<std::size_t>(i)];
    const TOutputStream& prev = *Foutput_streams[static_cast<std::size_t>(old_first + (i - Fost_from_idx))];
    ost.sync_opts = prev.sync_opts;
    ost.first_pts = prev.first_pts;
    ost.frame_number = prev.frame_number;
    ost.frames_encoded = prev.frames_encoded;
    ost.samples_encoded = prev.samples_encoded;
    ost.data_size = prev.data_size;
    ost.packets_written = prev.packets_written;
    ost.last_pts = prev.last_pts;
    ost.last_dts = prev.last_dts;
    ost.last_mux_dts = prev.last_mux_dts;
    ost.copy_end_pts = prev.copy_end_pts;
    if (ost.sync_ist && prev.sync_ist) ost.sync_ist->pts = prev.sync_ist->pts;
  }
  // The end is on the output's clock, which an output -ss starts that much
  // later than the inputs' clock.
  TInputFile& next = *Finput_files[static_cast<std::size_t>(file_index + 1)];
  const std::int64_t output_start = Foutput_files.front()->start_time;
  next.join_offset = end_us + (output_start == AV_NOPTS_VALUE ? 0 : output_start);
  next.ts_offset += next.join_offset;
  // The next input's graphs were set up when the run began; set up again,
  // they feed the rebuilt encoders and their input trims (an input -ss)
  // start at the input's place on the joined clock.
  for (int i = 0; i < next.nb_streams; ++i) {
    TInputStream& ist = *Finput_streams[static_cast<std::size_t>(next.ist_index + i)];
    if (ist.decoding_needed) reconfigure_graphs_of(ist);
  }
  Log(TLogLevel::llVerbose, fmt::format("Input file #{} joined at {:.6f}s", file_index + 1,
                                        static_cast<double>(end_us) / AV_TIME_BASE));
}

void TCustomFFmpeg::reopen_join_encoders() {
  const int J = Fnb_output_streams_join;
  const int blocks = static_cast<int>(Foutput_streams.size()) / std::max(J, 1);
  for (int i = 0; i < J; ++i) {
    TOutputStream& head = *Foutput_streams[static_cast<std::size_t>(i)];
    if (!head.encoding_needed) continue;
    if (!head.enc || !head.enc_ctx)
      RaiseErrorFmt("No encoder for output stream #0:{} to continue the join with", head.index);
    const AVCodecContext* old = head.enc_ctx.get();
    AVRational sar = head.st->sample_aspect_ratio;
    if (sar.num > 0 && sar.den > 0)
      sar = ff::av_d2q(av_q2d(sar), 255);
    else
      sar = old->sample_aspect_ratio;
    std::shared_ptr<AVCodecContext> fresh = RebuildContext(head.enc, old, head.max_b_frames, sar);
    AVDictionaryPtr opts = CopyDictionary(head.encoder_opts.get());
    SetEncoderThreads(opts, head.enc, FDefaultEncoderThreads);
    const int ret = ff::avcodec_open2(fresh.get(), head.enc, InOutPtr(opts));
    if (ret < 0) {
      if (ret == AVERROR_EXPERIMENTAL) AbortExperimentalCodec();
      RaiseErrorFmt(
          "Error while opening encoder for output stream #{}:{} ({}) - maybe incorrect parameters such as "
          "bit_rate, rate, width or height. Please check error log message(reported by ZOVuzodi) to find out "
          "more "
          "detail information.",
          head.file_index, head.index, media_type_text(head.enc->type));
    }
    if (!SameExtradata(fresh.get(), head.st->codecpar))
      RaiseErrorFmt(
          "Cannot join input file #{}: the encoder of output stream #0:{} ({}) starts with other headers "
          "than the output's; joined inputs must give the same encoder parameters",
          Fjoin_file_index, head.index, media_type_text(head.enc->type));

    RemoveFromCodecList(FEncoderList, &head);
    for (int b = 0; b < blocks; ++b) {
      TOutputStream& ost = *Foutput_streams[static_cast<std::size_t>(b * J + i)];
      ost.enc_ctx = fresh;
    }
    AddToCodecList(FEncoderList, &head);

    // The next block's graphs are set up again against this encoder once
    // the input is placed (end_join_segment): its pictures are scaled to the
    // encoder's size and format, its sound converted to the encoder's rate,
    // layout and frame size.
    TOutputStream& active = *Foutput_streams[static_cast<std::size_t>(Fost_from_idx + i)];
    active.is_avcodec_opened = 1;
    active.encoder_flushed = 0;
  }
}

}  // namespace zentrova

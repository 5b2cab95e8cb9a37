// run_transcode: the loop that picks the output lagging furthest behind and
// feeds it, then the end of the run (flush, trailers, final report).
#include <fmt/format.h>
#include <climits>

#include "engine/custom_ffmpeg.h"
#include "log/logger.h"
#include "media/time_base.h"

namespace zentrova {
void TCustomFFmpeg::set_active_outputs() {
  // All output streams (join mode narrows this to one segment's block).
  if (FJoinMode && Fnb_output_streams_join > 0) {
    Fost_from_idx = Fjoin_file_index * Fnb_output_streams_join;
    Fost_to_idx = Fost_from_idx + Fnb_output_streams_join - 1;
    return;
  }
  Fost_from_idx = 0;
  Fost_to_idx = static_cast<std::int32_t>(Foutput_streams.size()) - 1;
}

void TCustomFFmpeg::run_transcode() {
  const std::int64_t timer_start = ff::av_gettime_relative();
  for (const std::unique_ptr<TInputFile>& f : Finput_files) {
    if (!f->rate_emu) continue;
    for (int j = 0; j < f->nb_streams; ++j)
      Finput_streams[static_cast<std::size_t>(f->ist_index + j)]->start = timer_start;
  }
  Fjoin_file_index = 0;
  set_active_outputs();

  while (!FBroken) {
    FSuspender.Wait();
    const std::int64_t cur_time = ff::av_gettime_relative();
    if (!outputs_pending()) {
      if (next_join_segment()) continue;  // join mode: the next input's block takes over
      // Said apart: every input read to its end, or the outputs had all
      // they wanted first (-frames, -t, -fs, -shortest).
      bool inputs_ended = true;
      for (const std::unique_ptr<TInputFile>& f : Finput_files) inputs_ended = inputs_ended && f->eof_reached;
      Log(TLogLevel::llVerbose, inputs_ended ? "No more inputs to read from, finishing."
                                             : "No more output streams to write to, finishing.");
      break;
    }
    const int ret = run_one_step();
    if (ret < 0 && ret != AVERROR_EOF) {
      const std::string text = error_code_text(ret, "Error while filtering");
      Log(TLogLevel::llError, text);
      RecordRunFailure(text);
      break;
    }
    report_progress(Fjoin_file_index, false, cur_time, timer_start);
    if (ret == AVERROR_EOF) break;
  }

  // Whatever ended the loop, the decoders and encoders give up what they
  // still hold, so that the outputs are complete.
  for (const std::unique_ptr<TInputStream>& ist : Finput_streams) {
    if (Finput_files[static_cast<std::size_t>(ist->file_index)]->eof_reached) continue;
    if (ist->decoding_needed && ist->decoder_flushed != 1 && ist->dec_ctx) route_packet(*ist, nullptr, false);
  }
  flush_stream_encoders();

  bool trailer_failed = false;
  for (const std::unique_ptr<TOutputFile>& of : Foutput_files) {
    FLastWrite = ff::av_gettime_relative();
    const int ret = ff::av_write_trailer(of->ctx.get());
    if (ret < 0) {
      FLastErrMsg = error_code_text(ret, fmt::format("Error writing trailer of {}", of->ctx->url));
      Log(TLogLevel::llError, FLastErrMsg);
      if (Fexit_on_error) RaiseError(FLastErrMsg);
      trailer_failed = true;
    }
    if (FJoinMode) break;
  }

  report_progress(-1, true, ff::av_gettime_relative(), timer_start);

  for (const std::unique_ptr<TOutputStream>& ost : Foutput_streams)
    if (ost->encoding_needed) RemoveFromCodecList(FEncoderList, ost.get());
  for (const std::unique_ptr<TInputStream>& ist : Finput_streams) {
    if (!ist->decoding_needed || ist->decoder_closed == 1) continue;
    ist->decoder_closed = 1;
    if (ist->hwaccel_uninit) ist->hwaccel_uninit(ist->dec_ctx.get());
    RemoveFromCodecList(FDecoderList, ist.get());
    ist->dec_ctx.reset();
  }
  Fhw_device_ctx.reset();

  // A run that read its inputs to their end without an error: did it get
  // what they promised?
  if (!FBroken && !trailer_failed && FRunFailure.empty()) {
    check_output_data();
    if (FRunFailure.empty()) check_input_ends();
  }
  FFinished = !FBroken && !trailer_failed && FRunFailure.empty();
  ReleaseTranscodeState();
  // A failure that let the loop flush first still ends the run as failed;
  // its own message says more than the trailer's.
  if (!FRunFailure.empty()) throw FFmpegException(FRunFailure);
  if (trailer_failed) throw FFmpegException("At least one output file failed to be written trailer");
}

int TCustomFFmpeg::run_one_step() {
  TOutputStream* ost = pick_output_stream();
  if (!ost) {
    if (outputs_blocked()) {
      clear_blocked();
      ff::av_usleep(10000);
      return 0;
    }
    Log(TLogLevel::llVerbose, "No more inputs to read from, finishing.");
    return AVERROR_EOF;
  }
  TInputStream* ist = nullptr;
  if (ost->filter) {
    const int ret = pull_filter_graph(*ost->filter->graph, ist);
    if (ret < 0) return ret;
    if (!ist) return 0;
  } else {
    if (ost->source_index < 0) {
      finish_stream(*ost);  // nothing can ever feed it
      return 0;
    }
    ist = Finput_streams[static_cast<std::size_t>(ost->source_index)].get();
  }
  const int ret = read_input_file(ist->file_index);
  if (ret == AVERROR(EAGAIN)) {
    if (Finput_files[static_cast<std::size_t>(ist->file_index)]->eagain) ost->unavailable = 1;
    return 0;
  }
  if (ret < 0) return ret == AVERROR_EOF ? 0 : ret;
  return drain_filters(false);
}

TOutputStream* TCustomFFmpeg::pick_output_stream() {
  std::int64_t opts_min = INT64_MAX;
  TOutputStream* chosen = nullptr;
  for (int i = Fost_from_idx; i <= Fost_to_idx; ++i) {
    TOutputStream* ost = Foutput_streams[static_cast<std::size_t>(i)].get();
    std::int64_t opts = INT64_MIN;
    const TOutputFile& of = *Foutput_files[static_cast<std::size_t>(ost->file_index)];
    const AVRational enc_tb = ost->enc_ctx ? ost->enc_ctx->time_base : AVRational{0, 1};
    if (of.shortest && ost->encoding_needed && ost->is_avcodec_opened && enc_tb.num > 0 && enc_tb.den > 0) {
      // With -shortest the streams are fed by what reached their encoders,
      // not by what the encoders gave out: an encoder's delay would let its
      // stream run past the end of the shortest one.
      opts = ff::av_rescale_q(ost->sync_opts - ost->first_pts, enc_tb, kMicroseconds);
    } else if (ost->last_mux_dts == AV_NOPTS_VALUE) {
      if (DefaultLogger()->WouldDeliver(TLogLevel::llDebug))
        Log(TLogLevel::llDebug,
            "cur_dts is invalid (this is harmless if it occurs once at the start per stream)");
    } else {
      opts = ff::av_rescale_q(ost->last_mux_dts, ost->st->time_base, kMicroseconds);
    }
    if (!ost->finished && opts < opts_min) {
      opts_min = opts;
      chosen = ost->unavailable ? nullptr : ost;
    }
  }
  return chosen;
}

bool TCustomFFmpeg::outputs_pending() {
  for (int i = Fost_from_idx; i <= Fost_to_idx; ++i) {
    TOutputStream& ost = *Foutput_streams[static_cast<std::size_t>(i)];
    TOutputFile& of = *Foutput_files[static_cast<std::size_t>(ost.file_index)];
    AVIOContext* pb = of.ctx->pb;
    if (ost.finished || (pb && ff::avio_seek(pb, 0, SEEK_CUR) >= of.limit_filesize)) continue;
    if (ost.frame_number >= ost.max_frames) {
      for (unsigned j = 0; j < of.ctx->nb_streams; ++j)
        end_stream_encoding(*Foutput_streams[static_cast<std::size_t>(of.ost_index) + j]);
      continue;
    }
    return true;
  }
  return false;
}

bool TCustomFFmpeg::outputs_blocked() const {
  for (int i = Fost_from_idx; i <= Fost_to_idx; ++i)
    if (Foutput_streams[static_cast<std::size_t>(i)]->unavailable) return true;
  return false;
}

void TCustomFFmpeg::clear_blocked() {
  for (const std::unique_ptr<TInputFile>& f : Finput_files) f->eagain = 0;
  for (int i = Fost_from_idx; i <= Fost_to_idx; ++i)
    Foutput_streams[static_cast<std::size_t>(i)]->unavailable = 0;
}

int TCustomFFmpeg::pull_filter_graph(TFilterGraph& fg, TInputStream*& chosen) {
  chosen = nullptr;
  std::unique_lock graph_lock(FGraphLock);
  int ret = ff::avfilter_graph_request_oldest(fg.graph.get());
  graph_lock.unlock();
  if (ret >= 0) return drain_filters(false);
  if (ret == AVERROR_EOF) {
    ret = drain_filters(true);
    for (const std::unique_ptr<TOutputFilter>& output : fg.outputs)
      if (output->ost) end_stream_encoding(*output->ost);
    return ret;
  }
  if (ret != AVERROR(EAGAIN)) return ret;
  // The input whose source has asked for data most often feeds the graph next.
  int most_failed = 0;
  for (const std::unique_ptr<TInputFilter>& input : fg.inputs) {
    TInputStream* ist = input->ist;
    const TInputFile& f = *Finput_files[static_cast<std::size_t>(ist->file_index)];
    if (f.eagain || f.eof_reached) continue;
    graph_lock.lock();
    const int failed = static_cast<int>(ff::av_buffersrc_get_nb_failed_requests(input->filter));
    graph_lock.unlock();
    if (failed > most_failed) {
      most_failed = failed;
      chosen = ist;
    }
  }
  if (!chosen) {
    for (const std::unique_ptr<TOutputFilter>& output : fg.outputs)
      if (output->ost) output->ost->unavailable = 1;
  }
  return 0;
}

void TCustomFFmpeg::finish_stream(TOutputStream& ost) {
  ost.finished = TStreamFinished::Both();
  TOutputFile& of = *Foutput_files[static_cast<std::size_t>(ost.file_index)];
  if (!of.shortest) return;
  for (unsigned j = 0; j < of.ctx->nb_streams; ++j)
    Foutput_streams[static_cast<std::size_t>(of.ost_index) + j]->finished = TStreamFinished::Both();
}

}  // namespace zentrova

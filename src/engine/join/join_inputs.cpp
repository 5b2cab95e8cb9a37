// Join mode set-up: every input after the first gets a block of output
// stream records that feeds the same output streams, and an output file
// record that writes through the same muxer.
//
// Block k (input k) is Foutput_streams[k * J .. k * J + J - 1], J being the
// output's stream count. A block-k record shares with its block-0 twin the
// library stream, the encoder context, the bitstream filter chain and the
// pass log (shared pointers); it owns copies of the option texts and
// dictionaries and its own filter graph, counters and timestamps.
//
// Threads: the thread that opens the output (before the run).
#include <fmt/format.h>

#include <cstring>

#include "engine/custom_ffmpeg.h"
#include "engine/options/option_dictionaries.h"
#include "log/logger.h"

namespace zentrova {
namespace {

constexpr std::int64_t kHadPacketsBonus = 100000000;

// A block-k record for the block-0 record `from`: shared resources by
// reference, option texts and dictionaries by copy, run state fresh.
std::unique_ptr<TOutputStream> CopyBlockStream(const TOutputStream& from, int file_index) {
  auto ost = std::make_unique<TOutputStream>();
  ost->file_index = file_index;
  ost->index = from.index;
  ost->source_index = -1;
  ost->st = from.st;
  ost->encoding_needed = from.encoding_needed;
  ost->bitstream_filters = from.bitstream_filters;
  ost->enc_ctx = from.enc_ctx;
  ost->enc = from.enc;
  ost->max_frames = from.max_frames;
  ost->frame_rate = from.frame_rate;
  ost->is_cfr = from.is_cfr;
  ost->force_fps = from.force_fps;
  ost->top_field_first = from.top_field_first;
  ost->rotate_overridden = from.rotate_overridden;
  ost->frame_aspect_ratio = from.frame_aspect_ratio;
  ost->forced_keyframes = from.forced_keyframes;
  ost->audio_channels_map = from.audio_channels_map;
  ost->audio_channels_mapped = from.audio_channels_mapped;
  ost->logfile_prefix = from.logfile_prefix;
  ost->logfile = from.logfile;
  ost->avfilter = from.avfilter;
  ost->filters = from.filters;
  ost->filters_script = from.filters_script;
  ost->encoder_opts = CopyDictionary(from.encoder_opts.get());
  ost->sws_dict = CopyDictionary(from.sws_dict.get());
  ost->swr_opts = CopyDictionary(from.swr_opts.get());
  ost->resample_opts = CopyDictionary(from.resample_opts.get());
  ost->apad = from.apad;
  ost->stream_copy = from.stream_copy;
  ost->attachment_filename = from.attachment_filename;
  ost->copy_initial_nonkeyframes = from.copy_initial_nonkeyframes;
  ost->copy_prior_start = from.copy_prior_start;
  ost->disposition = from.disposition;
  ost->keep_pix_fmt = from.keep_pix_fmt;
  ost->is_filter_codec_opts = from.is_filter_codec_opts;
  return ost;
}

AVMediaType TypeOf(const TOutputStream& ost) {
  return ost.st ? ost.st->codecpar->codec_type : AVMEDIA_TYPE_UNKNOWN;
}

bool TypeSwitchedOff(const TFileOptionContext& o, AVMediaType type) {
  switch (type) {
    case AVMEDIA_TYPE_VIDEO:
      return o.vn != 0;
    case AVMEDIA_TYPE_AUDIO:
      return o.an != 0;
    case AVMEDIA_TYPE_SUBTITLE:
      return o.sn != 0;
    case AVMEDIA_TYPE_DATA:
      return o.dn != 0;
    default:
      return false;
  }
}

// The input stream (engine index) of `f` the automatic selection takes for
// `type`: the largest picture (real video before attached pictures), the
// most channels, otherwise the first; -1 when the input has none.
int BestStreamOfType(const TInputFile& f, AVMediaType type) {
  std::int64_t best_score = -1;
  int best = -1;
  for (int i = 0; i < f.nb_streams; ++i) {
    const int index = f.ist_index + i;
    const AVStream* st = f.ctx->streams[i];
    if (st->codecpar->codec_type != type) continue;
    const bool had_packets = (st->event_flags & AVSTREAM_EVENT_FLAG_NEW_PACKETS) != 0;
    std::int64_t score = 0;
    if (type == AVMEDIA_TYPE_VIDEO) {
      score = (st->disposition & AV_DISPOSITION_ATTACHED_PIC)
                  ? 1
                  : std::int64_t{st->codecpar->width} * st->codecpar->height +
                        (had_packets ? kHadPacketsBonus : 0);
    } else if (type == AVMEDIA_TYPE_AUDIO) {
      score = st->codecpar->ch_layout.nb_channels + (had_packets ? kHadPacketsBonus : 0);
    }
    if (score > best_score) {
      best_score = score;
      best = index;
    }
  }
  return best;
}

const char* TypeName(AVMediaType type) {
  const char* name = ff::av_get_media_type_string(type);
  return name ? name : "unknown";
}

bool TakesType(const AVFormatContext* oc, AVMediaType type) {
  return ff::av_guess_codec(oc->oformat, nullptr, oc->url, nullptr, type) != AV_CODEC_ID_NONE;
}

// Whether the automatic selection takes a video stream into this format
// (one whose picture stream is cover art takes attached pictures only).
bool TakesMovingPictures(const AVFormatContext* oc) {
  const AVOutputFormat* format = oc->oformat;
  return TakesType(oc, AVMEDIA_TYPE_VIDEO) &&
         ff::avformat_query_codec(format, format->video_codec, FF_COMPLIANCE_NORMAL) !=
             MKTAG('A', 'P', 'I', 'C');
}

// Which of pictures and sound an input gives the join.
struct TJoinedKinds {
  bool video = false;
  bool audio = false;
  bool operator==(const TJoinedKinds&) const = default;
  void Add(AVMediaType type) {
    if (type == AVMEDIA_TYPE_VIDEO) video = true;
    if (type == AVMEDIA_TYPE_AUDIO) audio = true;
  }
  const char* Text() const {
    if (video && audio) return "video and audio";
    if (video) return "video only";
    if (audio) return "audio only";
    return "neither video nor audio";
  }
};

// A copied stream of a later block: the same codec and headers as the
// stream its block-0 twin copies, so that one set of headers describes the
// whole output.
bool SameCodedStream(const TCustomFFmpegOpt& engine, const TOutputStream& ost) {
  const TOutputStream& head = *engine.Foutput_streams[static_cast<std::size_t>(ost.index)];
  if (head.source_index < 0 || ost.source_index < 0) return false;
  const AVCodecParameters* a =
      engine.Finput_streams[static_cast<std::size_t>(head.source_index)]->st->codecpar;
  const AVCodecParameters* b =
      engine.Finput_streams[static_cast<std::size_t>(ost.source_index)]->st->codecpar;
  if (a->codec_id != b->codec_id || a->extradata_size != b->extradata_size) return false;
  return a->extradata_size == 0 ||
         std::memcmp(a->extradata, b->extradata, static_cast<std::size_t>(a->extradata_size)) == 0;
}

}  // namespace

int TCustomFFmpeg::JoinInputs(TFileOptionContext& o) {
  if (Foutput_files.size() != 1) {
    FLastErrMsg = "Cannot join more than one output file.";
    return -1;
  }
  const int J = static_cast<int>(Foutput_files.front()->ctx->nb_streams);
  Fnb_output_streams_join = J;
  for (int k = 1; k < static_cast<int>(Finput_files.size()); ++k) {
    int ret = -1;
    try {
      ret = JoinInputFile(o, k);
    } catch (const std::exception& e) {
      FLastErrMsg = e.what();
    }
    if (ret < 0) {
      // Drop every block after the first and every record of those blocks;
      // the output opener then undoes the output itself.
      for (const std::unique_ptr<TFilterGraph>& fg : Ffiltergraphs)
        for (const std::unique_ptr<TOutputFilter>& ofilter : fg->outputs)
          for (std::size_t i = static_cast<std::size_t>(J); i < Foutput_streams.size(); ++i)
            if (ofilter->ost == Foutput_streams[i].get()) ofilter->ost = nullptr;
      if (Foutput_streams.size() > static_cast<std::size_t>(J))
        Foutput_streams.erase(Foutput_streams.begin() + J, Foutput_streams.end());
      Foutput_files.erase(Foutput_files.begin() + 1, Foutput_files.end());
      Fnb_output_streams_join = 0;
      Log(TLogLevel::llError, FLastErrMsg);
      return -1;
    }
  }
  std::int64_t sum = 0;
  for (const std::unique_ptr<TInputFile>& f : Finput_files)
    if (f->ctx && f->ctx->duration != AV_NOPTS_VALUE && f->ctx->duration > 0) sum += f->ctx->duration;
  FOutputDuration = sum > 0 ? sum : -1;
  return 0;
}

int TCustomFFmpeg::JoinInputFile(TFileOptionContext& o, int k) {
  const int J = Fnb_output_streams_join;
  const int file_index = static_cast<int>(Foutput_files.size());
  const int first = static_cast<int>(Foutput_streams.size());
  for (int i = 0; i < J; ++i)
    Foutput_streams.push_back(CopyBlockStream(*Foutput_streams[static_cast<std::size_t>(i)], file_index));

  // The first stream of the block of `type` that has no source yet.
  auto free_slot = [&](AVMediaType type) -> TOutputStream* {
    for (int i = first; i < first + J; ++i) {
      TOutputStream& ost = *Foutput_streams[static_cast<std::size_t>(i)];
      if (ost.source_index < 0 && TypeOf(ost) == type) return &ost;
    }
    return nullptr;
  };
  // Pictures or sound of input k that no stream of the output takes: the
  // first input had none (or fewer), and the join is refused below.
  TJoinedKinds left_over;
  auto take = [&](int ist_index, TInputStream* sync) {
    TInputStream& ist = *Finput_streams[static_cast<std::size_t>(ist_index)];
    TOutputStream* ost = free_slot(ist.st->codecpar->codec_type);
    if (!ost) {
      left_over.Add(ist.st->codecpar->codec_type);
      return;
    }
    ost->source_index = ist_index;
    ost->sync_ist = sync ? sync : &ist;
    ist.discard = 0;
    ist.st->discard = static_cast<AVDiscard>(ist.user_set_discard);
    ist.join_used = 1;
  };

  if (o.map.empty()) {
    const AVFormatContext* oc = Foutput_files.front()->ctx.get();
    for (const AVMediaType type :
         {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_SUBTITLE, AVMEDIA_TYPE_DATA}) {
      if (TypeSwitchedOff(o, type)) continue;
      const int best = BestStreamOfType(*Finput_files[static_cast<std::size_t>(k)], type);
      if (best < 0) continue;
      // Pictures or sound the output has no stream for are left over only
      // where the format would have taken them from the first input.
      const bool cover_art = (Finput_streams[static_cast<std::size_t>(best)]->st->disposition &
                              AV_DISPOSITION_ATTACHED_PIC) != 0;
      const bool format_takes = type == AVMEDIA_TYPE_VIDEO   ? !cover_art && TakesMovingPictures(oc)
                                : type == AVMEDIA_TYPE_AUDIO ? TakesType(oc, type)
                                                             : false;
      if (free_slot(type) || format_takes) take(best, nullptr);
    }
  } else {
    const TInputFile& f = *Finput_files[static_cast<std::size_t>(k)];
    for (const TStreamMapping& map : o.map) {
      if (map.disabled || !map.linklabel.empty() || map.file_index != k) continue;
      const int ist_index = f.ist_index + map.stream_index;
      const AVMediaType type = Finput_streams[static_cast<std::size_t>(ist_index)]->st->codecpar->codec_type;
      if (TypeSwitchedOff(o, type)) continue;
      if (type != AVMEDIA_TYPE_VIDEO && type != AVMEDIA_TYPE_AUDIO && type != AVMEDIA_TYPE_SUBTITLE &&
          type != AVMEDIA_TYPE_DATA && !(type == AVMEDIA_TYPE_UNKNOWN && Fcopy_unknown_streams)) {
        FLastErrMsg =
            fmt::format("Cannot map stream #{}:{} - unsupported type.", map.file_index, map.stream_index);
        return -1;
      }
      TInputStream* sync = nullptr;
      if (map.sync_file_index >= 0 && map.sync_file_index < static_cast<int>(Finput_files.size())) {
        const TInputFile& sf = *Finput_files[static_cast<std::size_t>(map.sync_file_index)];
        if (map.sync_stream_index >= 0 && map.sync_stream_index < sf.nb_streams)
          sync = Finput_streams[static_cast<std::size_t>(sf.ist_index + map.sync_stream_index)].get();
      }
      take(ist_index, sync);
    }
  }

  // Both inputs are named in the same words whichever of them lacks
  // pictures or sound.
  TJoinedKinds output_kinds;
  TJoinedKinds input_kinds = left_over;
  for (int i = first; i < first + J; ++i) {
    const TOutputStream& ost = *Foutput_streams[static_cast<std::size_t>(i)];
    output_kinds.Add(TypeOf(ost));
    if (ost.source_index >= 0) input_kinds.Add(TypeOf(ost));
  }
  if (input_kinds != output_kinds) {
    FLastErrMsg = fmt::format(
        "Cannot join files with diffrent streams state: input file #0 has {}, input file #{} has {}",
        output_kinds.Text(), k, input_kinds.Text());
    return -1;
  }
  for (int i = first; i < first + J; ++i) {
    TOutputStream& ost = *Foutput_streams[static_cast<std::size_t>(i)];
    if (ost.source_index < 0) {
      FLastErrMsg = fmt::format(
          "Cannot join files with diffrent streams state: input file #{} has no {} stream for output stream "
          "#0:{}",
          k, TypeName(TypeOf(ost)), ost.index);
      return -1;
    }
    if (ost.stream_copy && !SameCodedStream(*this, ost)) {
      FLastErrMsg = fmt::format(
          "Cannot join input file #{}: its stream #{}:{} is coded otherwise than output stream #0:{}; "
          "a copied stream needs the same codec and headers in every input",
          k, k, Finput_streams[static_cast<std::size_t>(ost.source_index)]->st->index, ost.index);
      return -1;
    }
    ost.encoding_needed = !ost.stream_copy;
    if (ost.encoding_needed)
      Finput_streams[static_cast<std::size_t>(ost.source_index)]->decoding_needed.for_output = true;
  }

  auto of = std::make_unique<TOutputFile>();
  const TOutputFile& head = *Foutput_files.front();
  of->ctx = head.ctx;
  of->opts = CopyDictionary(head.opts.get());
  of->ost_index = first;
  of->recording_time = head.recording_time;
  of->start_time = head.start_time;
  of->limit_filesize = head.limit_filesize;
  of->shortest = head.shortest;
  Foutput_files.push_back(std::move(of));
  return file_index;
}

TCustomFFmpeg::TInitStep TCustomFFmpeg::init_join_block_encode(TOutputStream& ost, TInputStream* ist) {
  // Block 0 was set up first: its frame rate is the joined output's.
  ost.frame_rate = Foutput_streams[static_cast<std::size_t>(ost.index)]->frame_rate;
  configure_simple_graph(ost, ist);
  if (ost.enc_ctx->codec_type == AVMEDIA_TYPE_VIDEO) return init_forced_key_frames(ost);
  return {};
}

}  // namespace zentrova

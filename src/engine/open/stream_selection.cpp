// Which input streams become output streams: automatically by the best-stream
// rules, or as the -map entries say; and the outputs of complex graphs.
#include <cstring>
#include <fmt/format.h>

#include "engine/open/output_opener.h"
#include "engine/open/new_output_streams.h"

namespace zentrova {

namespace {

constexpr std::int64_t kHadPacketsBonus = 100000000;

bool IsCandidate(const TOutputOpen& open, const TInputStream& ist) {
  return !open.join_active || ist.file_index == 0;
}

bool HadPackets(const AVStream* st) {
  return (st->event_flags & AVSTREAM_EVENT_FLAG_NEW_PACKETS) != 0;
}

int BestVideo(const TOutputOpen& open) {
  const AVOutputFormat* format = open.oc->oformat;
  // Formats whose picture stream is cover art (an ID3 "APIC" frame) take no
  // moving video. The format's codec query says so (a tag table has no such
  // entry).
  if (ff::avformat_query_codec(format, format->video_codec, FF_COMPLIANCE_NORMAL) ==
      MKTAG('A', 'P', 'I', 'C'))
    return -1;
  std::int64_t best_score = 0;
  int best = -1;
  for (std::size_t i = 0; i < open.engine.Finput_streams.size(); ++i) {
    const TInputStream& ist = *open.engine.Finput_streams[i];
    const AVStream* st = ist.st;
    if (!IsCandidate(open, ist) || st->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) continue;
    // An attached picture is cover art, never a moving picture (see AddCoverArt).
    if (st->disposition & AV_DISPOSITION_ATTACHED_PIC) continue;
    const std::int64_t score =
        std::int64_t{st->codecpar->width} * st->codecpar->height + (HadPackets(st) ? kHadPacketsBonus : 0);
    if (score > best_score) {
      best_score = score;
      best = static_cast<int>(i);
    }
  }
  return best;
}

int BestAudio(const TOutputOpen& open) {
  std::int64_t best_score = 0;
  int best = -1;
  for (std::size_t i = 0; i < open.engine.Finput_streams.size(); ++i) {
    const TInputStream& ist = *open.engine.Finput_streams[i];
    const AVStream* st = ist.st;
    if (!IsCandidate(open, ist) || st->codecpar->codec_type != AVMEDIA_TYPE_AUDIO) continue;
    const std::int64_t score = st->codecpar->ch_layout.nb_channels + (HadPackets(st) ? kHadPacketsBonus : 0);
    if (score > best_score) {
      best_score = score;
      best = static_cast<int>(i);
    }
  }
  return best;
}

int SubtitleKinds(const AVCodecDescriptor* descriptor) {
  return descriptor ? descriptor->props & (AV_CODEC_PROP_TEXT_SUB | AV_CODEC_PROP_BITMAP_SUB) : 0;
}

int FirstFittingSubtitle(const TOutputOpen& open, bool codec_named) {
  const AVCodec* default_encoder = ff::avcodec_find_encoder(open.oc->oformat->subtitle_codec);
  const AVCodecDescriptor* output_descriptor =
      default_encoder ? ff::avcodec_descriptor_get(default_encoder->id) : nullptr;
  for (std::size_t i = 0; i < open.engine.Finput_streams.size(); ++i) {
    const TInputStream& ist = *open.engine.Finput_streams[i];
    if (!IsCandidate(open, ist) || ist.st->codecpar->codec_type != AVMEDIA_TYPE_SUBTITLE) continue;
    const AVCodecDescriptor* input_descriptor = ff::avcodec_descriptor_get(ist.st->codecpar->codec_id);
    const bool shares_kind = (SubtitleKinds(input_descriptor) & SubtitleKinds(output_descriptor)) != 0;
    const bool unknown_kind =
        input_descriptor && output_descriptor && (!input_descriptor->props || !output_descriptor->props);
    if (codec_named || shares_kind || unknown_kind) return static_cast<int>(i);
  }
  return -1;
}

[[noreturn]] void FailUnsupportedType(int file_index, int stream_index) {
  throw TOutputOpenError(fmt::format(
      "Cannot map stream #{}:{} - unsupported type.\r\nIf you want unsupported types ignored instead of "
      "failing, "
      "please use the -ignore_unknown option\r\nIf you want them copied, please use -copy_unknown",
      file_index, stream_index));
}

void MapInputStream(TOutputOpen& open, const TStreamMapping& map) {
  TCustomFFmpegOpt& engine = open.engine;
  if (open.join_active && map.file_index != 0) return;
  const TInputFile& file = *engine.Finput_files.at(static_cast<std::size_t>(map.file_index));
  const int source = file.ist_index + map.stream_index;
  const TInputStream& ist = *engine.Finput_streams.at(static_cast<std::size_t>(source));
  const AVMediaType type = ist.st->codecpar->codec_type;
  TFileOptionContext& o = open.o;
  if ((o.vn && type == AVMEDIA_TYPE_VIDEO) || (o.an && type == AVMEDIA_TYPE_AUDIO) ||
      (o.sn && type == AVMEDIA_TYPE_SUBTITLE) || (o.dn && type == AVMEDIA_TYPE_DATA)) {
    return;
  }
  TOutputStream* ost = nullptr;
  switch (type) {
    case AVMEDIA_TYPE_VIDEO:
      ost = NewVideoStream(engine, o, open.oc, source);
      break;
    case AVMEDIA_TYPE_AUDIO:
      ost = NewAudioStream(engine, o, open.oc, source);
      break;
    case AVMEDIA_TYPE_SUBTITLE:
      ost = NewSubtitleStream(engine, o, open.oc, source);
      break;
    case AVMEDIA_TYPE_DATA:
      ost = NewDataStream(engine, o, open.oc, source);
      break;
    case AVMEDIA_TYPE_ATTACHMENT:
      ost = NewAttachmentStream(engine, o, open.oc, source);
      break;
    case AVMEDIA_TYPE_UNKNOWN:
      if (engine.Fcopy_unknown_streams) {
        ost = NewUnknownStream(engine, o, open.oc, source);
        break;
      }
      [[fallthrough]];
    default:
      if (!engine.Fignore_unknown_streams) FailUnsupportedType(map.file_index, map.stream_index);
      engine.Log(TLogLevel::llWarning, fmt::format("Cannot map stream #{}:{} - unsupported type.",
                                                   map.file_index, map.stream_index));
      return;
  }
  // The stream the output keeps in step with (its own source unless the map named another).
  const TInputFile& sync_file = *engine.Finput_files.at(static_cast<std::size_t>(map.sync_file_index));
  ost->sync_ist =
      engine.Finput_streams.at(static_cast<std::size_t>(sync_file.ist_index + map.sync_stream_index)).get();
}

void MapGraphOutput(TOutputOpen& open, const std::string& label) {
  for (const std::unique_ptr<TFilterGraph>& fg : open.engine.Ffiltergraphs) {
    for (const std::unique_ptr<TOutputFilter>& ofilter : fg->outputs) {
      if (ofilter->out_tmp && ofilter->out_tmp->name && label == ofilter->out_tmp->name) {
        InitOutputFilter(open.engine, *ofilter, open.o, open.oc);
        return;
      }
    }
  }
  throw TOutputOpenError(fmt::format(
      "Output with label \"{}\" does not exist in any defined filter graph, or was already used elsewhere.",
      label));
}

}  // namespace

void BindUnlabelledGraphOutputs(TOutputOpen& open) {
  for (const std::unique_ptr<TFilterGraph>& fg : open.engine.Ffiltergraphs) {
    for (const std::unique_ptr<TOutputFilter>& ofilter : fg->outputs) {
      if (!ofilter->out_tmp || ofilter->out_tmp->name) continue;
      switch (ofilter->type_) {
        case AVMEDIA_TYPE_VIDEO:
          open.o.vn = 1;
          break;
        case AVMEDIA_TYPE_AUDIO:
          open.o.an = 1;
          break;
        case AVMEDIA_TYPE_SUBTITLE:
          open.o.sn = 1;
          break;
        default:
          break;
      }
      InitOutputFilter(open.engine, *ofilter, open.o, open.oc);
    }
  }
}

void SelectStreamsAutomatically(TOutputOpen& open) {
  TCustomFFmpegOpt& engine = open.engine;
  TFileOptionContext& o = open.o;
  const AVOutputFormat* format = open.oc->oformat;
  auto guesses = [&](AVMediaType type) {
    return ff::av_guess_codec(format, nullptr, open.oc->url, nullptr, type) != AV_CODEC_ID_NONE;
  };
  if (!o.vn && guesses(AVMEDIA_TYPE_VIDEO)) {
    const int best = BestVideo(open);
    if (best >= 0) NewVideoStream(engine, o, open.oc, best);
  }
  if (!o.an && guesses(AVMEDIA_TYPE_AUDIO)) {
    const int best = BestAudio(open);
    if (best >= 0) NewAudioStream(engine, o, open.oc, best);
  }
  AddCoverArt(open);
  std::string subtitle_codec;
  TCustomFFmpegOpt::GetTypeValue(o, "s", subtitle_codec);
  if (!o.sn && (ff::avcodec_find_encoder(format->subtitle_codec) || !subtitle_codec.empty())) {
    const int first = FirstFittingSubtitle(open, !subtitle_codec.empty());
    if (first >= 0) NewSubtitleStream(engine, o, open.oc, first);
  }
  if (!o.dn) {
    const AVCodecID data_codec =
        ff::av_guess_codec(format, nullptr, open.oc->url, nullptr, AVMEDIA_TYPE_DATA);
    if (data_codec != AV_CODEC_ID_NONE) {
      for (std::size_t i = 0; i < engine.Finput_streams.size(); ++i) {
        const TInputStream& ist = *engine.Finput_streams[i];
        if (IsCandidate(open, ist) && ist.st->codecpar->codec_type == AVMEDIA_TYPE_DATA &&
            ist.st->codecpar->codec_id == data_codec) {
          NewDataStream(engine, o, open.oc, static_cast<int>(i));
          break;
        }
      }
    }
  }
}

void MapStreams(TOutputOpen& open) {
  for (const TStreamMapping& map : open.o.map) {
    if (map.disabled) continue;
    if (!map.linklabel.empty()) {
      MapGraphOutput(open, map.linklabel);
    } else {
      MapInputStream(open, map);
    }
  }
}

}  // namespace zentrova

// The part every output stream creator shares: the library stream, the
// record, the encoder choice and the options that apply to every type.
#include <fmt/format.h>

#include "engine/options/option_dictionaries.h"
#include "engine/open/new_output_streams.h"
#include "engine/options/stream_value_parsers.h"
#include "options/dictionary.h"
#include "options/stream_options.h"

namespace zentrova {

namespace {

// -bsf: "name[=options],name[=options]...", each allocated with its options.
void BuildBitstreamFilters(TCustomFFmpegOpt& engine, const std::string& list, TBitstreamFilterChain& chain) {
  std::size_t pos = 0;
  while (pos <= list.size()) {
    std::size_t comma = list.find(',', pos);
    if (comma == std::string::npos) comma = list.size();
    const std::string item = list.substr(pos, comma - pos);
    pos = comma + 1;
    const std::size_t equals = item.find('=');
    const std::string name = item.substr(0, equals);
    const AVBitStreamFilter* filter = ff::av_bsf_get_by_name(name.c_str());
    if (!filter) engine.RaiseErrorFmt("Unknown bitstream filter \"{}\"", name);
    AVBSFContext* raw = nullptr;
    if (ff::av_bsf_alloc(filter, &raw) < 0) engine.RaiseError("Bitstream filter memory allocation failed");
    AVBSFContextPtr context(raw);
    if (equals != std::string::npos) {
      const std::string args = item.substr(equals + 1);
      if (ff::av_set_options_string(context.get(), args.c_str(), "=", ":") < 0) {
        engine.RaiseErrorFmt("Error parsing options for bitstream filter {}: \"{}\"", name, args);
      }
    }
    chain.push_back(std::move(context));
  }
}

}  // namespace

void ChooseEncoder(TCustomFFmpegOpt& engine, TFileOptionContext& o, AVFormatContext* oc, TOutputStream& ost) {
  AVCodecParameters* par = ost.st->codecpar;
  std::string codec_name;
  engine.GetStreamValue(oc, ost.st, o.codec, codec_name);
  if (codec_name.empty()) {
    par->codec_id = ff::av_guess_codec(oc->oformat, nullptr, oc->url, nullptr, par->codec_type);
    ost.enc = ff::avcodec_find_encoder(par->codec_id);
  } else if (codec_name == "copy") {
    ost.stream_copy = 1;
  } else {
    ost.enc = engine.FindCodec(codec_name, par->codec_type, TCodecWanted::Encoder);
    par->codec_id = ost.enc->id;
  }
}

TOutputStream* NewOutputStream(TCustomFFmpegOpt& engine, TFileOptionContext& o, AVFormatContext* oc,
                               AVMediaType type, int source_index) {
  AVStream* st = ff::avformat_new_stream(oc, nullptr);
  if (!st) engine.RaiseError("Could not alloc stream.");
  if (static_cast<std::size_t>(st->index) < o.streamid.size()) st->id = o.streamid[st->index];

  engine.Foutput_streams.push_back(std::make_unique<TOutputStream>());
  TOutputStream& ost = *engine.Foutput_streams.back();
  ost.file_index = static_cast<int>(engine.Foutput_files.size()) - 1;
  ost.index = st->index;
  ost.st = st;
  st->codecpar->codec_type = type;

  ChooseEncoder(engine, o, oc, ost);

  ost.enc_ctx = NewEncoderContext(ost.enc);
  if (!ost.enc_ctx) engine.RaiseError("Error allocating the encoding context.");
  AVCodecContext* enc_ctx = ost.enc_ctx.get();
  enc_ctx->codec_type = type;

  ost.encoder_opts = filter_stream_options(o.group->codec_opts.get(),
                                           ost.enc ? ost.enc->id : AV_CODEC_ID_NONE, oc, st, ost.enc);
  ost.is_filter_codec_opts = 1;

  ost.max_frames = INT64_MAX;
  engine.GetStreamValue(oc, st, o.frames, ost.max_frames);
  if (type != AVMEDIA_TYPE_VIDEO) {
    for (const TSpecifierValue<std::int64_t>& entry : o.frames) {
      if (entry.specifier.empty()) {
        engine.Log(TLogLevel::llWarning,
                   "Applying unspecific -frames to non video streams, maybe you meant -vframes ?");
        break;
      }
    }
  }

  ost.copy_prior_start = -1;
  engine.GetStreamValue(oc, st, o.copypriorss, ost.copy_prior_start);

  std::string bsfs;
  engine.GetStreamValue(oc, st, o.bsf, bsfs);
  if (!bsfs.empty()) BuildBitstreamFilters(engine, bsfs, *ost.bitstream_filters);

  std::string codec_tag;
  engine.GetStreamValue(oc, st, o.tag, codec_tag);
  if (!codec_tag.empty()) {
    const std::uint32_t tag = ParseCodecTag(codec_tag);
    st->codecpar->codec_tag = tag;
    enc_ctx->codec_tag = tag;
  }

  double qscale = -1;
  engine.GetStreamValue(oc, st, o.q, qscale);
  if (qscale >= 0) {
    enc_ctx->flags |= AV_CODEC_FLAG_QSCALE;
    enc_ctx->global_quality = static_cast<int>(FF_QP2LAMBDA * qscale);
  }

  engine.GetStreamValue(oc, st, o.disposition, ost.disposition);

  if (oc->oformat->flags & AVFMT_GLOBALHEADER) enc_ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

  ost.sws_dict = CopyDictionary(o.group->sws_dict.get());
  ost.swr_opts = CopyDictionary(o.group->swr_opts.get());
  ost.resample_opts = CopyDictionary(o.group->resample_opts.get());
  if (ost.enc && ff::av_get_exact_bits_per_sample(ost.enc->id) == 24) {
    DictSet(ost.swr_opts, "output_sample_bits", "24");
  }

  ost.source_index = source_index;
  if (source_index >= 0) {
    TInputStream* ist = engine.Finput_streams.at(static_cast<std::size_t>(source_index)).get();
    ost.sync_ist = ist;
    ist->discard = 0;
    ist->st->discard = static_cast<AVDiscard>(ist->user_set_discard);
  }
  ost.last_mux_dts = AV_NOPTS_VALUE;
  return &ost;
}

void ParseMatrix(TCustomFFmpegOpt& engine, std::uint16_t* matrix, const std::string& text) {
  std::uint16_t parsed[64] = {};
  if (const std::optional<int> bad = ParseQuantMatrix(parsed, text)) {
    engine.RaiseErrorFmt("Syntax error in matrix \"{}\" at coeff {}", text, *bad);
  }
  std::copy(std::begin(parsed), std::end(parsed), matrix);
}

std::shared_ptr<AVCodecContext> NewEncoderContext(const AVCodec* codec) {
  return AVEncoderContextPtr(ff::avcodec_alloc_context3(codec));
}

}  // namespace zentrova

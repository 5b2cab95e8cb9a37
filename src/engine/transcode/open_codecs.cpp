// Opening the decoders and encoders of a task (transcode_init), the
// decoders' library callbacks and the QSV hardware path.
#include <fmt/format.h>
#include <climits>
#include <cstring>
#include <string>

#include "engine/custom_ffmpeg.h"
#include "engine/options/hwaccel_methods.h"
#include "engine/options/option_dictionaries.h"
#include "engine/transcode/qsv_transcode.h"
#include "log/logger.h"
#include "options/dictionary.h"
#include "options/media_text.h"

namespace zentrova {
namespace {

constexpr const char* kSeeLog =
    "Please check error log message(reported by ZOVuzodi) to find out more detail information.";

bool HasKey(const AVDictionaryPtr& d, const char* key) {
  return ff::av_dict_get(d.get(), key, nullptr, 0);
}

// Picks the decoder's output format: a hardware format only when its method
// was requested for the stream and the one-to-one decision gave the decoder
// a device, otherwise the first software format. Called by the library on a decoding thread.
AVPixelFormat SelectHwFormat(AVCodecContext* s, const AVPixelFormat* formats) noexcept {
  auto* ist = static_cast<TInputStream*>(s->opaque);
  const AVPixelFormat* p = formats;
  for (; *p != AV_PIX_FMT_NONE; ++p) {
    const AVPixFmtDescriptor* desc = ff::av_pix_fmt_desc_get(*p);
    if (!desc || !(desc->flags & AV_PIX_FMT_FLAG_HWACCEL)) break;
    const THWAccel* method = nullptr;
    for (const THWAccel& m : HwaccelMethods())
      if (m.pix_fmt == *p) method = &m;
    if (!method || !ist) continue;
    if ((ist->active_hwaccel_id != THWAccelID::HWACCEL_NONE && ist->active_hwaccel_id != method->id) ||
        (ist->hwaccel_id != THWAccelID::HWACCEL_AUTO && ist->hwaccel_id != method->id))
      continue;
    if (!s->hw_device_ctx) continue;  // no device: decode in software
    ist->active_hwaccel_id = method->id;
    ist->hwaccel_pix_fmt = *p;
    return *p;
  }
  return *p;
}

}  // namespace

int TCustomFFmpeg::open_decoder(int ist_index, std::string& msg) {
  TInputStream& ist = *Finput_streams[static_cast<std::size_t>(ist_index)];
  if (!ist.decoding_needed) {
    ist.next_pts = ist.next_dts = AV_NOPTS_VALUE;
    return 0;
  }
  if (!ist.avdec || !ist.dec_ctx) {
    msg = fmt::format("Decoder (codec {}) not found for input stream #{}:{}",
                      ff::avcodec_get_name(ist.st->codecpar->codec_id), ist.file_index, ist.st->index);
    return AVERROR(EINVAL);
  }
  AVCodecContext* dec = ist.dec_ctx.get();
  dec->opaque = &ist;
  dec->get_format = SelectHwFormat;
  dec->pkt_timebase = ist.st->time_base;
  // Options that a decoder of this library generation may lack are only
  // set where they exist (an unused option would fail the task), and not
  // where they are deprecated (the library then warns on every stream and
  // already defaults to the value given here).
  auto has_option = [dec](const char* name) {
    const AVOption* opt = ff::av_opt_find(dec, name, nullptr, 0, AV_OPT_SEARCH_CHILDREN);
    return opt && !(opt->flags & AV_OPT_FLAG_DEPRECATED);
  };
  if (ist.avdec->id == AV_CODEC_ID_DVB_SUBTITLE && ist.decoding_needed.for_output) {
    if (!HasKey(ist.decoder_opts, "compute_edt") && has_option("compute_edt"))
      DictSet(ist.decoder_opts, "compute_edt", "1");
    if (ist.decoding_needed.for_filter_graph)
      Log(TLogLevel::llWarning,
          "Warning using DVB subtitles for filtering and output at the same time is not fully supported, "
          "also see "
          "-compute_edt [0|1]");
  }
  if (!HasKey(ist.decoder_opts, "sub_text_format") && has_option("sub_text_format"))
    DictSet(ist.decoder_opts, "sub_text_format", "ass");
  if (!HasKey(ist.decoder_opts, "threads")) DictSet(ist.decoder_opts, "threads", "auto");
  // Only a one-to-one path decided by setup_qsv_transcode decodes on the
  // device: hardware frames must not reach software filters.
  if (ist.hw_device_ctx) {
    dec->hw_device_ctx = ff::av_buffer_ref(ist.hw_device_ctx.get());
    if (!dec->hw_device_ctx) return AVERROR(ENOMEM);
  }

  const int ret = ff::avcodec_open2(dec, ist.avdec, InOutPtr(ist.decoder_opts));
  if (ret < 0) {
    if (ret == AVERROR_EXPERIMENTAL) AbortExperimentalCodec();
    msg = error_code_text(ret, fmt::format("Error while opening decoder for input stream #{}:{} ",
                                           ist.file_index, ist.st->index));
    return ret;
  }
  AddToCodecList(FDecoderList, &ist);
  CheckUnusedOptions(ist.decoder_opts.get());
  ist.next_pts = ist.next_dts = AV_NOPTS_VALUE;
  return 0;
}

int TCustomFFmpeg::open_encoder(TOutputStream& ost, std::string& msg) {
  if (!ost.encoding_needed) {
    // Options given for a copied stream apply to its parameters.
    if (ost.encoder_opts && ff::av_dict_count(ost.encoder_opts.get()) > 0) {
      AVCodecContextPtr temp(ff::avcodec_alloc_context3(nullptr));
      if (!temp) return AVERROR(ENOMEM);
      int ret = ff::avcodec_parameters_to_context(temp.get(), ost.st->codecpar);
      if (ret >= 0) ret = ff::av_opt_set_dict(temp.get(), InOutPtr(ost.encoder_opts));
      if (ret >= 0) ret = ff::avcodec_parameters_from_context(ost.st->codecpar, temp.get());
      if (ret < 0) {
        FLastErrMsg = "Error setting up codec context options.";
        Log(TLogLevel::llFatal, FLastErrMsg);
        return ret;
      }
    }
    return init_bitstream_filters(ost);
  }

  AVCodecContext* enc = ost.enc_ctx.get();
  const TInputStream* ist =
      ost.source_index >= 0 ? Finput_streams[static_cast<std::size_t>(ost.source_index)].get() : nullptr;
  if (ist && ist->dec_ctx && ist->dec_ctx->subtitle_header) {
    const int size = ist->dec_ctx->subtitle_header_size;
    enc->subtitle_header = static_cast<std::uint8_t*>(ff::av_mallocz(static_cast<std::size_t>(size) + 1));
    if (!enc->subtitle_header) return AVERROR(ENOMEM);
    std::memcpy(enc->subtitle_header, ist->dec_ctx->subtitle_header, static_cast<std::size_t>(size));
    enc->subtitle_header_size = size;
  }
  if (FJoinMode) {
    ost.codec_id_bak = enc->codec_id;
    ost.opts_bak = CopyDictionary(ost.encoder_opts.get());
    ost.max_b_frames = enc->max_b_frames;
  }

  SetEncoderThreads(ost.encoder_opts, ost.enc, FDefaultEncoderThreads);
  if (ost.enc->type == AVMEDIA_TYPE_AUDIO && !HasKey(ost.encoder_opts, "b") &&
      !HasKey(ost.encoder_opts, "ab")) {
    // An encoder that brings its own bit rate default keeps it.
    AVCodecContextPtr fresh(ff::avcodec_alloc_context3(ost.enc));
    if (fresh && fresh->bit_rate != 0) DictSet(ost.encoder_opts, "b", "128000");
  }
  if (ost.filter && ost.filter->filter) {
    if (AVBufferRef* frames = ff::av_buffersink_get_hw_frames_ctx(ost.filter->filter)) {
      enc->hw_frames_ctx = ff::av_buffer_ref(frames);
      if (!enc->hw_frames_ctx) return AVERROR(ENOMEM);
    }
  }

  int ret = ff::avcodec_open2(enc, ost.enc, InOutPtr(ost.encoder_opts));
  if (ret < 0) {
    if (ret == AVERROR_EXPERIMENTAL) AbortExperimentalCodec();
    msg = fmt::format(
        "Error while opening encoder for output stream #{}:{} ({}) - maybe incorrect parameters such as "
        "bit_rate, "
        "rate, width or height. {}",
        ost.file_index, ost.index, media_type_text(ost.enc->type), kSeeLog);
    return ret;
  }
  ost.is_avcodec_opened = 1;
  if (ost.enc->type == AVMEDIA_TYPE_AUDIO && !(ost.enc->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) &&
      ost.filter && ost.filter->filter)
    ff::av_buffersink_set_frame_size(ost.filter->filter, static_cast<unsigned>(enc->frame_size));
  AddToCodecList(FEncoderList, &ost);
  CheckUnusedOptions(ost.encoder_opts.get());
  if (FJoinMode) {
    ost.encoder_opts = std::move(ost.opts_bak);
  }
  if (enc->bit_rate > 0 && enc->bit_rate < 1000)
    Log(TLogLevel::llWarning,
        "The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s");

  if (ff::avcodec_parameters_from_context(ost.st->codecpar, enc) < 0)
    RaiseError("Error initializing the output stream codec context.");
  for (int i = 0; i < enc->nb_coded_side_data; ++i) {
    const AVPacketSideData& sd = enc->coded_side_data[i];
    std::uint8_t* dst = ff::av_stream_new_side_data(ost.st, sd.type, sd.size);
    if (!dst) return AVERROR(ENOMEM);
    std::memcpy(dst, sd.data, sd.size);
  }
  // A hint: the muxer may choose another time base when the header is written.
  AVRational tb = enc->time_base;
  ff::av_reduce(&tb.num, &tb.den, tb.num, tb.den, INT_MAX);
  ost.st->time_base = tb;
  ret = init_bitstream_filters(ost);
  return ret;
}

int TCustomFFmpeg::init_bitstream_filters(TOutputStream& ost) {
  TBitstreamFilterChain& chain = *ost.bitstream_filters;
  if (chain.empty()) return 0;
  for (std::size_t i = 0; i < chain.size(); ++i) {
    AVBSFContext* bsf = chain[i].get();
    const AVCodecParameters* in = i == 0 ? ost.st->codecpar : chain[i - 1]->par_out;
    int ret = ff::avcodec_parameters_copy(bsf->par_in, in);
    if (ret < 0) return ret;
    bsf->time_base_in = i == 0 ? ost.st->time_base : chain[i - 1]->time_base_out;
    ret = ff::av_bsf_init(bsf);
    if (ret < 0) {
      Log(TLogLevel::llError,
          error_code_text(ret, fmt::format("Error initializing bitstream filter: {}", bsf->filter->name)));
      return ret;
    }
  }
  const AVBSFContext* last = chain.back().get();
  const int ret = ff::avcodec_parameters_copy(ost.st->codecpar, last->par_out);
  if (ret < 0) return ret;
  ost.st->time_base = last->time_base_out;
  return 0;
}

void TCustomFFmpeg::tag_encoder_name(TOutputFile& of, TOutputStream& ost) {
  if (ff::av_dict_get(ost.st->metadata, "encoder", nullptr, 0)) return;
  bool bitexact = false;
  if (const AVDictionaryEntry* e = ff::av_dict_get(of.opts.get(), "fflags", nullptr, 0)) {
    const AVOption* o = ff::av_opt_find(of.ctx.get(), "fflags", nullptr, 0, 0);
    int flags = 0;
    if (o && ff::av_opt_eval_flags(of.ctx.get(), o, e->value, &flags) >= 0 && (flags & AVFMT_FLAG_BITEXACT))
      bitexact = true;
  }
  if (const AVDictionaryEntry* e = ff::av_dict_get(ost.encoder_opts.get(), "flags", nullptr, 0)) {
    const AVOption* o = ff::av_opt_find(ost.enc_ctx.get(), "flags", nullptr, 0, 0);
    int flags = 0;
    if (o && ff::av_opt_eval_flags(ost.enc_ctx.get(), o, e->value, &flags) >= 0 &&
        (flags & AV_CODEC_FLAG_BITEXACT))
      bitexact = true;
  }
  const std::string value = std::string(bitexact ? "Lavc " : LIBAVCODEC_IDENT " ") + ost.enc->name;
  if (ff::av_dict_set(&ost.st->metadata, "encoder", value.c_str(), AV_DICT_DONT_OVERWRITE) < 0) {
    Log(TLogLevel::llFatal, "av_mamocz() failed");
    throw FFmpegException("av_mamocz() failed");
  }
}

int TCustomFFmpeg::setup_qsv_transcode(TOutputStream& ost, TInputStream& ist) {
  switch (DecideQsvTranscode(QsvCandidateOf(ost, ist, Foutput_streams, Fdo_deinterlace != 0))) {
    case TQsvTranscode::NotRequested:
      return 0;
    case TQsvTranscode::RuntimeMissing:
      Log(TLogLevel::llWarning, "Intel QSV transcoding is not avaiable because libmfx is not loaded.");
      return 0;
    case TQsvTranscode::NotOneToOne:
      Log(TLogLevel::llWarning,
          "QSV transcoding is not initialized. -hwaccel qsv should only be used for one-to-one QSV "
          "transcoding "
          "with no filters.");
      return 0;
    case TQsvTranscode::Possible:
      break;
  }
  Log(TLogLevel::llVerbose, "Setting up QSV transcoding");
  AVBufferRef* device = nullptr;
  const int ret = ff::av_hwdevice_ctx_create(
      &device, AV_HWDEVICE_TYPE_QSV, ist.hwaccel_device.empty() ? nullptr : ist.hwaccel_device.c_str(),
      nullptr, 0);
  if (ret < 0) {
    // No device on this machine: both sides stay in software.
    Log(TLogLevel::llWarning, fmt::format("Error initializing an MFX session: {}", ret));
    return 0;
  }
  ist.hw_device_ctx.reset(device);
  ost.enc_ctx->hw_device_ctx = ff::av_buffer_ref(device);
  return ost.enc_ctx->hw_device_ctx ? 0 : AVERROR(ENOMEM);
}

void SetEncoderThreads(AVDictionaryPtr& opts, const AVCodec* codec, int default_threads) {
  if (std::string_view(codec->name) == "mjpeg") DictSet(opts, "threads", "1");
  if (!HasKey(opts, "threads"))
    DictSet(opts, "threads", default_threads > 0 ? std::to_string(default_threads) : std::string("auto"));
}

}  // namespace zentrova

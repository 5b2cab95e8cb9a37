#include "media/encoder_setup.h"

#include <fmt/format.h>

#include "media/media_error.h"

namespace zentrova::test {

const AVCodec* FindEncoder(const std::string& name, AVMediaType type, const AVOutputFormat* format) {
  const AVCodec* codec = ff::avcodec_find_encoder_by_name(name.c_str());
  if (!codec) Fail(fmt::format("Encoder \"{}\" is not available in the loaded media libraries", name));
  if (codec->type != type)
    Fail(fmt::format("Encoder \"{}\" does not encode {}", name, ff::av_get_media_type_string(type)));
  // 0 means the container knows it cannot carry the codec; a negative
  // answer means it does not know, and the header writer decides.
  if (ff::avformat_query_codec(format, codec->id, FF_COMPLIANCE_NORMAL) == 0)
    Fail(fmt::format("The container format \"{}\" cannot carry {} streams from encoder \"{}\"", format->name,
                     ff::avcodec_get_name(codec->id), name));
  return codec;
}

AVCodecContextPtr NewEncoderContext(const AVCodec* codec, const AVOutputFormat* format) {
  AVCodecContextPtr enc(ff::avcodec_alloc_context3(codec));
  if (!enc) Fail(fmt::format("Cannot allocate a context for encoder \"{}\"", codec->name));
  if (format->flags & AVFMT_GLOBALHEADER) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  enc->thread_count = 1;  // the same output on every machine
  return enc;
}

AVStream* OpenEncodedStream(AVFormatContext* oc, AVCodecContext* enc, AVDictionaryPtr options,
                            const std::string& description) {
  Check(ff::avcodec_open2(enc, enc->codec, InOutPtr(options)),
        fmt::format("Cannot open encoder \"{}\" for {}", enc->codec->name, description));
  if (options) {  // what the encoder did not take
    const AVDictionaryEntry* first = ff::av_dict_get(options.get(), "", nullptr, AV_DICT_IGNORE_SUFFIX);
    Fail(
        fmt::format("Encoder \"{}\" for {} has no option \"{}\"", enc->codec->name, description, first->key));
  }
  AVStream* st = ff::avformat_new_stream(oc, nullptr);
  if (!st) Fail("Cannot add a stream for " + description);
  Check(ff::avcodec_parameters_from_context(st->codecpar, enc),
        "Cannot copy the encoder parameters for " + description);
  st->time_base = enc->time_base;  // a hint: the muxer may choose another in its header
  return st;
}

void SetLanguage(AVStream* st, const std::string& language) {
  if (!language.empty()) ff::av_dict_set(&st->metadata, "language", language.c_str(), 0);
}

}  // namespace zentrova::test

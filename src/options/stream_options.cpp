#include "options/stream_options.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

#include "options/dictionary.h"
#include "options/library_log.h"

namespace zentrova {

int match_stream_specifier(AVFormatContext* s, AVStream* stream, const char* spec) {
  return ff::avformat_match_stream_specifier(s, stream, spec);
}

AVDictionaryPtr filter_stream_options(const AVDictionary* opts, AVCodecID codec_id, AVFormatContext* s,
                                      AVStream* st, const AVCodec* codec) {
  const bool encoding = s->oformat != nullptr;
  int flags = encoding ? AV_OPT_FLAG_ENCODING_PARAM : AV_OPT_FLAG_DECODING_PARAM;
  if (!codec) codec = encoding ? ff::avcodec_find_encoder(codec_id) : ff::avcodec_find_decoder(codec_id);
  char prefix = 0;
  switch (st->codecpar->codec_type) {
    case AVMEDIA_TYPE_VIDEO:
      prefix = 'v';
      flags |= AV_OPT_FLAG_VIDEO_PARAM;
      break;
    case AVMEDIA_TYPE_AUDIO:
      prefix = 'a';
      flags |= AV_OPT_FLAG_AUDIO_PARAM;
      break;
    case AVMEDIA_TYPE_SUBTITLE:
      prefix = 's';
      flags |= AV_OPT_FLAG_SUBTITLE_PARAM;
      break;
    default:
      break;
  }

  const AVClass* codec_class = ff::avcodec_get_class();
  auto known = [flags](const AVClass* cls, const std::string& key) {
    return ff::av_opt_find(&cls, key.c_str(), nullptr, flags, AV_OPT_SEARCH_FAKE_OBJ) != nullptr;
  };

  AVDictionaryPtr result;
  const AVDictionaryEntry* t = nullptr;
  while ((t = ff::av_dict_get(opts, "", t, AV_DICT_IGNORE_SUFFIX))) {
    std::string key = t->key;
    if (const std::size_t colon = key.find(':'); colon != std::string::npos) {
      const int r = match_stream_specifier(s, st, t->key + colon + 1);
      if (r < 0) throw std::runtime_error("invalid stream specifier");
      if (r == 0) continue;
      key.resize(colon);
    }
    std::string target;
    if (known(codec_class, key) || !codec || (codec->priv_class && known(codec->priv_class, key)))
      target = key;
    else if (prefix != 0 && key.size() > 1 && key.front() == prefix && known(codec_class, key.substr(1)))
      target = key.substr(1);
    else
      continue;
    if (DictSet(result, target, t->value) < 0) throw std::bad_alloc();
  }
  return result;
}

std::vector<AVDictionaryPtr> stream_info_options(AVFormatContext* s, const AVDictionary* codec_opts) {
  std::vector<AVDictionaryPtr> result;
  if (!s || s->nb_streams == 0) return result;
  result.reserve(s->nb_streams);
  for (unsigned i = 0; i < s->nb_streams; ++i)
    result.push_back(
        filter_stream_options(codec_opts, s->streams[i]->codecpar->codec_id, s, s->streams[i], nullptr));
  return result;
}

std::optional<double> rotate_tag_degrees(std::string_view value) {
  double degrees = 0;
  const char* end = value.data() + value.size();
  const auto [stop, error] = std::from_chars(value.data(), end, degrees);
  if (value.empty() || error != std::errc() || stop != end || !std::isfinite(degrees)) return std::nullopt;
  return degrees;
}

double stream_rotation(AVStream* st) {
  double theta = 0;
  if (const AVDictionaryEntry* tag = ff::av_dict_get(st->metadata, "rotate", nullptr, 0);
      tag && *tag->value && std::strcmp(tag->value, "0") != 0)
    theta = rotate_tag_degrees(tag->value).value_or(0);
  if (theta == 0) {
    if (const std::uint8_t* matrix = ff::av_stream_get_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, nullptr))
      theta = -ff::av_display_rotation_get(reinterpret_cast<const std::int32_t*>(matrix));
  }
  if (std::isnan(theta)) theta = 0;
  theta -= 360 * std::floor(theta / 360 + 0.9 / 360);
  if (std::fabs(theta - 90 * std::nearbyint(theta / 90)) > 2) {
    LibraryLog(kLibraryWarning, "Odd rotation angle.\n");
    LibraryLog(
        kLibraryWarning,
        "If you can, please send a sample of this file to the FFmpeg developers so that its rotation can be "
        "supported.\n");
  }
  return theta;
}

}  // namespace zentrova

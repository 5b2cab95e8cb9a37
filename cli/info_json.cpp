#include "cli/info_json.h"

#include <array>
#include <cmath>
#include <cstdint>

#include "decoder/custom_decoder.h"
#include "media/ff.h"
#include "options/media_text.h"

namespace zentrova::cli {
namespace {

using json = nlohmann::ordered_json;

json OrNull(std::int64_t value, bool known) {
  return known ? json(value) : json(nullptr);
}

// "16:9"; null for an unknown ratio (0/x or x/0).
json RatioText(AVRational ratio, char separator) {
  if (ratio.num == 0 || ratio.den == 0) return nullptr;
  return std::to_string(ratio.num) + separator + std::to_string(ratio.den);
}

json Microseconds(std::int64_t time, AVRational time_base) {
  if (time == AV_NOPTS_VALUE || time_base.num <= 0 || time_base.den <= 0) return nullptr;
  return ff::av_rescale_q(time, time_base, AVRational{1, AV_TIME_BASE});
}

json Tags(const AVDictionary* dict) {
  json tags = json::object();
  const AVDictionaryEntry* entry = nullptr;
  while ((entry = ff::av_dict_get(dict, "", entry, AV_DICT_IGNORE_SUFFIX)) != nullptr)
    tags[entry->key] = entry->value ? entry->value : "";
  return tags;
}

std::string Text(const char* text) {
  return text ? text : "";
}

// The display matrix says how to turn the coded picture to show it; the
// library measures the turn counterclockwise, a viewer thinks clockwise.
int RotationDegrees(const AVStream* stream) {
  std::size_t size = 0;
  const std::uint8_t* matrix = ff::av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
  if (!matrix || size < 9 * sizeof(std::int32_t)) return 0;
  const double counterclockwise = ff::av_display_rotation_get(reinterpret_cast<const std::int32_t*>(matrix));
  if (std::isnan(counterclockwise)) return 0;
  const long degrees = std::lround(-counterclockwise) % 360;
  return static_cast<int>(degrees < 0 ? degrees + 360 : degrees);
}

void AddVideo(TCustomDecoder& decoder, const AVStream* stream, json& object) {
  const TVideoStreamInfo info = decoder.GetVideoStreamInfo(stream->index);
  object["pixel_format"] = Text(ff::av_get_pix_fmt_name(info.PixFmt));
  object["width"] = info.Width;
  object["height"] = info.Height;
  object["sample_aspect"] = RatioText(info.SAR, ':');
  object["display_aspect"] = RatioText(info.DAR, ':');
  object["rotation"] = RotationDegrees(stream);
  const bool rate_known = info.FrameRate.num > 0 && info.FrameRate.den > 0;
  object["frame_rate"] = rate_known ? json(av_q2d(info.FrameRate)) : json(nullptr);
  object["frame_rate_ratio"] = RatioText(info.FrameRate, '/');
}

void AddAudio(TCustomDecoder& decoder, const AVStream* stream, json& object) {
  const TAudioStreamInfo info = decoder.GetAudioStreamInfo(stream->index);
  object["sample_rate"] = info.SampleRate;
  object["channels"] = info.Channels;
  std::array<char, 128> layout{};
  object["channel_layout"] =
      ff::av_channel_layout_describe(&stream->codecpar->ch_layout, layout.data(), layout.size()) > 0
          ? std::string(layout.data())
          : std::string();
  object["sample_format"] = Text(ff::av_get_sample_fmt_name(info.SampleFormat));
}

void AddSubtitle(TCustomDecoder& decoder, const AVStream* stream, json& object) {
  const TSubtitleStreamInfo info = decoder.GetSubtitleStreamInfo(stream->index);
  object["subtitle_type"] = info.SubFormat == 0 ? "bitmap" : info.SubFormat == 1 ? "text" : "";
}

json StreamJson(TCustomDecoder& decoder, const AVStream* stream) {
  const AVCodecParameters* par = stream->codecpar;
  const AVCodecDescriptor* descriptor = ff::avcodec_descriptor_get(par->codec_id);
  json object = {
      {"index", stream->index},
      {"kind", par->codec_type == AVMEDIA_TYPE_UNKNOWN ? std::string("unknown")
                                                       : Text(ff::av_get_media_type_string(par->codec_type))},
      {"codec", Text(ff::avcodec_get_name(par->codec_id))},
      {"codec_long", descriptor ? Text(descriptor->long_name) : std::string()},
      {"profile", Text(ff::avcodec_profile_name(par->codec_id, par->profile))},
      {"bit_rate", OrNull(par->bit_rate, par->bit_rate > 0)},
      {"duration_us", Microseconds(stream->duration, stream->time_base)},
      {"language", dict_value_or_default(stream->metadata, "language", "")},
      {"title", dict_value_or_default(stream->metadata, "title", "")},
      {"default", (stream->disposition & AV_DISPOSITION_DEFAULT) != 0},
      {"forced", (stream->disposition & AV_DISPOSITION_FORCED) != 0},
      {"attached_picture", (stream->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0},
      {"tags", Tags(stream->metadata)},
  };
  switch (par->codec_type) {
    case AVMEDIA_TYPE_VIDEO:
      AddVideo(decoder, stream, object);
      break;
    case AVMEDIA_TYPE_AUDIO:
      AddAudio(decoder, stream, object);
      break;
    case AVMEDIA_TYPE_SUBTITLE:
      AddSubtitle(decoder, stream, object);
      break;
    default:
      break;
  }
  return object;
}

json ChapterJson(const AVChapter* chapter) {
  return {{"start_us", Microseconds(chapter->start, chapter->time_base)},
          {"end_us", Microseconds(chapter->end, chapter->time_base)},
          {"title", dict_value_or_default(chapter->metadata, "title", "")}};
}

}  // namespace

json FileInfoJson(TCustomDecoder& decoder, const std::string& file) {
  const AVFormatContext* context = decoder.FileHandle();
  const TFileStreamInfo info = decoder.FileStreamInfo();
  json object = {
      {"file", file},
      {"container", decoder.FormatName()},
      {"container_long", decoder.FormatLongName()},
      {"duration_us", OrNull(info.Duration, info.Duration >= 0)},
      {"start_us", OrNull(info.StartTime, info.StartTime != kNoTimeStamp)},
      {"size", OrNull(decoder.FileSize(), decoder.FileSize() >= 0)},
      {"bit_rate", OrNull(context->bit_rate, context->bit_rate > 0)},
  };
  json streams = json::array();
  for (unsigned i = 0; i < context->nb_streams; ++i)
    streams.push_back(StreamJson(decoder, context->streams[i]));
  object["streams"] = std::move(streams);
  json chapters = json::array();
  for (unsigned i = 0; i < context->nb_chapters; ++i) chapters.push_back(ChapterJson(context->chapters[i]));
  object["chapters"] = std::move(chapters);
  object["tags"] = Tags(context->metadata);
  return object;
}

json FileErrorJson(const std::string& file, const std::string& message) {
  return {{"file", file}, {"error", message}};
}

std::string InfoLine(const json& object) {
  return object.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace zentrova::cli

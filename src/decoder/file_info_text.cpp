#include "decoder/file_info_text.h"

#include <fmt/format.h>

#include "decoder/info_text.h"
#include "media/av_ptr.h"
#include "options/file_name_text.h"
#include "options/time_text.h"

namespace zentrova {
namespace {

constexpr struct {
  int flag;
  const char* mark;
} kDispositionMarks[] = {
    {AV_DISPOSITION_DEFAULT, " (default)"},
    {AV_DISPOSITION_DUB, " (dub)"},
    {AV_DISPOSITION_ORIGINAL, " (original)"},
    {AV_DISPOSITION_COMMENT, " (comment)"},
    {AV_DISPOSITION_LYRICS, " (lyrics)"},
    {AV_DISPOSITION_KARAOKE, " (karaoke)"},
    {AV_DISPOSITION_FORCED, " (forced)"},
    {AV_DISPOSITION_HEARING_IMPAIRED, " (hearing impaired)"},
    {AV_DISPOSITION_VISUAL_IMPAIRED, " (visual impaired)"},
    {AV_DISPOSITION_CLEAN_EFFECTS, " (clean effects)"},
};

// The inverse of a time base as a rate text, or nothing for a zero part.
std::string InverseRateText(AVRational time_base, const char* unit, const std::string& separator) {
  if (time_base.num == 0 || time_base.den == 0) return {};
  return separator + FpsText(1 / av_q2d(time_base), unit);
}

void AddStreamLine(std::vector<std::string>& lines, AVFormatContext* file, unsigned index) {
  AVStream* stream = file->streams[index];
  AVCodecContextPtr context(ff::avcodec_alloc_context3(nullptr));
  if (!context || ff::avcodec_parameters_to_context(context.get(), stream->codecpar) < 0) return;
  context->pkt_timebase = stream->time_base;
  char description[256] = {};
  ff::avcodec_string(description, sizeof description, context.get(), 0);
  const std::string separator =
      context->dump_separator ? reinterpret_cast<const char*>(context->dump_separator) : ", ";

  std::string line = fmt::format("  Stream #{}", index);
  if (file->iformat && (file->iformat->flags & AVFMT_SHOW_IDS)) line += fmt::format("[0x{:x}]", stream->id);
  if (const AVDictionaryEntry* language = ff::av_dict_get(stream->metadata, "language", nullptr, 0))
    line += fmt::format("({})", language->value);
  line += fmt::format(", {}/{}: {}", stream->time_base.num, stream->time_base.den, description);
  const AVRational sar = stream->sample_aspect_ratio;
  if (sar.num != 0 && av_cmp_q(sar, stream->codecpar->sample_aspect_ratio) != 0) {
    const AVRational dar = DisplayAspect(stream->codecpar->width, stream->codecpar->height, sar);
    line += fmt::format(", SAR {}:{} DAR {}:{}", sar.num, sar.den, dar.num, dar.den);
  }
  if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
    const AVRational average = stream->avg_frame_rate;
    if (average.num != 0 && average.den != 0) line += separator + FpsText(av_q2d(average), "fps");
    const AVRational real = stream->r_frame_rate;
    if (real.num != 0 && real.den != 0) line += separator + FpsText(av_q2d(real), "tbr");
    line += InverseRateText(stream->time_base, "tbn", separator);
    line += InverseRateText(ff::av_stream_get_codec_timebase(stream), "tbc", separator);
  }
  for (const auto& mark : kDispositionMarks)
    if (stream->disposition & mark.flag) line += mark.mark;
  if (stream->start_time != AV_NOPTS_VALUE)
    line += ", start: " + SecondsText(stream->time_base, stream->start_time);
  if (stream->duration != AV_NOPTS_VALUE)
    line += ", duration: " + pts_to_text(stream->duration, stream->time_base);
  lines.push_back(std::move(line));
  AddMetadataLines(lines, stream->metadata, "  ");
}

}  // namespace

AVRational DisplayAspect(int width, int height, AVRational sar) {
  AVRational dar{0, 1};
  const std::int64_t num = std::int64_t{width} * sar.num;
  const std::int64_t den = std::int64_t{height} * sar.den;
  if (sar.num == 0 || den == 0) return dar;
  ff::av_reduce(&dar.num, &dar.den, num, den, 1024 * 1024);
  return dar;
}

std::vector<std::string> BuildFileInfoLines(AVFormatContext* file, std::int64_t file_size_bytes) {
  std::vector<std::string> lines;
  lines.push_back(fmt::format(
      "File Name: {}", file->url ? displayed_file_name(library_text_to_string(file->url)) : std::string()));
  const AVInputFormat* format = file->iformat;
  lines.push_back(fmt::format("Format Name: {}", format && format->name ? format->name : ""));
  if (format && format->long_name && *format->long_name)
    lines.push_back(fmt::format("Format Long Name: {}", format->long_name));
  lines.push_back(fmt::format("File Size: {}", SizeText(file_size_bytes)));
  AddMetadataLines(lines, file->metadata, "");

  std::string duration = "Duration: " + time_to_text(file->duration);
  if (file->start_time != AV_NOPTS_VALUE)
    duration += ", start: " + SecondsText(AV_TIME_BASE_Q, file->start_time);
  duration += ", bitrate: ";
  duration += file->bit_rate > 0 ? fmt::format("{} kb/s", file->bit_rate / 1000) : "N/A";
  lines.push_back(std::move(duration));

  for (unsigned i = 0; i < file->nb_chapters; ++i) {
    const AVChapter* chapter = file->chapters[i];
    const double unit = av_q2d(chapter->time_base);
    lines.push_back(fmt::format("Chapter #{}: start {:.6f}, end {:.6f}", i,
                                static_cast<double>(chapter->start) * unit,
                                static_cast<double>(chapter->end) * unit));
    AddMetadataLines(lines, chapter->metadata, "  ");
  }

  std::vector<bool> shown(file->nb_streams, false);
  if (file->nb_programs > 0) {
    unsigned listed = 0;
    for (unsigned p = 0; p < file->nb_programs; ++p) {
      const AVProgram* program = file->programs[p];
      const AVDictionaryEntry* name = ff::av_dict_get(program->metadata, "name", nullptr, 0);
      lines.push_back(fmt::format("Program {} {}", program->id, name ? name->value : ""));
      AddMetadataLines(lines, program->metadata, "  ");
      for (unsigned k = 0; k < program->nb_stream_indexes; ++k) {
        const unsigned index = program->stream_index[k];
        if (index >= file->nb_streams) continue;
        AddStreamLine(lines, file, index);
        shown[index] = true;
      }
      listed += program->nb_stream_indexes;
    }
    if (listed < file->nb_streams) lines.push_back("No Program");
  }
  for (unsigned i = 0; i < file->nb_streams; ++i)
    if (!shown[i]) AddStreamLine(lines, file, i);
  return lines;
}

std::string BuildFileInfoText(AVFormatContext* file, std::int64_t file_size_bytes) {
  const std::vector<std::string> lines = BuildFileInfoLines(file, file_size_bytes);
  return fmt::format("{}", fmt::join(lines, "\r\n"));
}

}  // namespace zentrova

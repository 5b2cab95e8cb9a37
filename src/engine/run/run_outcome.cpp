// The honest outcome of a run that read its inputs to their end: an input
// that ended well before its stated duration makes the run incomplete, and
// an output without data of a kind it was planned with makes it failed.
#include <fmt/format.h>

#include <algorithm>
#include <set>
#include <string_view>
#include <utility>

#include "engine/custom_ffmpeg.h"
#include "log/logger.h"
#include "media/time_base.h"

namespace zentrova {

namespace {

// An input is short when it ends more than this much, and more than
// kShortFraction of its duration, before its stated end.
constexpr std::int64_t kShortByUs = 1000000;
constexpr double kShortFraction = 0.02;

// m:ss.d, or h:mm:ss.d from an hour on.
std::string ClockText(std::int64_t us) {
  const std::int64_t tenths = std::max<std::int64_t>(us, 0) / 100000;
  const std::int64_t seconds = tenths / 10;
  if (seconds >= 3600)
    return fmt::format("{}:{:02}:{:02}.{}", seconds / 3600, seconds / 60 % 60, seconds % 60, tenths % 10);
  return fmt::format("{}:{:02}.{}", seconds / 60, seconds % 60, tenths % 10);
}

}  // namespace

bool TCustomFFmpeg::outputs_ask_for_less() const {
  for (const std::unique_ptr<TOutputFile>& of : Foutput_files)
    if (of->recording_time != INT64_MAX || of->limit_filesize != INT64_MAX || of->shortest) return true;
  for (const std::unique_ptr<TOutputStream>& ost : Foutput_streams)
    if (ost->max_frames != INT64_MAX) return true;
  return false;
}

void TCustomFFmpeg::check_input_ends() {
  if (outputs_ask_for_less()) return;
  for (std::size_t i = 0; i < Finput_files.size(); ++i) {
    const TInputFile& f = *Finput_files[i];
    const AVFormatContext* ic = f.ctx.get();
    // Only an input read to its end, whole and once, can fall short.
    if (!f.eof_reached || f.loop != 0 || f.recording_time != INT64_MAX) continue;
    if (ic->duration == AV_NOPTS_VALUE || ic->duration <= 0) continue;
    const std::int64_t stated_us = ic->duration - (f.start_time == AV_NOPTS_VALUE ? 0 : f.start_time);
    std::int64_t reached_us = -1;
    for (int j = 0; j < f.nb_streams; ++j) {
      const TInputStream& ist = *Finput_streams[static_cast<std::size_t>(f.ist_index + j)];
      if (ist.max_pts == INT64_MIN || ist.min_pts == INT64_MAX) continue;
      reached_us =
          std::max(reached_us, ff::av_rescale_q(ist.max_pts - ist.min_pts, ist.st->time_base, kMicroseconds));
    }
    if (reached_us < 0) reached_us = 0;  // nothing of it could be read
    const std::int64_t short_by_us = stated_us - reached_us;
    if (short_by_us <= kShortByUs || short_by_us <= kShortFraction * static_cast<double>(stated_us)) continue;
    std::string_view name = ic->url ? ic->url : "";
    if (name.starts_with("file:")) name.remove_prefix(5);
    const std::string text =
        fmt::format("{}: input ended at {} of {}", name, ClockText(reached_us), ClockText(stated_us));
    Log(TLogLevel::llWarning, text);
    if (FIncompleteMessage.empty()) FIncompleteMessage = text;
  }
}

void TCustomFFmpeg::check_output_data() {
  for (std::size_t i = 0; i < Foutput_files.size(); ++i) {
    const TOutputFile& of = *Foutput_files[i];
    std::set<AVMediaType> planned;
    std::set<AVMediaType> written;
    for (unsigned j = 0; j < of.ctx->nb_streams; ++j) {
      const TOutputStream& ost = *Foutput_streams[static_cast<std::size_t>(of.ost_index) + j];
      if (!ost.attachment_filename.empty()) continue;
      const AVMediaType type = ost.st->codecpar->codec_type;
      planned.insert(type);
      if (ost.packets_written > 0) written.insert(type);
    }
    const std::string name = of.target ? of.final_url : (of.ctx->url ? of.ctx->url : "");
    if (!planned.empty() && written.empty()) {
      RecordRunFailure(
          fmt::format("Output file #{} ({}) holds no data: the input had nothing to convert.", i, name));
    }
    for (const auto& [type, kind] :
         {std::pair{AVMEDIA_TYPE_VIDEO, "video"}, std::pair{AVMEDIA_TYPE_AUDIO, "audio"}}) {
      if (planned.count(type) && !written.count(type)) {
        RecordRunFailure(fmt::format("Output file #{} ({}) got no {} data: the input's {} could not be read.",
                                     i, name, kind, kind));
      }
    }
    if (FJoinMode) break;
  }
}

}  // namespace zentrova

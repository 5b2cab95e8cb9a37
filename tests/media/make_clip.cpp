// MakeClip: sets up the container, its tracks, chapters and programs, then
// writes the tracks interleaved by time.
#include <fmt/format.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

#include "media/av_ptr.h"
#include "media/clip_track.h"
#include "media/media_error.h"
#include "media/test_media.h"

namespace zentrova::test {
namespace {

AVOutputFormatContextPtr NewOutput(const std::string& path, const ClipSpec& spec) {
  AVOutputFormatContextPtr oc;
  int err = ff::avformat_alloc_output_context2(
      OutPtr(oc), nullptr, spec.format.empty() ? nullptr : spec.format.c_str(), path.c_str());
  if (err < 0 || !oc) {
    if (spec.format.empty())
      Fail(fmt::format("Cannot tell the container format from the file name \"{}\"", path));
    Fail(fmt::format("Unknown container format \"{}\" for \"{}\"", spec.format, path));
  }
  return oc;
}

// Evenly spaced chapters "Chapter N"; the context frees them (library allocator).
void AddChapters(AVFormatContext* oc, int count, double duration_s) {
  if (count <= 0) return;
  oc->chapters = static_cast<AVChapter**>(ff::av_calloc(static_cast<size_t>(count), sizeof(AVChapter*)));
  if (!oc->chapters) Fail("Cannot allocate the chapters");
  const int64_t total_ms = std::llround(duration_s * 1000);
  for (int i = 0; i < count; ++i) {
    auto* chapter = static_cast<AVChapter*>(ff::av_mallocz(sizeof(AVChapter)));
    if (!chapter) Fail("Cannot allocate a chapter");
    oc->chapters[oc->nb_chapters++] = chapter;
    chapter->id = i + 1;
    chapter->time_base = AVRational{1, 1000};
    chapter->start = total_ms * i / count;
    chapter->end = total_ms * (i + 1) / count;
    ff::av_dict_set(&chapter->metadata, "title", fmt::format("Chapter {}", i + 1).c_str(), 0);
  }
}

// Programs 1..count, each taking the next run of streams in stream order
// (a transport stream reads back program by program, so this keeps the
// streams' order).
void AddPrograms(AVFormatContext* oc, int count) {
  if (count <= 0) return;
  if (static_cast<unsigned>(count) > oc->nb_streams)
    Fail(fmt::format("{} programs need at least as many streams, not {}", count, oc->nb_streams));
  for (int i = 0; i < count; ++i) {
    AVProgram* program = ff::av_new_program(oc, i + 1);
    if (!program) Fail("Cannot add a program");
    ff::av_dict_set(&program->metadata, "service_name", fmt::format("Program {}", i + 1).c_str(), 0);
  }
  for (unsigned s = 0; s < oc->nb_streams; ++s)
    ff::av_program_add_stream_index(
        oc, static_cast<int>(s * static_cast<unsigned>(count) / oc->nb_streams) + 1, s);
}

// Writes the tracks in order of time, so that every container is interleaved.
void WriteTracks(const std::vector<std::unique_ptr<ClipTrack>>& tracks) {
  for (;;) {
    ClipTrack* next = nullptr;
    for (const auto& track : tracks)
      if (!track->Finished() && (!next || track->NextTime() < next->NextTime())) next = track.get();
    if (!next) return;
    next->Step();
  }
}

// Writes the clip named `path` into the file `written`.
void WriteClip(AVFormatContext* oc, const std::string& path, const std::string& written,
               const ClipSpec& spec) {
  // Every stream's encoder is opened before the file is touched, so a
  // missing encoder leaves an existing file alone.
  std::vector<std::unique_ptr<ClipTrack>> tracks;
  if (spec.video) tracks.push_back(MakeVideoTrack(oc, *spec.video, spec.duration_s));
  for (const VideoSpec& video : spec.extra_video)
    tracks.push_back(MakeVideoTrack(oc, video, spec.duration_s));
  for (const AudioSpec& audio : spec.audio) tracks.push_back(MakeAudioTrack(oc, audio, spec.duration_s));
  for (int i = 0; i < spec.subtitle_streams; ++i)
    tracks.push_back(MakeSubtitleTrack(oc, i, spec.duration_s, TSubtitleKind::Text));
  for (int i = 0; i < spec.bitmap_subtitle_streams; ++i)
    tracks.push_back(
        MakeSubtitleTrack(oc, spec.subtitle_streams + i, spec.duration_s, TSubtitleKind::Bitmap));
  // Matroska carries a cover as an image attachment, other containers as a one-picture stream.
  const bool matroska = std::string_view(oc->oformat->name) == "matroska";
  if (spec.cover_art && !matroska) tracks.push_back(MakeCoverArtTrack(oc));
  if (spec.cover_art && matroska) AddAttachment(oc, {"cover.png", "image/png", EncodePngPicture(160, 120)});
  for (const AttachmentSpec& attachment : spec.attachments) AddAttachment(oc, attachment);
  if (tracks.empty()) Fail(fmt::format("A clip needs at least one stream: \"{}\"", path));
  AddChapters(oc, spec.chapters, spec.duration_s);
  AddPrograms(oc, spec.programs);
  for (const auto& [key, value] : spec.metadata)
    ff::av_dict_set(&oc->metadata, key.c_str(), value.c_str(), 0);

  AVDictionaryPtr options;
  // A still picture goes to exactly the file named, without a number pattern.
  if (std::string_view(oc->oformat->name) == "image2" && !ff::av_filename_number_test(path.c_str()))
    ff::av_dict_set(InOutPtr(options), "update", "1", 0);

  // Muxers that open their files themselves write to the context's url.
  if (written != path) {
    ff::av_freep(&oc->url);
    oc->url = ff::av_strdup(written.c_str());
    if (!oc->url) Fail(fmt::format("Cannot allocate the name \"{}\"", written));
  }
  if (!(oc->oformat->flags & AVFMT_NOFILE))
    Check(ff::avio_open(&oc->pb, written.c_str(), AVIO_FLAG_WRITE),
          fmt::format("Cannot create \"{}\"", written));
  Check(ff::avformat_write_header(oc, InOutPtr(options)),
        fmt::format("Cannot write the header of \"{}\"", path));
  WriteTracks(tracks);
  Check(ff::av_write_trailer(oc), fmt::format("Cannot finish \"{}\"", path));
  if (oc->pb && !(oc->oformat->flags & AVFMT_NOFILE))
    Check(ff::avio_closep(&oc->pb), fmt::format("Cannot close \"{}\"", path));
}

}  // namespace

void MakeClip(const std::string& path, const ClipSpec& spec) {
  RequireMediaLibraries();
  if (!(spec.duration_s > 0) || !std::isfinite(spec.duration_s))
    Fail(fmt::format("Invalid clip duration {} for \"{}\"", spec.duration_s, path));
  AVOutputFormatContextPtr oc = NewOutput(path, spec);
  // The clip is written beside its name and renamed over it when complete,
  // so a failure leaves neither a half-written clip nor loses a file that
  // was there. A numbered picture sequence is written in place.
  const bool sequence = ff::av_filename_number_test(path.c_str()) != 0;
  const std::string written = sequence ? path : path + ".partial";
  std::error_code error;
  try {
    WriteClip(oc.get(), path, written, spec);
    oc.reset();
    if (!sequence) {
      std::filesystem::rename(std::filesystem::path(written), std::filesystem::path(path), error);
      if (error) Fail(fmt::format("Cannot rename \"{}\" to \"{}\": {}", written, path, error.message()));
    }
  } catch (...) {
    oc.reset();  // closes the file before it is removed
    if (!sequence) std::filesystem::remove(std::filesystem::path(written), error);
    throw;
  }
}

}  // namespace zentrova::test

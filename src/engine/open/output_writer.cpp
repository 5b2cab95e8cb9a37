// OpenOutputWriter and CloseOutputWriters: an output's file exists on disk
// only while its run writes it, and a plain local file appears under its
// own name only once it is finished.
#include <filesystem>
#include <fmt/format.h>
#include <system_error>

#include "engine/custom_ffmpeg_opt.h"
#include "engine/open/output_target.h"
#include "options/file_name_text.h"

namespace zentrova {

namespace {

bool WritesFile(const AVFormatContext* oc) {
  return oc && oc->oformat && !(oc->oformat->flags & AVFMT_NOFILE);
}

void SetUrl(AVFormatContext* oc, const std::string& url) {
  ff::av_free(oc->url);
  oc->url = ff::av_strdup(url.c_str());
}

// The size of a local file; -1 when it cannot be read.
std::intmax_t LocalFileSize(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return -1;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  return error ? -1 : static_cast<std::intmax_t>(size);
}

}  // namespace

bool TCustomFFmpegOpt::OpenOutputWriter(TOutputFile& of) {
  AVFormatContext* oc = of.ctx.get();
  if (!WritesFile(oc) || oc->pb) return true;
  const std::string name = oc->url ? oc->url : "";
  // -n is checked again: the file may have appeared since the output was added.
  if (Fno_file_overwrite && !CheckFileOverwrite(name)) return false;
  std::string open_name = name;
  if (const std::optional<std::filesystem::path> path = TOutputTarget::PlainLocalPath(name)) {
    // A task may have claimed the name before its output was opened.
    if (!of.target) {
      std::string error;
      of.target = TOutputTarget::Acquire(*path, error);
      if (!of.target) {
        FLastErrMsg = error;
        return false;
      }
    }
    open_name = of.target->LibraryPartName();
  }
  FLastWrite = ff::av_gettime_relative();
  const int ret =
      ff::avio_open2(&oc->pb, open_name.c_str(), AVIO_FLAG_WRITE, &oc->interrupt_callback, InOutPtr(of.opts));
  if (ret < 0) {
    FLastErrMsg = error_code_text(ret, displayed_file_name(name));
    of.target.reset();
    return false;
  }
  of.writer_opened = true;
  if (of.target) {
    // A muxer that reads its output back (moving the index to the front)
    // opens it by the context's name.
    of.final_url = name;
    SetUrl(oc, open_name);
  }
  return true;
}

std::string TCustomFFmpegOpt::CloseOutputWriters(TOutputFate fate) {
  std::string first_error;
  for (const std::unique_ptr<TOutputFile>& of : Foutput_files) {
    AVFormatContext* oc = of ? of->ctx.get() : nullptr;
    if (!WritesFile(oc)) continue;
    if (oc->pb) ff::avio_closep(&oc->pb);
    if (of->target) {
      SetUrl(oc, of->final_url);
      const std::filesystem::path part = TOutputTarget::PartPath(of->target->FinalPath());
      std::string error;
      if (fate == TOutputFate::ofKeep && LocalFileSize(part) > 0) {
        if (!of->target->Commit(Fno_file_overwrite != 0, error) && first_error.empty()) first_error = error;
      } else {
        of->target->Abandon();
        Log(TLogLevel::llVerbose, fmt::format("Removed the unfinished output file \"{}\"", part.string()));
      }
      of->target.reset();
    } else if (of->writer_opened && oc->url) {
      // Written in place (not a plain local file): an empty one is not left behind.
      std::error_code error;
      const std::filesystem::path path(oc->url);
      if (LocalFileSize(path) == 0 && std::filesystem::remove(path, error))
        Log(TLogLevel::llVerbose, fmt::format("Removed the empty output file \"{}\"", oc->url));
    }
    of->writer_opened = false;
  }
  return first_error;
}

}  // namespace zentrova

// The steps of opening the task's output (used by OpenOutputFile).
//
// A step that cannot go on throws `TOutputOpenError` with the text for
// FLastErrMsg; OpenOutputFile then aborts the output (AbortOutputFile) and
// returns -1. Errors of the stream creators arrive as FFmpegException and
// also abort the output before they pass on.
//
// Threads: the thread that opens the output.
#pragma once

#include <memory>
#include <span>
#include <stdexcept>
#include <string>

#include "engine/custom_ffmpeg_opt.h"

namespace zentrova {

/// A failed step of the output opener; `what()` is the text for FLastErrMsg.
class TOutputOpenError : public std::runtime_error {
 public:
  explicit TOutputOpenError(const std::string& message) : std::runtime_error(message) {}
};

/// What the steps share while one output is opened.
struct TOutputOpen {
  TCustomFFmpegOpt& engine;
  TFileOptionContext& o;
  AVFormatContext* oc;  ///< owned by `of`
  TOutputFile& of;
  int file_index;
  bool join_active;  ///< only streams of the first input are candidates
  /// For messages: the name as the user knows it (without "file:").
  std::string file_name;

  /// The stream records made for this output so far: the steps append them
  /// to the engine's list, from `of.ost_index` on.
  std::span<const std::unique_ptr<TOutputStream>> Streams() const {
    return std::span(engine.Foutput_streams).subspan(static_cast<std::size_t>(of.ost_index));
  }
};

/// Best video (area), audio (channels), first fitting subtitle, one data stream.
void SelectStreamsAutomatically(TOutputOpen& open);
/// The first attached picture of the inputs as the format's cover art (an
/// attached-picture stream copy, or a Matroska image attachment); nothing
/// for formats without cover art, with -vn, or in join mode.
void AddCoverArt(TOutputOpen& open);
/// The -map entries in order (input streams and filter graph labels).
void MapStreams(TOutputOpen& open);
/// Complex graph outputs without a label get a stream of their own.
void BindUnlabelledGraphOutputs(TOutputOpen& open);
/// -attach: one attachment stream per file, its bytes as extradata.
void AddAttachments(TOutputOpen& open);

/// -map_metadata, chapters, global and stream metadata, -program, -metadata.
void MapMetadata(TOutputOpen& open);
void MapChapters(TOutputOpen& open);
void CopyDefaultMetadata(TOutputOpen& open);
void CreatePrograms(TOutputOpen& open);
void ApplyMetadataOptions(TOutputOpen& open);

/// Copies metadata from `ic` (none: only marks what was mapped) into `oc`
/// by the two specifiers; 0, or -1 / a matcher code with FLastErrMsg set.
int CopyMetadata(TCustomFFmpegOpt& engine, const std::string& outspec, const std::string& inspec,
                 TFileOptionContext& o, AVFormatContext* ic, AVFormatContext* oc);

/// Copies the chapters of `ifile` that fall in the output's window (start
/// and duration of `of`), shifted to the output's time; 0 or AVERROR(ENOMEM).
int CopyChapters(const TInputFile& ifile, TOutputFile& of, bool copy_metadata);

/// True when both names are local files and name the same file (also
/// through links); a name that does not exist is no input.
bool SameLocalFile(const std::string& a, const std::string& b);

}  // namespace zentrova

// Creating the streams of the output being opened (used by OpenOutputFile
// and by the binding of complex filter graph outputs).
//
// Every creator adds a library stream to `oc`, registers a `TOutputStream`
// in `engine.Foutput_streams` (for the output last appended to
// `engine.Foutput_files`), decides between encoding and stream copy, picks
// the encoder and binds the stream's options from `o`. Errors raise
// FFmpegException (FLastErrMsg set); the records registered so far stay for
// the caller to remove.
//
// Threads: the thread that opens the output.
#pragma once

#include <cstdint>
#include <string>

#include "engine/custom_ffmpeg_opt.h"

namespace zentrova {

/// The common part of every creator; `source_index` is the feeding input
/// stream's index in `Finput_streams`, or -1.
TOutputStream* NewOutputStream(TCustomFFmpegOpt& engine, TFileOptionContext& o, AVFormatContext* oc,
                               AVMediaType type, int source_index);
TOutputStream* NewVideoStream(TCustomFFmpegOpt& engine, TFileOptionContext& o, AVFormatContext* oc,
                              int source_index);
TOutputStream* NewAudioStream(TCustomFFmpegOpt& engine, TFileOptionContext& o, AVFormatContext* oc,
                              int source_index);
TOutputStream* NewSubtitleStream(TCustomFFmpegOpt& engine, TFileOptionContext& o, AVFormatContext* oc,
                                 int source_index);
TOutputStream* NewDataStream(TCustomFFmpegOpt& engine, TFileOptionContext& o, AVFormatContext* oc,
                             int source_index);
TOutputStream* NewUnknownStream(TCustomFFmpegOpt& engine, TFileOptionContext& o, AVFormatContext* oc,
                                int source_index);
TOutputStream* NewAttachmentStream(TCustomFFmpegOpt& engine, TFileOptionContext& o, AVFormatContext* oc,
                                   int source_index);

/// Stream copy ("copy"), the named encoder, or the output format's default
/// encoder for the stream's type (possibly none).
void ChooseEncoder(TCustomFFmpegOpt& engine, TFileOptionContext& o, AVFormatContext* oc, TOutputStream& ost);

/// Raises when the output format's codec query refuses (answers 0) the
/// codec of the stream's encoder; a stream copy is not checked.
void CheckEncoderFitsFormat(TCustomFFmpegOpt& engine, AVFormatContext* oc, const TOutputStream& ost);

/// Reads 64 quantiser coefficients (1..255) into `matrix`; raises "Syntax
/// error in matrix "%s" at coeff %d" naming the offending coefficient.
void ParseMatrix(TCustomFFmpegOpt& engine, std::uint16_t* matrix, const std::string& text);

/// The simple filter graph description of an encoded stream: the content of
/// its -filter_script, its -filter text, or "null" / "anull".
std::string get_ost_filters(TCustomFFmpegOpt& engine, TOutputStream& ost);

/// Raises when a -filter or -filter_script was given for a stream copy.
void CheckStreamCopyFilters(TCustomFFmpegOpt& engine, AVMediaType type, const TOutputStream& ost);

/// Creates the stream fed by a complex graph output and binds the two.
void InitOutputFilter(TCustomFFmpegOpt& engine, TOutputFilter& ofilter, TFileOptionContext& o,
                      AVFormatContext* oc);

}  // namespace zentrova

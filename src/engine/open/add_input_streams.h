// Registering the streams of an input being opened (used by OpenInputFile).
//
// Threads: the thread that opens the input.
#pragma once

#include <string>

#include "engine/custom_ffmpeg_opt.h"

namespace zentrova {

/// Appends one `TInputStream` per stream of `ic` to `engine.Finput_streams`
/// with the per-stream options of `o` bound: discard levels, codec tag,
/// decoder and its options, frame rate, hardware method, channel layout
/// guess, canvas size. The streams name the input index the file will get
/// (`engine.Finput_files.size()`). Raises FFmpegException on a bad value;
/// the streams appended so far stay for the caller to remove.
void AddInputStreams(TCustomFFmpegOpt& engine, TFileOptionContext& o, AVFormatContext* ic);

/// The decoder of `st`: the one named by -c for the stream (which also
/// fixes the stream's codec id), else the library's default for its codec
/// (possibly none). Raises FindCodec's errors.
const AVCodec* ChooseDecoder(TCustomFFmpegOpt& engine, TFileOptionContext& o, AVFormatContext* s,
                             AVStream* st);

/// True when the decoder context of `ist` has a channel layout, or now has
/// the default one of its channel count (logged as "Guessed Channel Layout
/// ..."); false when the count is above `guess_layout_max` or has no default.
bool GuessInputChannelLayout(TCustomFFmpegOpt& engine, TInputStream& ist);

/// Writes the attachment carried by `st` (its extradata) to `file_name`, or,
/// when that is empty, to the base name of the stream's own "filename" tag.
/// Problems are logged, never raised, except CheckFileOverwrite's.
void DumpAttachment(TCustomFFmpegOpt& engine, AVStream* st, int input_index, const std::string& file_name);

}  // namespace zentrova

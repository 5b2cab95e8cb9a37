// TFileOptionContext: what one input's or one output's option string says.
//
// The option table of the engine (option_table.cpp) fills one context while
// the file's option string is parsed; the openers of inputs and outputs read
// it while they open that file. Every value starts at its default (the member
// initialisers below); `TCustomFFmpegOpt::InitFileOptions` resets a context
// and points `group` at the engine's file group, `FreeFileOptions` releases
// what it holds.
//
// Per-stream values are kept as lists of (stream specifier, value) entries in
// the order the options appear; `TCustomFFmpegOpt::GetStreamValue` finds the
// value for one stream (the last matching entry wins).
//
// Ownership: the context owns every text and array in it; `group` is
// borrowed from the engine's `TFFOptions`. Lifetime: one open. Threads: the
// thread that opens the file.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "media/ff.h"
#include "options/option_def.h"

namespace zentrova {

/// One `-map` entry: an input stream (with its sync stream) or a filter graph
/// output label.
struct TStreamMapping {
  std::int32_t disabled = 0;  ///< set by a later negative map
  std::int32_t file_index = 0;
  std::int32_t stream_index = 0;
  std::int32_t sync_file_index = 0;
  std::int32_t sync_stream_index = 0;
  std::string linklabel;  ///< set only for "[label]" maps
};

/// One `-map_channel` entry; -1 where the argument left an index out, and
/// file, stream and channel -1 for a muted channel.
struct TChannelMapping {
  std::int32_t file_index = -1;
  std::int32_t stream_index = -1;
  std::int32_t channel_index = -1;
  std::int32_t out_file_index = -1;
  std::int32_t out_stream_index = -1;
};

/// The per-file option context (one per open).
struct TFileOptionContext {
  static constexpr std::int64_t kNoTime = AV_NOPTS_VALUE;  ///< "no value"
  static constexpr std::int64_t kUnlimited = std::numeric_limits<std::int64_t>::max();

  /// The option group being applied (the engine's file group; borrowed).
  TOptionGroup* group = nullptr;

  // Input and output timing.
  std::int64_t ss = kNoTime;     ///< -ss, -ss_microsecond, -TimeStart (µs)
  std::int64_t sseof = kNoTime;  ///< -sseof (µs)
  std::int32_t seek_timestamp = 0;

  std::string f;  ///< -f: forced format

  // Per-stream lists shared by inputs and outputs.
  TSpecifierList<std::string> codec;  ///< -c, -codec, -vcodec, -acodec, -scodec, -dcodec
  TSpecifierList<std::int32_t> ac;    ///< -ac, -channel_layout
  TSpecifierList<std::int32_t> ar;
  TSpecifierList<std::string> r;
  TSpecifierList<std::string> s;
  TSpecifierList<std::string> pix_fmt;

  // Input only.
  std::int64_t itsoffset = 0;  ///< -itsoffset, -itsoffset_microsecond (µs)
  std::int32_t stream_loop = 0;
  std::int32_t re = 0;
  std::int32_t accurate_seek = 1;
  std::int32_t thread_queue_size = 0;  ///< stored, not used
  TSpecifierList<double> itsscale;
  TSpecifierList<std::string> dump_attachment;
  TSpecifierList<std::string> hwaccel;
  TSpecifierList<std::string> hwaccel_device;
  TSpecifierList<std::string> hwaccel_output_format;
  TSpecifierList<std::int32_t> autorotate;

  // Output only: stream selection and file settings.
  std::vector<TStreamMapping> map;
  std::vector<TChannelMapping> map_channel;
  std::int32_t global_metadata_set = 0;  ///< metadata mapping of the output opener
  std::int32_t stream_metadata_set = 0;
  std::int32_t chapter_metadata_set = 0;
  std::vector<std::string> attach;                                       ///< -attach file names
  std::int32_t map_chapters = std::numeric_limits<std::int32_t>::max();  ///< not given
  std::int64_t t = kUnlimited;   ///< -t, -t_microsecond, -TimeLength (µs)
  std::int64_t to = kUnlimited;  ///< -to, -to_microsecond (µs)
  std::int64_t fs = kUnlimited;  ///< -fs: size limit in bytes
  float muxpreload = 0.0f;       ///< seconds
  float muxdelay = 0.7f;         ///< seconds
  std::int32_t shortest = 0;
  std::int32_t vn = 0;
  std::int32_t an = 0;
  std::int32_t sn = 0;
  std::int32_t dn = 0;
  std::vector<std::int32_t> streamid;  ///< indexed by output stream index

  // Output per-stream lists.
  TSpecifierList<std::string> metadata;  ///< -metadata, -timestamp, -timecode
  TSpecifierList<std::int64_t> frames;   ///< -frames, -vframes, -aframes, -dframes
  TSpecifierList<std::string> bsf;
  TSpecifierList<std::string> tag;
  TSpecifierList<std::string> sample_fmt;
  TSpecifierList<double> q;  ///< -q, -qscale, -aq
  TSpecifierList<std::string> force_key_frames;
  TSpecifierList<std::int32_t> force_fps;
  TSpecifierList<std::string> aspect;
  TSpecifierList<std::string> rc_override;
  TSpecifierList<std::string> intra_matrix;
  TSpecifierList<std::string> inter_matrix;
  TSpecifierList<std::string> chroma_intra_matrix;
  TSpecifierList<std::int32_t> top;
  TSpecifierList<std::string> map_metadata;
  TSpecifierList<std::int32_t> copyinkf;
  TSpecifierList<std::int32_t> copypriorss;
  TSpecifierList<std::string> filter;  ///< -filter, -vf, -af
  TSpecifierList<std::string> filter_script;
  TSpecifierList<std::int32_t> reinit_filter;
  TSpecifierList<std::int32_t> fix_sub_duration;
  TSpecifierList<std::string> canvas_size;
  TSpecifierList<std::int32_t> pass;
  TSpecifierList<std::string> passlogfile;
  TSpecifierList<std::int32_t> guess_layout_max;
  TSpecifierList<std::string> apad;
  TSpecifierList<std::string> discard;
  TSpecifierList<std::string> disposition;
  TSpecifierList<std::string> program;
};

}  // namespace zentrova

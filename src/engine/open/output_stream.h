// One stream of the task's output, as the engine sees it.
//
// Ownership: the engine owns every `TOutputStream` through its
// `Foutput_streams` list. `st` belongs to the output's format context,
// `sync_ist` to `Finput_streams`, `filter` to its filter graph. The encoder
// context, the bitstream filter chain and the pass-1 log file are held through
// shared pointers because join mode gives every later input a copy of the
// first block of records that uses the same encoder, chain and log file;
// they are released with the last record that refers to them. Everything
// else the record owns by value.
//
// Threads: created by `OpenOutputFile` on the thread that sets the output;
// afterwards used only by the task's worker thread.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "media/av_ptr.h"
#include "media/ff.h"

namespace zentrova {

struct TInputStream;
struct TOutputFilter;

/// The ends of an output stream that take no more data (`finished`). The
/// encoder ends first when the stream reaches its time, frame or size limit
/// or its filter graph ends; the muxer too at its input's end (stream copies,
/// subtitles) or after a write error.
struct TStreamFinished {
  bool encoder = false;  ///< the encoder takes no more frames
  bool muxer = false;    ///< the muxer takes no more packets

  /// Both ends: nothing more goes through the stream.
  static constexpr TStreamFinished Both() { return {.encoder = true, .muxer = true}; }
  explicit operator bool() const { return encoder || muxer; }
  TStreamFinished& operator|=(TStreamFinished more) {
    encoder = encoder || more.encoder;
    muxer = muxer || more.muxer;
    return *this;
  }
  bool operator==(const TStreamFinished&) const = default;
};

/// The bitstream filters applied to every packet of a stream before muxing,
/// in order. Each filter is allocated with its options set; `av_bsf_init`
/// runs when the transcode is initialised.
using TBitstreamFilterChain = std::vector<AVBSFContextPtr>;

struct TOutputStream {
  TOutputStream() = default;
  TOutputStream(const TOutputStream&) = delete;
  TOutputStream& operator=(const TOutputStream&) = delete;

  int file_index = 0;      ///< owning output file
  int index = 0;           ///< index of `st` in the output
  int source_index = -1;   ///< feeding input stream, or -1 (filter-fed, attachment)
  AVStream* st = nullptr;  ///< owned by the output's format context
  int encoding_needed = 0;
  int frame_number = 0;
  TInputStream* sync_ist = nullptr;
  std::int64_t sync_opts = 0;
  std::int64_t first_pts = 0;
  std::int64_t last_mux_dts = AV_NOPTS_VALUE;
  std::shared_ptr<TBitstreamFilterChain> bitstream_filters = std::make_shared<TBitstreamFilterChain>();
  std::shared_ptr<AVCodecContext> enc_ctx;  ///< encoder settings (also made for stream copy)
  const AVCodec* enc = nullptr;             ///< none for stream copy or when no encoder exists
  std::int64_t max_frames = INT64_MAX;
  AVFramePtr filtered_frame;
  AVFramePtr last_frame;
  int last_dropped = 0;
  int last_nb0_frames[3] = {0, 0, 0};
  void* hwaccel_ctx = nullptr;

  AVRational frame_rate{0, 0};
  int is_cfr = 0;
  int force_fps = 0;
  int top_field_first = -1;
  int rotate_overridden = 0;
  AVRational frame_aspect_ratio{0, 0};

  std::vector<std::int64_t> forced_kf_pts;
  int forced_kf_count = 0;
  int forced_kf_index = 0;
  std::string forced_keyframes;
  AVExprPtr forced_keyframes_pexpr;
  double forced_keyframes_expr_const_values[6] = {0, 0, 0, 0, 0, 0};

  std::vector<int> audio_channels_map;  ///< mapped input channel per output channel (-1: muted)
  int audio_channels_mapped = 0;

  std::string logfile_prefix;
  std::shared_ptr<std::FILE> logfile;  ///< pass-1 statistics log, or none

  TOutputFilter* filter = nullptr;            ///< set when fed by a filter graph
  std::optional<std::string> avfilter;        ///< simple filter graph description
  std::optional<std::string> filters;         ///< -filter text
  std::optional<std::string> filters_script;  ///< -filter_script name

  AVDictionaryPtr encoder_opts;
  AVDictionaryPtr sws_dict;
  AVDictionaryPtr swr_opts;
  AVDictionaryPtr resample_opts;

  std::string apad;
  TStreamFinished finished;  ///< an attachment starts with its encoder finished
  int unavailable = 0;
  int stream_copy = 0;
  std::string attachment_filename;
  int copy_initial_nonkeyframes = 0;
  int copy_prior_start = -1;
  std::string disposition;
  int keep_pix_fmt = 0;
  AVCodecParserContextPtr parser;

  std::int64_t data_size = 0;
  std::int64_t packets_written = 0;
  std::int64_t frames_encoded = 0;
  std::int64_t samples_encoded = 0;
  int quality = 0;
  int pict_type = 0;
  std::int64_t error[4] = {0, 0, 0, 0};

  AVCodecID codec_id_bak = AV_CODEC_ID_NONE;
  AVDictionaryPtr opts_bak;
  int max_b_frames = 0;
  int not_show_fps = 0;
  int encoder_flushed = 0;
  std::int64_t last_pts = AV_NOPTS_VALUE;
  std::int64_t last_dts = AV_NOPTS_VALUE;
  /// Copied streams: the end (pts + duration, st time base) of the latest
  /// packet written; where a joined input's segment ends.
  std::int64_t copy_end_pts = AV_NOPTS_VALUE;
  /// Copied streams: a packet of this record's input was passed on (in join
  /// mode every input starts anew at a key frame after its own start).
  int copy_started = 0;
  int is_filter_codec_opts = 1;
  int is_avcodec_opened = 0;
};

/// A new encoder context for `codec` that also owns the pass-2 statistics
/// text and chroma matrix given to it; null when the library has no memory.
std::shared_ptr<AVCodecContext> NewEncoderContext(const AVCodec* codec);

/// The thread count an encoder gets unless its options name one: 1 for
/// mjpeg, else `default_threads` (automatic when 0 or less).
void SetEncoderThreads(AVDictionaryPtr& opts, const AVCodec* codec, int default_threads);

}  // namespace zentrova

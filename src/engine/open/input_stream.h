// One stream of an opened input file, as the engine sees it.
//
// Ownership: the engine owns every `TInputStream` through its
// `Finput_streams` list (one entry per stream of every opened input, in file
// order then stream order). `st` belongs to the owning input's format
// context; `filters` point at input filters owned by their filter graphs.
// Everything else the record holds it owns and releases on destruction.
//
// Threads: built on the thread that opens the input (before the run starts);
// afterwards read and written only by the task's worker thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "media/av_ptr.h"
#include "media/ff.h"

namespace zentrova {

struct TInputFilter;

/// Hardware decoding methods known by name (values are fixed).
enum class THWAccelID : int {
  HWACCEL_NONE = 0,
  HWACCEL_AUTO,
  HWACCEL_VDPAU,
  HWACCEL_DXVA2,
  HWACCEL_VDA,
  HWACCEL_VIDEOTOOLBOX,
  HWACCEL_QSV,
  HWACCEL_VAAPI,
  HWACCEL_CUVID,
};

/// Who takes a stream's decoded frames (`decoding_needed`); a stream nobody
/// needs decoded is not decoded at all.
struct TDecodingNeeded {
  bool for_output = false;        ///< an encoded output stream
  bool for_filter_graph = false;  ///< a filter graph input

  explicit operator bool() const { return for_output || for_filter_graph; }
};

/// The previous subtitle of a stream (kept by the transcoding loop).
struct TISprev_sub {
  int got_output = 0;
  int ret = 0;
  AVSubtitle subtitle{};
};

/// The canvas a bitmap subtitle is drawn on when it feeds a video filter.
struct TISsub2video {
  std::int64_t last_pts = 0;
  std::int64_t end_pts = 0;
  AVFramePtr frame;
  int w = 0;
  int h = 0;
};

struct TInputStream {
  TInputStream() = default;
  ~TInputStream();
  TInputStream(const TInputStream&) = delete;
  TInputStream& operator=(const TInputStream&) = delete;

  int file_index = 0;                     ///< owning input file
  AVStream* st = nullptr;                 ///< owned by the input's format context
  int discard = 1;                        ///< 1 until an output stream or a filter graph takes the stream
  int user_set_discard = AVDISCARD_NONE;  ///< discard level applied once the stream is used
  TDecodingNeeded decoding_needed;
  AVCodecContextPtr dec_ctx;
  const AVCodec* avdec = nullptr;  ///< the decoder; may be none
  AVFramePtr decoded_frame;
  AVFramePtr filter_frame;

  std::int64_t start = 0;
  std::int64_t next_dts = 0;
  std::int64_t dts = 0;
  std::int64_t next_pts = 0;
  std::int64_t pts = 0;
  int wrap_correction_done = 0;
  std::int64_t filter_in_rescale_delta_last = AV_NOPTS_VALUE;
  std::int64_t min_pts = INT64_MAX;
  std::int64_t max_pts = INT64_MIN;
  std::int64_t nb_samples = 0;
  double ts_scale = 1.0;
  int saw_first_ts = 0;
  int showed_multi_packet_warning = 0;

  AVDictionaryPtr decoder_opts;  ///< the input's codec options filtered for this stream
  AVRational framerate{0, 0};    ///< forced input frame rate (video)
  int top_field_first = 0;
  int guess_layout_max = 0;
  int autorotate = 1;

  int resample_height = 0;
  int resample_width = 0;
  int resample_pix_fmt = 0;
  int resample_sample_fmt = 0;
  int resample_sample_rate = 0;
  /// Channel count and layout last given to the filters; `nb_channels` is
  /// the channel count (the layout may be of unspecified order).
  AVChannelLayout resample_ch_layout{};

  int fix_sub_duration = 0;
  TISprev_sub prev_sub;
  TISsub2video sub2video;
  int dr1 = 0;

  /// Filter graph inputs this stream feeds (owned by their graphs).
  std::vector<TInputFilter*> filters;
  int reinit_filters = -1;

  THWAccelID hwaccel_id = THWAccelID::HWACCEL_NONE;
  std::string hwaccel_device;  ///< empty: none
  AVPixelFormat hwaccel_output_format = AV_PIX_FMT_NONE;
  THWAccelID active_hwaccel_id = THWAccelID::HWACCEL_NONE;
  void* hwaccel_ctx = nullptr;
  void (*hwaccel_uninit)(AVCodecContext*) = nullptr;
  int (*hwaccel_get_buffer)(AVCodecContext*, AVFrame*, int) = nullptr;
  int (*hwaccel_retrieve_data)(AVCodecContext*, AVFrame*) = nullptr;
  AVPixelFormat hwaccel_pix_fmt = AV_PIX_FMT_NONE;
  AVPixelFormat hwaccel_retrieved_pix_fmt = AV_PIX_FMT_NONE;
  /// The QSV device of a one-to-one hardware path, set by
  /// setup_qsv_transcode before the decoder opens; only a stream holding
  /// one decodes on the device (its frames go nowhere but to the encoder).
  AVBufferRefPtr hw_device_ctx;
  /// The frames pool of the last hardware frame decoded (taken from the
  /// frame, worker thread); the buffer source of the stream's graph gets it.
  AVBufferRefPtr hw_frames_ctx;

  std::int64_t data_size = 0;
  std::int64_t nb_packets = 0;
  std::int64_t frames_decoded = 0;
  std::int64_t samples_decoded = 0;
  int frame_number = 0;

  int decoder_flushed = 0;
  int decoder_closed = 0;
  int stream_freed = 0;
  int join_used = 0;
};

}  // namespace zentrova

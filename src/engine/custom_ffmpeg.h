// TCustomFFmpeg: the transcoding half of the conversion engine.
//
// One instance is one conversion task. The option half (`TCustomFFmpegOpt`)
// opens the inputs and the output from their option strings; this half
// turns the opened files into a running pipeline (`PrepareTranscode`, which
// runs `transcode_init`: copy or encode decisions, decoders and encoders,
// headers, the stream mapping), runs the loop (`run_transcode`: read, repair
// timestamps, decode or copy, filter, fit to the frame clock, encode, mux),
// flushes, writes the trailers and reports the final statistics.
//
// Failures: set-up failures become `FLastErrMsg` and a false
// `PrepareTranscode`; failures while running raise `FFmpegException`
// (`RaiseError`). `RunConversion` catches both and records the outcome in
// `Finished()`, `FatalException()` and `FatalMessage()`. A filtering error, a
// write error (a full disk, …) or a read error other than the end of a file
// end the run as failed after flushing and writing what can be written; a
// stop request, the end of the inputs and decoding errors (counted in
// `Fdecode_error_stat`) do not.
//
// Threads: built and given its files on the owner's thread; `RunConversion`
// runs on the thread that calls it (the task's worker, or the caller's own).
// `Stop`, `Pause` and `Resume` may be called from any thread while it runs.
// The process-wide open-codec lists are guarded by one lock shared by every
// instance (`CodecListLock`); nothing else is shared between instances.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/custom_ffmpeg_opt.h"
#include "log/threads.h"

namespace zentrova {

class TCustomFFmpeg : public TCustomFFmpegOpt {
 public:
  /// Requires the encoder's libraries to be loaded (throws
  /// std::runtime_error "Library %s not loaded." otherwise) and builds the
  /// option table.
  TCustomFFmpeg();
  ~TCustomFFmpeg() override;

  // ---- Running ---------------------------------------------------------------

  /// Runs `transcode_init` until it has once succeeded (later calls return
  /// true at once). On failure `FLastErrMsg` holds the reason and every codec
  /// opened so far is closed again. Serialised per instance: a second caller
  /// waits for the first one's result.
  bool PrepareTranscode();
  /// The whole run on the calling thread: `PrepareTranscode`, then
  /// `run_transcode`, then the release steps. Never throws: the outcome is in
  /// `Finished()`, `FatalException()`, `FatalMessage()`. Runs once.
  void RunConversion();
  /// Asks a running conversion to stop at its next loop pass (any thread);
  /// the run still flushes and writes the trailers and ends not finished.
  void Stop();
  /// Pauses / resumes the loop (any thread); the paused time does not count
  /// for real-time input emulation (-re).
  void Pause();
  void Resume();

  bool Finished() const { return FFinished; }
  bool FatalException() const { return FFatalException; }
  const std::string& FatalMessage() const { return FFatalMessage; }
  /// The run read its inputs to their end, but an input ended well before
  /// its stated duration (more than 1 s and 2 % short, with no -t, -frames,
  /// -fs or -shortest asking for less): the output holds all the input had
  /// and is kept. `Finished` keeps its meaning.
  bool Incomplete() const { return !FIncompleteMessage.empty(); }
  /// The log line that names the (first) short input and both times,
  /// "NAME: input ended at 0:09.9 of 0:20.0"; empty when complete.
  const std::string& IncompleteMessage() const { return FIncompleteMessage; }
  /// Decoding errors counted during the run.
  std::int64_t DecodeErrors() const { return Fdecode_error_stat[1]; }
  /// The thread count of an encoder whose options name none; 0 (the
  /// default) lets the codec choose. Set before the run.
  void SetDefaultEncoderThreads(int threads) { FDefaultEncoderThreads = threads; }

  /// Opens the files whose opening a derived task deferred until its run
  /// (called first by `RunConversion`, on the run's thread); false with
  /// FLastErrMsg. The engine itself opens its files when they are added.
  virtual bool OpenFilesForRun() { return true; }
  /// The task has an output, opened or waiting to be opened for the run.
  virtual bool HasOutputs() const { return !Foutput_files.empty(); }

  // ---- Run statistics (valid after the run; the run's thread writes them) ----

  std::int32_t Fnb_frames_dup = 0;
  std::int32_t Fnb_frames_drop = 0;
  /// [0]: frames decoded without error; [1]: decoding errors.
  std::int64_t Fdecode_error_stat[2] = {0, 0};
  /// A duplication or drop happened since the last progress line.
  bool FShowDupOrDrop = false;

 protected:
  /// See SetDefaultEncoderThreads.
  std::int32_t FDefaultEncoderThreads = 0;

  // ---- Call points of hooks, preview and progress ----------------------------
  // The hooks half of the engine overrides these; the defaults do nothing.

  /// True when an input or output audio hook event is assigned.
  virtual bool AudioHookAssigned() const { return false; }
  /// True when an input or output video hook event is assigned.
  virtual bool VideoHookAssigned() const { return false; }
  /// True when an input or output frame hook event is assigned.
  virtual bool FrameHookAssigned() const { return false; }
  /// True when post hooks (preview) are requested.
  virtual bool PostHooksRequested() const { return false; }
  /// A decoded audio frame (input audio hook).
  virtual void input_audio_hook(TInputStream& ist, AVFrame* frame, std::int64_t pts_us);
  /// A decoded picture, after its timestamps are known (input video/frame hooks).
  virtual void pre_process_video_frame(TInputStream& ist, AVFrame* frame);
  /// A picture about to be encoded (output video/frame hooks, post hooks).
  virtual void output_video_hooks(TOutputStream& ost, AVFrame* frame, std::int64_t pts_us, int frame_number);
  /// An audio frame about to be encoded (output audio hook).
  virtual void output_audio_hook(TOutputStream& ost, AVFrame* frame, std::int64_t pts_us);
  /// Progress: called once per loop pass and, with `is_last`, once at the
  /// end (file index -1), where it logs the final statistics.
  virtual void report_progress(int file_index, bool is_last, std::int64_t cur_time, std::int64_t timer_start);

  /// "VideoHookBitsPixel": the depth of the hook bitmaps (8, 15, 16, 24, 32).
  int opt_VideoHookBitsPixel(Ctx* o, Str opt, Str arg) override;

  // ---- Transcode initialisation (transcode_init.cpp and friends) -------------

  /// The outcome of one set-up step: a code, the text logged after the
  /// stream mapping (empty: none), or a failure returned at once (its text
  /// already in FLastErrMsg or logged).
  struct TInitStep {
    int ret = 0;
    std::string msg;
    bool at_once = false;
  };
  int transcode_init();
  TInitStep init_output_stream_params(TOutputStream& ost);
  TInitStep init_output_stream_copy(TOutputStream& ost, TInputStream& ist);
  TInitStep init_output_stream_encode(TOutputStream& ost, TInputStream* ist);
  /// Turns the stream's "rotate" tag into its display matrix (0 or a library error).
  int set_rotation_override(TOutputStream& ost);
  int apply_disposition(TOutputStream& ost);
  int open_decoder(int ist_index, std::string& msg);
  int open_encoder(TOutputStream& ost, std::string& msg);
  /// The simple graph from `ist` into an encoded audio or video `ost` that
  /// has no graph yet, configured; raises "Error opening filters!".
  void configure_simple_graph(TOutputStream& ost, TInputStream* ist);
  /// The forced key frames of an encoded video stream (-force_key_frames).
  TInitStep init_forced_key_frames(TOutputStream& ost);
  void parse_key_frame_times(const std::string& list, TOutputStream& ost, AVCodecContext* avctx);
  void tag_encoder_name(TOutputFile& of, TOutputStream& ost);
  void log_stream_mapping();
  void emit_sdp();
  int setup_qsv_transcode(TOutputStream& ost, TInputStream& ist);
  int init_bitstream_filters(TOutputStream& ost);

  // ---- Join mode (join_inputs.cpp, end_join_segment.cpp) ----------------------

  /// Gives every further input a block of output stream records that feeds
  /// the output's streams; 0 or -1 with FLastErrMsg set (the caller then
  /// undoes the output).
  int JoinInputs(TFileOptionContext& o) override;
  /// The block of input `k`; the new output file record's index, or -1 with
  /// FLastErrMsg set.
  int JoinInputFile(TFileOptionContext& o, int k);
  /// transcode_init of an encoded stream of a later block: its own graph,
  /// converting to the encoder block 0 set up, and its own forced key
  /// frames; the shared encoder and muxer stream stay as block 0 left them.
  TInitStep init_join_block_encode(TOutputStream& ost, TInputStream* ist);
  /// Moves the run from the active block (its input done, or its streams
  /// ended early) to the next; false when the run has no further segment.
  bool next_join_segment();
  /// Closes input `file_index`'s segment and makes the next block active.
  void end_join_segment(int file_index);
  void reopen_join_encoders();

  // ---- Open-codec lists (codec_lists.cpp) ------------------------------------

  void AddToCodecList(std::list<TOutputStream*>& list, TOutputStream* ost);
  void AddToCodecList(std::list<TInputStream*>& list, TInputStream* ist);
  void RemoveFromCodecList(std::list<TOutputStream*>& list, TOutputStream* ost);
  void RemoveFromCodecList(std::list<TInputStream*>& list, TInputStream* ist);
  void ReleaseEncoderList();
  void CloseDecoderList();
  void ReleaseTranscodeState();

  // ---- Main loop (run_transcode.cpp, read_input.cpp, route_packet.cpp) ------

  void run_transcode();
  int run_one_step();
  TOutputStream* pick_output_stream();
  bool outputs_pending();
  bool outputs_blocked() const;
  void clear_blocked();
  void set_active_outputs();
  int pull_filter_graph(TFilterGraph& fg, TInputStream*& chosen);
  int read_input_file(int file_index);
  int fetch_packet(TInputFile& f, AVPacket* pkt);
  int rewind_for_loop(TInputFile& f);
  void warn_new_stream(int file_index, const AVPacket& pkt);
  bool route_packet(TInputStream& ist, const AVPacket* pkt, bool no_eof);
  bool stream_accepts_input(const TInputStream& ist, const TOutputStream& ost) const;
  int drain_filters(bool flush);
  void finish_stream(TOutputStream& ost);
  void log_final_statistics(std::int64_t total_size);

  // ---- The run's outcome (run_outcome.cpp) ------------------------------------

  /// -t, -fs, -frames or -shortest on an output: it may end before its inputs.
  bool outputs_ask_for_less() const;
  /// Sets FIncompleteMessage for an input that ended well before its stated end.
  void check_input_ends();
  /// Records a run failure for an output without data, or without data of a
  /// kind (video, audio) it was planned with.
  void check_output_data();

  // ---- Decoding (decode_frames.cpp, decode_subtitle.cpp) --------------------

  /// Sends a packet (null: the end of the stream) and handles every frame
  /// that comes out; a video frame moves `next_pts` by `frame_duration_us`.
  /// 0, AVERROR_EOF once the decoder is drained, or a decoding error.
  int decode_packet(TInputStream& ist, const AVPacket* pkt, bool& got_output, std::int64_t& frames_out,
                    std::int64_t frame_duration_us);
  int process_audio_frame(TInputStream& ist, AVFrame* frame, bool first_of_packet, const AVPacket* pkt);
  int process_video_frame(TInputStream& ist, AVFrame* frame);
  int decode_subtitle_packet(TInputStream& ist, const AVPacket* pkt, bool& got_output);
  void count_decode_result(const TInputStream* ist, bool got_output, const char* what, int ret,
                           const AVFrame* frame);
  int end_filter_inputs(TInputStream& ist);
  int reconfigure_graphs_of(TInputStream& ist);
  void sub2video_update(TInputStream& ist, const AVSubtitle* sub);
  void sub2video_push_ref(TInputStream& ist, std::int64_t pts);
  void sub2video_heartbeat(TInputStream& ist, std::int64_t pts);
  void sub2video_flush(TInputStream& ist);

  // ---- Output (do_video_out.cpp, encode_frames.cpp, copy_packet.cpp, mux_packet.cpp)

  void do_video_out(AVFormatContext* s, TOutputStream& ost, AVFrame* next_picture, double sync_ipts);
  void encode_audio_frame(AVFormatContext* s, TOutputStream& ost, AVFrame* frame);
  void encode_subtitle(AVFormatContext* s, TOutputStream& ost, AVSubtitle* sub, TInputStream& ist);
  void copy_packet(TInputStream& ist, TOutputStream& ost, const AVPacket* pkt);
  /// Counts, re-times and writes one packet (the packet is consumed).
  void mux_packet(AVFormatContext* s, AVPacket* pkt, TOutputStream& ost);
  /// Runs the stream's bitstream filters from `first` on (null packet:
  /// drain them) and writes what comes out.
  void filter_packet(AVFormatContext* s, AVPacket* pkt, TOutputStream& ost, std::size_t first = 0);
  /// The muxer-side repairs and the write itself (the packet is consumed).
  void write_packet(AVFormatContext* s, AVPacket* pkt, TOutputStream& ost);
  /// Sends `frame` (null: flush) to the stream's encoder and muxes every
  /// packet that comes out; gives the size of the last packet (0: none).
  int encode_frame(AVFormatContext* s, TOutputStream& ost, const AVFrame* frame, const char* what);
  void stop_all_streams(TOutputStream& ost, TStreamFinished mine, TStreamFinished others);
  void flush_stream_encoders();
  bool within_recording_time(TOutputStream& ost);
  void end_stream_encoding(TOutputStream& ost);
  void write_video_stats(TOutputStream& ost, int frame_size);

  /// Ends the run as failed (after flushing) with `message`; the first
  /// message wins. Used for write and filtering errors that must not pass
  /// as success.
  void RecordRunFailure(const std::string& message);

  // ---- State of the run --------------------------------------------------------
  // Everything below is the run's thread's, except where noted.

  std::list<TOutputStream*> FEncoderList;  ///< guarded by CodecListLock()
  std::list<TInputStream*> FDecoderList;   ///< guarded by CodecListLock()
  std::vector<std::uint8_t> Fsubtitle_out;
  struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, FileCloser> Fvstats_file;
  std::int64_t Flast_time = -1;
  std::int32_t Fjoin_file_index = 0;
  std::int32_t Fost_from_idx = 0;
  std::int32_t Fost_to_idx = -1;
  /// Signalled while not paused (set and reset by any thread).
  TManualResetEvent FSuspender{true};
  std::atomic<int> FSuspended{-1};               ///< -1 never started, 0 running, 1 paused
  std::atomic<std::int64_t> FPauseTime{0};       ///< start of the current pause (µs)
  std::atomic<std::int64_t> FTotalPauseTime{0};  ///< paused time so far (µs), read by the run
  std::int32_t FVideoHookBitsPixel = 24;
  bool FFinished = false;
  bool FTranscodeInitialized = false;
  bool FTranscodeCleanuped = false;
  bool FFatalException = false;
  bool FConverting = false;
  bool FTerminated = false;
  std::string FFatalMessage;
  /// See IncompleteMessage().
  std::string FIncompleteMessage;
  /// A failure that must end the run as failed although the loop went on to
  /// flush and write (write error, filtering error, read error).
  std::string FRunFailure;
  /// Where the last picture given to each video output ends, in its encoder
  /// ticks (the flush of do_video_out writes no further).
  std::unordered_map<const TOutputStream*, double> Flast_picture_end;
  /// Held around every library call on the filter graphs while a run may
  /// use them (the run's thread), and by the owner's filter commands; never
  /// across a hook or an event.
  std::mutex FGraphLock;

 private:
  std::mutex prepare_mutex_;  // serialises PrepareTranscode of this task
};

/// The process-wide lock of the open-codec lists of every engine.
std::mutex& CodecListLock();

}  // namespace zentrova

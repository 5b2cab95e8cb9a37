// TCustomFFmpegOpt: the option and stream-setup half of the conversion engine.
//
// Every conversion task owns one engine instance. This class holds the
// engine-wide settings that the option language sets (thresholds,
// synchronisation methods, overwrite policy, time-outs), the per-instance
// option table (`InitOptionDefs`; rows point into this instance, so a table
// is never shared between tasks), the per-file option context operations and
// the engine's error convention:
//   * set-up failures that cannot go on call `RaiseError`/`RaiseErrorFmt`:
//     the text goes into `FLastErrMsg`, is logged at llFatal and is thrown as
//     `FFmpegException`;
//   * option failures return negative library error codes and fail the open
//     only with `HaltOnInvalidOption` (the default).
//
// Threads: an instance is built (options parsed, files opened) on the thread
// that adds the task's inputs and output, then run on the task's worker;
// one thread at a time. `FBroken`, `FLastRead` and `FLastWrite` are atomics
// because the run lifecycle changes them from another thread while a library
// call waits.
#pragma once

#include <atomic>
#include <cstdint>
#include <fmt/format.h>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/ffmpeg_exception.h"
#include "engine/options/file_option_context.h"
#include "engine/filters/filter_graph.h"
#include "engine/open/input_file.h"
#include "engine/open/input_stream.h"
#include "engine/open/output_file.h"
#include "engine/open/output_stream.h"
#include "log/base_component.h"
#include "log/log_level.h"
#include "media/error_text.h"
#include "media/av_ptr.h"
#include "media/ff.h"
#include "options/ff_options.h"
#include "options/option_def.h"

namespace zentrova {

struct TFilterGraph;
struct TInputFile;

/// Whether `FindCodec` looks for an encoder or a decoder.
enum class TCodecWanted { Decoder, Encoder };

/// The TV norm of a `-target` (values fixed).
enum class TTargetNorm { PAL = 0, NTSC = 1, FILM = 2, Unknown = 3 };

class TCustomFFmpegOpt {
 public:
  /// Number of rows `InitOptionDefs` builds.
  static constexpr int kOptionCount = 179;

  /// Sets the defaults below and binds `FReadCallback`/`FWriteCallback` to
  /// this instance. The option table is empty until `InitOptionDefs`.
  TCustomFFmpegOpt();
  virtual ~TCustomFFmpegOpt();
  TCustomFFmpegOpt(const TCustomFFmpegOpt&) = delete;
  TCustomFFmpegOpt& operator=(const TCustomFFmpegOpt&) = delete;

  // ---- Option table ------------------------------------------------------

  /// Builds the 179 rows of the option table (handlers bound to this
  /// instance). Parsing and applying options build it when missing; a
  /// second call does nothing.
  void InitOptionDefs();
  /// The option table (`FOptionDef`); empty before `InitOptionDefs`.
  TOptionTable OptionTable() const { return FOptionDef; }
  /// The working library dictionaries and the parse context.
  TFFOptions& Options() { return FOptions; }

  // ---- Per-file option context -------------------------------------------

  /// Resets `o` to its defaults, re-initialises the parse context of
  /// `Options()` and points `o.group` at its file group.
  void InitFileOptions(TFileOptionContext& o);
  /// Releases what `o` holds and the parse context; safe after a failed open.
  void FreeFileOptions(TFileOptionContext& o);

  /// Parses and applies one file's option string into `o`: global options,
  /// then `presets` (see ParsePresets), then the file's own options.
  /// `file_kind_flags` is OPTF_INPUT with `kind_text` "input file" or
  /// OPTF_OUTPUT with "output file". Gives 0, or a negative code when
  /// `HaltOnInvalidOption` is set (FLastErrMsg then holds the reason).
  /// Value parsers and handlers may throw (std::runtime_error,
  /// FFmpegException); `o` and the parse context stay releasable.
  int ParseOptions(TFileOptionContext& o, std::string_view option_text, std::int32_t file_kind_flags,
                   std::string_view file_name, std::string_view kind_text, std::string_view presets);

  /// The value of `list` for stream `st` of `s`: the last entry whose
  /// specifier matches wins; `value` keeps the caller's default when none
  /// does. An invalid specifier raises "check_stream_specifier: <error>".
  template <typename T>
  void GetStreamValue(AVFormatContext* s, AVStream* st, const TSpecifierList<T>& list, T& value);
  /// The codec name of the last `codec` entry whose specifier is exactly
  /// `type` ("v", "a", "s" or "d"); `name` untouched when there is none.
  static void GetTypeValue(const TFileOptionContext& o, std::string_view type, std::string& name);

  // ---- Presets and targets -----------------------------------------------

  /// Applies a preset text (key=value lines, also separated by "<CRLF>") to
  /// the file `o` is parsed for; 0 or a negative code.
  int ParsePresets(TFileOptionContext* o, std::string_view presets, std::string_view kind_text);
  /// Routes one library option into this file's group (codec, format,
  /// scaler and resampler dictionaries); the working dictionaries of
  /// `Options()` are left as they were. Gives `opt_default`'s result.
  int ApplyLibraryOption(TFileOptionContext* o, std::string_view key, std::string_view value);

  // ---- Codecs and dictionaries -------------------------------------------

  /// The encoder or decoder named `name` (or of the codec descriptor of that
  /// name) of media type `type`. Raises "Unknown encoder \"x\"" /
  /// "Invalid encoder type \"x\"" (decoder likewise).
  const AVCodec* FindCodec(const std::string& name, AVMediaType type, TCodecWanted wanted);
  /// Removes from `a` every key of `b`.
  static void RemoveOptions(AVDictionaryPtr& a, const AVDictionary* b);
  /// When `d` still has an entry: raises "Option <key> not found." with
  /// `HaltOnInvalidOption`, else only puts that text into FLastErrMsg.
  void CheckUnusedOptions(const AVDictionary* d);
  /// A copy of `d` with every key cut at its first ':' (later keys win).
  static AVDictionaryPtr StripSpecifiers(const AVDictionary* d);
  /// The whole content of a file read through the library's I/O layer, or
  /// nothing (logged at llError) when it cannot be read or is larger than
  /// kMaxTextFileBytes (a device or endless stream must not exhaust memory).
  static constexpr std::size_t kMaxTextFileBytes = 256u << 20;
  std::optional<std::string> ReadTextFile(const std::string& file_name);

  // ---- Errors --------------------------------------------------------------

  /// FLastErrMsg := msg, log it at llFatal, throw FFmpegException(msg).
  [[noreturn]] void RaiseError(const std::string& msg);
  template <typename... A>
  [[noreturn]] void RaiseErrorFmt(fmt::format_string<A...> format, A&&... args) {
    RaiseError(fmt::format(format, std::forward<A>(args)...));
  }
  /// Raises "abort codec experimental".
  [[noreturn]] void AbortExperimentalCodec();
  /// Logs through the default logger with this engine as sender.
  void Log(TLogLevel level, const std::string& msg) const;

  // ---- Engine-wide settings (set by options; defaults from the constructor)

  AVBufferRefPtr Fhw_device_ctx;  ///< hardware decoding device
  std::string Fvstats_filename;   ///< -vstats, -vstats_file ("" = none)
  std::string Fsdp_filename;      ///< -sdp_file ("" = none)
  float Faudio_drift_threshold = 0.1f;
  float Fdts_delta_threshold = 10.0f;
  float Fdts_error_threshold = 3600.0f * 30.0f;
  std::int32_t Faudio_volume = 256;  ///< 256 = unchanged
  std::int32_t Faudio_sync_method = 0;
  std::int32_t Fvideo_sync_method = -1;  ///< -1 automatic, 0 passthrough, 1 cfr, 2 vfr, 255 drop
  float Fframe_drop_threshold = 0.0f;
  std::int32_t Fdo_deinterlace = 0;
  std::int32_t Fdo_hex_dump = 0;
  std::int32_t Fdo_pkt_dump = 0;
  std::int32_t Fcopy_ts = 0;
  std::int32_t Fstart_at_zero = 0;
  std::int32_t Fcopy_tb = -1;
  std::int32_t Fdebug_ts = 0;
  std::int32_t Fexit_on_error = 0;
  std::int32_t Fprint_stats = -1;
  std::int32_t Fqp_hist = 0;
  std::int32_t Fframe_bits_per_raw_sample = 0;
  float Fmax_error_rate = 2.0f / 3.0f;
  std::int32_t Fintra_only = 0;
  std::int32_t Ffile_overwrite = 0;
  std::int32_t Fno_file_overwrite = 0;
  std::int32_t Fdo_psnr = 0;
  std::int32_t Finput_sync = 0;         ///< -isync (no effect)
  std::int32_t Foverride_ffserver = 0;  ///< stored only: there are no streaming-server feeds
  /// Set when an input was opened or a complex filter graph declared.
  std::int32_t Finput_stream_potentially_available = 0;
  std::int32_t Fignore_unknown_streams = 0;
  std::int32_t Fcopy_unknown_streams = 0;
  /// -progress target (closed with the engine).
  AVIOContextPtr Fprogress_avio;

  bool HaltOnInvalidOption = true;  ///< option errors fail the open
  bool FJoinMode = false;
  std::int32_t Fnb_output_streams_join = 0;
  /// Join mode: `ost` is of the block of a later input, which feeds the
  /// encoder and muxer stream that block 0 set up (a join has one output
  /// file; block k writes through output file record k).
  bool IsLaterJoinBlock(const TOutputStream& ost) const { return FJoinMode && ost.file_index > 0; }
  std::atomic<bool> FBroken{false};    ///< aborts every pending read
  std::int32_t FReadTimeout = 30000;   ///< ms; 0 or less: none
  std::int32_t FWriteTimeout = 30000;  ///< ms; 0 or less: none
  AVIOInterruptCB FReadCallback{};     ///< ReadInterruptCheck of this instance
  /// Start of the current read wait (av_gettime_relative µs); INT64_MAX: untimed, 0: cancel.
  std::atomic<std::int64_t> FLastRead{0};
  AVIOInterruptCB FWriteCallback{};  ///< WriteInterruptCheck of this instance
  std::atomic<std::int64_t> FLastWrite{0};
  /// Longest input duration after its -ss (µs); -1 while no input's duration is known.
  std::int64_t FInputDuration = -1;
  /// Expected output duration (µs), the total progress reports; -1: unknown.
  std::int64_t FOutputDuration = -1;
  std::string FLastErrMsg;
  /// What opening an input may reach (options/input_guard.h).
  TInputPolicy FInputPolicy = TInputPolicy::Full;
  /// Raised before the streams of every input are probed (opening thread).
  std::function<void(TCustomFFmpegOpt* sender, AVFormatContext* ic)> FOnBeforeFindStreamInfo;

  /// 1 when a pending library read should stop (FBroken, cancel, time-out).
  int ReadInterruptCheck();
  /// 1 when a pending library write should stop (cancel, time-out).
  int WriteInterruptCheck();

  // ---- Files and streams (opening inputs and outputs) -----------------------
  // Owned here, filled by the input and output openers and the filter-graph
  // code; released by the transcoding half.

  std::vector<std::unique_ptr<TInputFile>> Finput_files;
  std::vector<std::unique_ptr<TFilterGraph>> Ffiltergraphs;
  /// Every stream of every opened input, in file order then stream order.
  std::vector<std::unique_ptr<TInputStream>> Finput_streams;
  std::vector<std::unique_ptr<TOutputFile>> Foutput_files;
  std::vector<std::unique_ptr<TOutputStream>> Foutput_streams;

  /// Opens one input with its option string (implemented by the input
  /// opener). The caller has run InitFileOptions(o) and runs FreeFileOptions(o).
  int OpenInputFile(TFileOptionContext& o, const std::string& option_text, const std::string& file_name,
                    const std::string& presets);
  /// Opens the task's output with its option string (implemented by the
  /// output opener).
  int OpenOutputFile(TFileOptionContext& o, const std::string& option_text, bool join,
                     const std::string& file_name, const std::string& presets);

  /// May `file_name` be written? -y: yes; -n (or no -y) and an existing
  /// local file: no ("File "%s" already exists. Ignore." in FLastErrMsg).
  /// Raises "Error, both -y and -n supplied.".
  bool CheckFileOverwrite(const std::string& file_name);
  /// Opens the byte stream of output `of` when its format writes a file
  /// (at the start of the run: adding an output creates nothing). A plain
  /// local file is written to its locked `.part` file. False with
  /// FLastErrMsg (-n and an existing file, a `.part` file another
  /// conversion holds, an open error).
  bool OpenOutputWriter(TOutputFile& of);
  /// Closes the outputs' byte streams. With `ofKeep` each `.part` file that
  /// holds data replaces its output's name; otherwise, or when empty, it is
  /// removed. Another written file is removed when it stayed empty. Gives
  /// the first error (a failed rename), empty when none.
  std::string CloseOutputWriters(TOutputFate fate);
  /// A new simple graph from `ist` into `ost` (transcode set-up), appended
  /// to Ffiltergraphs.
  TFilterGraph* InitSimpleFilterGraph(TInputStream* ist, TOutputStream* ost);
  /// Builds (or rebuilds) the library graph of `fg` with its sources, sinks
  /// and the filters the engine inserts; 0 or a negative library code.
  int ConfigureFilterGraph(TFilterGraph* fg);
  /// 1 when one of the inputs of `fg` is fed by `ist`.
  static int InputInFilterGraph(const TFilterGraph* fg, const TInputStream* ist);
  /// Releases every output stream (shared join resources once) and empties
  /// the list; graph outputs that fed them are unbound.
  void FreeOutputStreams();
  /// Concatenates the task's inputs into the output just opened (join
  /// mode); 0 or -1 with FLastErrMsg set. This base engine has no join
  /// support and refuses; the transcoding engine overrides it.
  virtual int JoinInputs(TFileOptionContext& o);

 protected:
  // ---- Option handlers (bound into the table by InitOptionDefs) -------------
  // Each takes the file context (null for global rows), the option name as
  // written and the argument, and gives 0 or a negative library error code.
  using Ctx = TFileOptionContext;
  using Str = const std::string&;

  /// The video hook's bits per pixel (the transcoding half overrides it).
  virtual int opt_VideoHookBitsPixel(Ctx* o, Str opt, Str arg) = 0;

  // option_handlers.cpp
  int opt_unsupported_ignored(Ctx* o, Str opt, Str arg);
  int opt_unsupported_failed(Ctx* o, Str opt, Str arg);
  int opt_ignored(Ctx* o, Str opt, Str arg);
  int opt_loglevel(Ctx* o, Str opt, Str arg);
  int opt_max_alloc(Ctx* o, Str opt, Str arg);
  int opt_cpuflags(Ctx* o, Str opt, Str arg);
  int opt_progress(Ctx* o, Str opt, Str arg);
  int opt_vsync(Ctx* o, Str opt, Str arg);
  int opt_filter_complex(Ctx* o, Str opt, Str arg);
  int opt_filter_complex_script(Ctx* o, Str opt, Str arg);
  int opt_sameq(Ctx* o, Str opt, Str arg);
  int opt_vstats(Ctx* o, Str opt, Str arg);
  int opt_vstats_file(Ctx* o, Str opt, Str arg);
  int opt_video_channel(Ctx* o, Str opt, Str arg);
  int opt_video_standard(Ctx* o, Str opt, Str arg);
  int opt_sdp_file(Ctx* o, Str opt, Str arg);
  int opt_override_ffserver(Ctx* o, Str opt, Str arg);
  int opt_time_seconds(Ctx* o, Str opt, Str arg);
  // option_alias_handlers.cpp
  int opt_alias_frames(Ctx* o, Str opt, Str arg);
  int opt_alias_codec(Ctx* o, Str opt, Str arg);
  int opt_alias_filter(Ctx* o, Str opt, Str arg);
  int opt_audio_qscale(Ctx* o, Str opt, Str arg);
  int opt_old2new(Ctx* o, Str opt, Str arg);
  int opt_qscale(Ctx* o, Str opt, Str arg);
  int opt_bitrate(Ctx* o, Str opt, Str arg);
  int opt_profile(Ctx* o, Str opt, Str arg);
  int opt_timecode(Ctx* o, Str opt, Str arg);
  int opt_timestamp(Ctx* o, Str opt, Str arg);
  int opt_channel_layout(Ctx* o, Str opt, Str arg);
  // stream_map_options.cpp
  int opt_map(Ctx* o, Str opt, Str arg);
  int opt_map_channel(Ctx* o, Str opt, Str arg);
  int opt_streamid(Ctx* o, Str opt, Str arg);
  int opt_attach(Ctx* o, Str opt, Str arg);
  // presets.cpp, target.cpp
  int ApplyPresetFile(Ctx* o, Str opt, Str arg);
  int ApplyTarget(Ctx* o, Str opt, Str arg);

  /// Applies option `name` with `arg` to `o` through the table, as if it had
  /// been written in the option string.
  int ApplyOption(Ctx* o, std::string_view name, std::string_view arg);
  /// Sets a codec option in the file group's codec dictionary.
  int SetGroupCodecOption(Ctx* o, const std::string& key, const std::string& value);

 private:
  /// Applies key=value lines (shared by preset texts and preset files).
  struct TPresetMessages;
  int ApplyPresetLines(TFileOptionContext* o, const std::vector<std::string>& lines,
                       const TPresetMessages& messages);
  TTargetNorm GuessTargetNorm();

  TFFOptions FOptions;
  bool override_ffserver_warned_ = false;
  std::vector<TOptionDef> FOptionRows;  ///< the table's storage
  TOptionTable FOptionDef;              ///< empty until InitOptionDefs
};

// ---- template definitions ----------------------------------------------------

template <typename T>
void TCustomFFmpegOpt::GetStreamValue(AVFormatContext* s, AVStream* st, const TSpecifierList<T>& list,
                                      T& value) {
  for (const TSpecifierValue<T>& entry : list) {
    const int ret = ff::avformat_match_stream_specifier(s, st, entry.specifier.c_str());
    if (ret > 0) {
      value = entry.value;
    } else if (ret < 0) {
      RaiseError(error_code_text(ret, "check_stream_specifier"));
    }
  }
}

}  // namespace zentrova

// TCustomDecoder: opens one media file (or adopts one the engine opened)
// and answers questions about it — size, format, duration, tags and the
// properties of each audio, video and subtitle stream — and describes it in
// a multi-line text. `TRIDarivir` (ridarivir.h) adds decoding on top.
//
// Failures: queries and `LoadFile` never throw for a bad file or a bad
// index; they answer with a cleared value or false and leave the reason in
// `LastErrMsg` (logged through the default logger). Only misuse throws
// std::runtime_error: "Library %s not loaded." when the media libraries are
// missing.
//
// Ownership: the decoder owns the file it opened and closes it in
// `CloseFile`, on the next `LoadFile` and on destruction. An adopted handle
// (`SetFileHandle`) stays the caller's: it is read but never closed, sought
// or changed, and must outlive its adoption (until `CloseFile` or the
// next `LoadFile`/`SetFileHandle`).
//
// Threads: one thread at a time. `OnBeforeFindStreamInfo` runs on the main
// thread when `TriggerEventInMainThread` (the default), else on the thread
// calling `LoadFile`. The read interrupt runs inside library reads on the
// calling thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "decoder/stream_info.h"
#include "log/base_component.h"
#include "log/log_level.h"
#include "media/av_deleters.h"
#include "options/ff_options.h"
#include "options/input_guard.h"

namespace zentrova {

class TCustomDecoder;

/// Raised after the file is opened and before its streams are probed; the
/// handler may set options on the format context.
using TBeforeFindStreamInfoEvent = std::function<void(TCustomDecoder* sender, AVFormatContext* file)>;

class TCustomDecoder : public TFFBaseComponent {
 public:
  /// No file; `TriggerEventInMainThread` and `GetLongCodecName` true.
  TCustomDecoder();
  /// Closes the file (see the ownership note above).
  ~TCustomDecoder() override;

  const char* ClassName() const override { return "TCustomDecoder"; }

  /// Loads the decoder's media libraries from `path` (empty: the system's
  /// search order). False with the loader's text in `LastErrMsg`.
  bool LoadAVLib(const std::string& path);
  bool AVLibLoaded() const;
  /// Closes the file and frees the option dictionaries first, then unloads.
  void UnloadAVLib();

  /// Applies an option string ("-analyzeduration 100 -probesize 5000000")
  /// for the next `LoadFile` only. Words that are not options are logged
  /// and skipped; an option no library class knows makes the result false
  /// (the others still apply). Empty text gives true.
  bool DefaultOptions(const std::string& options);
  /// One library option for the next `LoadFile`; true when accepted.
  bool opt_default(const std::string& opt, const std::string& arg);

  /// Opens and probes `file_name`, forcing the input format `format_name`
  /// when not empty, within what `InputPolicy()` allows (options/input_guard.h).
  /// Closes the previous file first. False with the reason in `LastErrMsg`:
  /// the guard's refusal, "Unknown input format: %s", "<file>: <library error>",
  /// "<file>: could not find codec parameters". Throws std::runtime_error
  /// only when the libraries are not loaded.
  bool LoadFile(const std::string& file_name, const std::string& format_name = {});
  /// Forgets the file, closing it when owned.
  virtual void CloseFile();

  /// The open file; null without one.
  AVFormatContext* FileHandle() const { return FFileHandle; }
  /// Adopts a file opened elsewhere, read only (see the ownership note).
  /// Throws std::runtime_error when the libraries are not loaded.
  virtual void SetFileHandle(AVFormatContext* value);
  /// True when the decoder opened the file itself.
  bool OwnHandle() const { return FOwnHandle; }

  bool IsAudioStream(int stream_index);
  bool IsVideoStream(int stream_index);
  bool IsSubtitleStream(int stream_index);

  /// The open file's name as given to `LoadFile`, without a leading "file:".
  std::string FileName();
  /// Bytes; -1 without a file.
  std::int64_t FileSize() const { return FFileSize; }
  const std::string& ForceFormat() const { return FForceFormat; }
  std::string FormatName();
  std::string FormatLongName();
  bool GetLongCodecName() const { return FGetLongCodecName; }
  void SetGetLongCodecName(bool value) { FGetLongCodecName = value; }

  /// Counts; -1 without a file.
  int StreamCount() const { return FStreamCount; }
  int ProgramCount() const { return FProgramCount; }
  int AudioStreamCount() const { return FAudioStreamCount; }
  int VideoStreamCount() const { return FVideoStreamCount; }
  int SubtitleStreamCount() const { return FSubtitleStreamCount; }
  /// Index of the first stream of each type; -1 when none.
  int FirstAudioStreamIndex() const { return FFirstAudioStreamIndex; }
  int FirstVideoStreamIndex() const { return FFirstVideoStreamIndex; }
  int FirstSubtitleStreamIndex() const { return FFirstSubtitleStreamIndex; }

  TFileStreamInfo FileStreamInfo();
  /// `stream_index` -1: the first stream of that type. A bad index or a
  /// stream of another type gives the cleared record and an error text.
  TAudioStreamInfo GetAudioStreamInfo(int stream_index);
  TVideoStreamInfo GetVideoStreamInfo(int stream_index);
  TSubtitleStreamInfo GetSubtitleStreamInfo(int stream_index);
  TAudioStreamInfo FirstAudioStreamInfo() { return GetAudioStreamInfo(-1); }
  TVideoStreamInfo FirstVideoStreamInfo() { return GetVideoStreamInfo(-1); }
  TSubtitleStreamInfo FirstSubtitleStreamInfo() { return GetSubtitleStreamInfo(-1); }
  /// The file's description: names, size, tags, duration, chapters,
  /// programs and one line per stream, joined with "\r\n".
  std::string FileInfoText();

  const std::string& LastErrMsg() const { return FLastErrMsg; }
  bool TriggerEventInMainThread() const { return FTriggerEventInMainThread; }
  void SetTriggerEventInMainThread(bool value) { FTriggerEventInMainThread = value; }
  /// Asked while a library read of the file waits (calling thread): true
  /// ends the read at once, as the read time-out would. Empty: never.
  void SetStopCheck(std::function<bool()> check) { FStopCheck = std::move(check); }
  const TBeforeFindStreamInfoEvent& OnBeforeFindStreamInfo() const { return FOnBeforeFindStreamInfo; }
  void SetOnBeforeFindStreamInfo(TBeforeFindStreamInfoEvent handler) {
    FOnBeforeFindStreamInfo = std::move(handler);
  }

 protected:
  /// Re-reads the size, counts and first indexes of the open file.
  virtual void RefreshFileInfo();
  /// After a successful `LoadFile`: the scaling flags the options asked
  /// for (the decoder's picture converter takes them).
  virtual void ApplySwsFlags(int /*flags*/) {}
  /// `LastErrMsg` := text, logged at `level` with this decoder as sender.
  void SetErrorAndLog(TLogLevel level, const std::string& text);
  /// False with "file not loaded." (warning) without a file.
  bool CheckFileLoaded();
  /// The stream of `index` or null with "stream index #%d is invalid.".
  AVStream* StreamAt(int index);
  /// Marks the start of a library read for the read time-out.
  void StartRead();

  AVFormatContext* FFileHandle = nullptr;  ///< owned when FOwnHandle (then also held by owned_file_)
  TFFOptions FOptions;
  bool FOwnHandle = false;
  std::string FLastErrMsg;
  std::string FForceFormat;
  std::int64_t FFileSize = -1;
  int FStreamCount = -1;
  int FProgramCount = -1;
  int FAudioStreamCount = -1;
  int FVideoStreamCount = -1;
  int FSubtitleStreamCount = -1;
  int FFirstAudioStreamIndex = -1;
  int FFirstVideoStreamIndex = -1;
  int FFirstSubtitleStreamIndex = -1;
  bool FTriggerEventInMainThread = true;
  bool FGetLongCodecName = true;
  /// Library clock (µs) at the start of the current read; read by the
  /// interrupt callback on the same thread. INT64_MAX: no time-out.
  std::int64_t FLastRead = 0;
  TBeforeFindStreamInfoEvent FOnBeforeFindStreamInfo;
  std::function<bool()> FStopCheck;

 private:
  static int DecoderReadInterrupt(void* opaque) noexcept;
  bool ApplyOptionArgs(const std::vector<std::string>& args);
  /// Frees the options the last `LoadFile` was given (they apply once).
  void ResetOptions();
  /// Bytes of the file: the I/O size, else the size on disk of its name.
  std::int64_t ProbeFileSize() const;
  /// The stream of `index` (-1: `first`) when it is of `type`, else null
  /// with the texts of `type_word` ("audio", "video", "subtitle").
  AVStream* TypedStream(int index, int first, AVMediaType type, const char* type_word);
  std::string StreamCodecName(const AVStream* stream) const;

  std::unique_ptr<TInputGuard> guard_;  // what owned_file_ may open; outlives it (declared first)
  AVInputFormatContextPtr owned_file_;  // the file this decoder opened
};

}  // namespace zentrova

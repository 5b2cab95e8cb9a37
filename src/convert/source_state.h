// The options dialog's per-source state: taking over a probed source
// (`AssignSource`), the clip marks and the first picture time, and the
// `SourceFacts` the builders read.
//
// The widget side (preview picture, slider, decoding frames) stays with the
// dialog: it reads `SliderEnabled` and `Frames`, reports the time of each
// picture it shows through `NotePictureShown`, and the "Set Start" / "Set
// End" buttons call `SetClipStart` / `SetClipEnd`.
//
// Plain values; one thread (the main thread) uses a state at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "convert/output_settings.h"
#include "convert/source_facts.h"

namespace zentrova::app {

/// What `AssignSource` reads from the decoder that probed the source.
struct TSourceProbe {
  std::string FileName;
  std::string ForceFormat;
  std::string FormatName;                     ///< "image2" for picture sequences
  std::string FileInfoText;                   ///< the decoder's multi-line information text
  std::int64_t FileStartTime = kNoTimeValue;  ///< microseconds
  std::int64_t FileDuration = -1;             ///< microseconds; negative: not known
  int FirstVideoStreamIndex = -1;
  int FirstAudioStreamIndex = -1;
  int Width = 0;  ///< of the first video stream
  int Height = 0;
  std::int64_t VideoDurationScaled = -1;  ///< first video stream, microseconds; not positive: not known
  int FrameRateNum = 0;                   ///< first video stream's average frame rate
  int FrameRateDen = 1;
  int SarNum = 0;  ///< first video stream's sample aspect ratio; not positive: unknown
  int SarDen = 1;
  bool Interlaced = false;  ///< see SourceLooksInterlaced
  int SampleRate = 0;       ///< first audio stream's, Hz; not positive: unknown
  int Channels = 0;         ///< first audio stream's; not positive: unknown
  TSourceTracks Tracks;
};

struct TSourceState {
  // Identity of the source taken over last, to tell a new source from the same one again.
  bool HasSource = false;
  std::string FileName;
  std::int64_t FileDuration = -1;
  std::int64_t FileStartTime = kNoTimeValue;

  std::string ForceFormat;
  std::int64_t Duration = 0;  ///< microseconds; 0 when not known
  int Frames = 0;             ///< slider steps
  std::int64_t FirstPTS = kTimeNotSet;
  std::int64_t StartTime = kTimeNotSet;
  std::int64_t EndTime = kNoTimeValue;
  int VideoStreamIndex = -1;
  int AudioStreamIndex = -1;
  int Width = 0;
  int Height = 0;
  int SarNum = 0;
  int SarDen = 1;
  int FrameRateNum = 0;
  int FrameRateDen = 1;
  bool Interlaced = false;
  int SampleRate = 0;
  int Channels = 0;
  TSourceTracks Tracks;
  bool SliderEnabled = false;
  std::vector<std::string> InfoLines;  ///< the "源视频文件信息" text

  /// What the option-string builders read.
  SourceFacts Facts() const;
};

struct TAssignResult {
  /// The source differs from the previous one: clip marks, first picture
  /// time, duration and steps were reset (the preview always is).
  bool FullReset = false;
  /// A message to show (kBitRateErrorMessage), or empty.
  std::string Message;
};

/// Takes over a probed source. A different source (file name, duration or
/// start time differ from the last one) resets the clip marks and the first
/// picture time and unchecks and disables "Cut Clip" in `settings`. The
/// video bit rate edit (`settings.VideoBitRate`) gets the source's bit
/// rate; when none can be found it keeps its value and the result carries
/// the message, and the stream indexes, duration and steps are set all the
/// same.
TAssignResult AssignSource(TSourceState& state, const TSourceProbe& probe, OutputSettings& settings);

/// Slider steps of a source: its first video stream's frame count from the
/// stream's (else the file's) duration and frame rate; for a source without
/// video or frame rate ten steps a second. Rounded half to even.
/// `previous` when nothing is known.
int SourceFrames(const TSourceProbe& probe, int previous);

/// The preview showed a picture of time `pts`: the first one of the source
/// becomes its first picture time.
void NotePictureShown(TSourceState& state, std::int64_t pts);

/// "Set Start" / "Set End" at the picture time `pts`; "Cut Clip" is enabled
/// exactly while start is before end (its check is left alone).
void SetClipStart(TSourceState& state, OutputSettings& settings, std::int64_t pts);
void SetClipEnd(TSourceState& state, OutputSettings& settings, std::int64_t pts);

}  // namespace zentrova::app

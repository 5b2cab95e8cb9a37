#include "convert/source_state.h"

#include <cmath>
#include <limits>

#include "convert/source_information.h"

namespace zentrova::app {
namespace {

bool DurationKnown(std::int64_t duration) {
  return duration >= 0;
}

int RoundedSteps(double value, int previous) {
  const double rounded = std::nearbyint(value);
  if (!std::isfinite(rounded) || rounded < 0) return previous;
  if (rounded > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  return static_cast<int>(rounded);
}

void FullReset(TSourceState& state, OutputSettings& settings) {
  state.Duration = 0;
  state.Frames = 0;
  state.FirstPTS = kTimeNotSet;
  state.StartTime = kTimeNotSet;
  state.EndTime = kNoTimeValue;
  settings.CutClipEnabled = false;
  settings.CutClipChecked = false;
}

}  // namespace

SourceFacts TSourceState::Facts() const {
  SourceFacts facts;
  facts.FileName = FileName;
  facts.ForceFormat = ForceFormat;
  facts.VideoStreamIndex = VideoStreamIndex;
  facts.Width = Width;
  facts.Height = Height;
  facts.SarNum = SarNum;
  facts.SarDen = SarDen;
  facts.FrameRateNum = FrameRateNum;
  facts.FrameRateDen = FrameRateDen;
  facts.Interlaced = Interlaced;
  facts.AudioStreamIndex = AudioStreamIndex;
  facts.SampleRate = SampleRate;
  facts.Channels = Channels;
  facts.Tracks = Tracks;
  facts.StartTime = StartTime;
  facts.EndTime = EndTime;
  facts.FirstPTS = FirstPTS;
  return facts;
}

int SourceFrames(const TSourceProbe& probe, int previous) {
  if (probe.FirstVideoStreamIndex >= 0 && probe.FrameRateDen > 0) {
    std::int64_t duration = -1;
    if (probe.VideoDurationScaled > 0)
      duration = probe.VideoDurationScaled;
    else if (DurationKnown(probe.FileDuration))
      duration = probe.FileDuration;
    if (duration < 0) return previous;
    return RoundedSteps(static_cast<double>(duration) / 1000000 * probe.FrameRateNum / probe.FrameRateDen,
                        previous);
  }
  if (!DurationKnown(probe.FileDuration)) return previous;
  return RoundedSteps(static_cast<double>(probe.FileDuration) / 1000000 * 10, previous);
}

TAssignResult AssignSource(TSourceState& state, const TSourceProbe& probe, OutputSettings& settings) {
  TAssignResult result;
  result.FullReset = !state.HasSource || state.FileName != probe.FileName ||
                     state.FileDuration != probe.FileDuration || state.FileStartTime != probe.FileStartTime;
  if (result.FullReset) FullReset(state, settings);
  state.HasSource = true;
  state.FileName = probe.FileName;
  state.FileDuration = probe.FileDuration;
  state.FileStartTime = probe.FileStartTime;
  state.ForceFormat = probe.ForceFormat;

  TSourceInformation info = ParseSourceInformation(probe.FileInfoText);
  state.InfoLines = std::move(info.Lines);
  if (info.VideoBitRate.empty())
    result.Message = kBitRateErrorMessage;
  else
    settings.VideoBitRate = info.VideoBitRate;

  state.VideoStreamIndex = probe.FirstVideoStreamIndex;
  state.AudioStreamIndex = probe.FirstAudioStreamIndex;
  state.Width = probe.FirstVideoStreamIndex >= 0 ? probe.Width : 0;
  state.Height = probe.FirstVideoStreamIndex >= 0 ? probe.Height : 0;
  state.SarNum = probe.FirstVideoStreamIndex >= 0 ? probe.SarNum : 0;
  state.SarDen = probe.FirstVideoStreamIndex >= 0 ? probe.SarDen : 1;
  state.FrameRateNum = probe.FirstVideoStreamIndex >= 0 ? probe.FrameRateNum : 0;
  state.FrameRateDen = probe.FirstVideoStreamIndex >= 0 ? probe.FrameRateDen : 1;
  state.Interlaced = probe.FirstVideoStreamIndex >= 0 && probe.Interlaced;
  state.SampleRate = probe.FirstAudioStreamIndex >= 0 ? probe.SampleRate : 0;
  state.Channels = probe.FirstAudioStreamIndex >= 0 ? probe.Channels : 0;
  state.Tracks = probe.Tracks;
  state.SliderEnabled = DurationKnown(probe.FileDuration) && probe.FormatName != "image2";
  if (DurationKnown(probe.FileDuration)) state.Duration = probe.FileDuration;
  state.Frames = SourceFrames(probe, state.Frames);
  return result;
}

void NotePictureShown(TSourceState& state, std::int64_t pts) {
  if (state.FirstPTS == kTimeNotSet) state.FirstPTS = pts;
}

void SetClipStart(TSourceState& state, OutputSettings& settings, std::int64_t pts) {
  state.StartTime = pts;
  settings.CutClipEnabled = state.StartTime < state.EndTime;
}

void SetClipEnd(TSourceState& state, OutputSettings& settings, std::int64_t pts) {
  state.EndTime = pts;
  settings.CutClipEnabled = state.StartTime < state.EndTime;
}

}  // namespace zentrova::app

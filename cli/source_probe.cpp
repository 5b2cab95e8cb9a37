#include "cli/source_probe.h"

#include <memory>

#include "decoder/ridarivir.h"

namespace zentrova::cli {

app::TSourceProbe ProbeOfDecoder(TRIDarivir& decoder) {
  app::TSourceProbe probe;
  probe.FileName = decoder.FileName();
  probe.ForceFormat = decoder.ForceFormat();
  probe.FormatName = decoder.FormatName();
  probe.FileInfoText = decoder.FileInfoText();
  const TFileStreamInfo file = decoder.FileStreamInfo();
  probe.FileStartTime = file.StartTime;
  probe.FileDuration = file.Duration;
  probe.FirstVideoStreamIndex = decoder.FirstVideoStreamIndex();
  probe.FirstAudioStreamIndex = decoder.FirstAudioStreamIndex();
  if (probe.FirstVideoStreamIndex >= 0) {
    const TVideoStreamInfo video = decoder.FirstVideoStreamInfo();
    probe.Width = video.Width;
    probe.Height = video.Height;
    probe.VideoDurationScaled = video.DurationScaled;
    probe.FrameRateNum = video.FrameRate.num;
    probe.FrameRateDen = video.FrameRate.den;
  }
  return probe;
}

TProbeFunction MakeDecoderProbe() {
  auto decoder = std::make_shared<TRIDarivir>();
  return [decoder](const std::string& file) {
    TProbeOutcome outcome;
    outcome.Loaded = decoder->LoadFile(file);
    if (outcome.Loaded)
      outcome.Probe = ProbeOfDecoder(*decoder);
    else
      outcome.Error = decoder->LastErrMsg();
    decoder->CloseFile();
    return outcome;
  };
}

}  // namespace zentrova::cli
